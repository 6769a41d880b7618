#include "platform/boxkit/dialog.h"

#include <algorithm>

#include "platform/boxkit/curses_look.h"

namespace boxkit {

boxkit_conf settings_of(const boxkit_conf *conf) {
    boxkit_conf out{};
    if (conf)
        out = *conf;
    return out;
}

void text_view::wrap(int width) {
    lines = wrap_glyphs(glyphs, static_cast<unsigned>(std::max(width, 1)));
}

void text_view::clamp(int rows) {
    const size_t shown = static_cast<size_t>(std::max(rows, 0));
    const size_t last_top = lines.size() > shown ? lines.size() - shown : 0;
    top = std::min(top, last_top);
}

void text_view::draw(rect area, role look) const {
    for (int row = 0; row < area.height; ++row) {
        const size_t i = top + static_cast<size_t>(row);
        if (i >= lines.size())
            break;
        draw_glyphs(area.top + row, area.left, glyphs, lines[i].begin, lines[i].end, area.width,
                    look, area);
    }
}

bool text_view::scroll_key(int key, int rows) {
    const size_t page = static_cast<size_t>(std::max(rows, 1));
    switch (key) {
    case KEY_UP:
        top = top > 0 ? top - 1 : 0;
        break;
    case KEY_DOWN:
        ++top;
        break;
    case KEY_PPAGE:
        top = top > page ? top - page : 0;
        break;
    case KEY_NPAGE:
        top += page;
        break;
    case KEY_HOME:
        top = 0;
        break;
    case KEY_END:
        top = lines.size();
        break;
    default:
        return false;
    }
    clamp(rows);
    return true;
}

std::string text_view::position(int rows) const {
    if (lines.empty())
        return "100%";
    const size_t shown_end = std::min(lines.size(), top + static_cast<size_t>(std::max(rows, 0)));
    return std::to_string(shown_end * 100 / lines.size()) + "%";
}

key_action common_action(const key_event &key) {
    if (key.kind == key_event::function) {
        switch (key.code) {
        case KEY_LEFT:
        case KEY_BTAB:
            return key_action::prev_button;
        case KEY_RIGHT:
            return key_action::next_button;
        case KEY_ENTER:
            return key_action::press;
        case KEY_RESIZE:
            return key_action::resize;
        case KEY_MOUSE:
            return key_action::mouse;
        default:
            return key.code == KEY_F(1) ? key_action::help : key_action::none;
        }
    }
    if (key.kind == key_event::character) {
        switch (key.code) {
        case '\t':
            return key_action::next_button;
        case '\r':
        case '\n':
            return key_action::press;
        case 27:
            return key_action::escape;
        default:
            break;
        }
    }
    return key_action::none;
}

common_outcome handle_common_key(key_action action, const boxkit_conf &conf) {
    switch (action) {
    case key_action::escape:
        if (conf.esc_enabled)
            return {true, BOXKIT_ESC, false};
        return {false, BOXKIT_OK, false};
    case key_action::resize:
        fill_backdrop();
        return {false, BOXKIT_OK, true};
    case key_action::help:
        if (!conf.help_text)
            return {false, BOXKIT_OK, false};
        if (show_help(conf) == BOXKIT_ERROR)
            return {true, BOXKIT_ERROR, false};
        return {false, BOXKIT_OK, true};
    default:
        return {false, BOXKIT_OK, false};
    }
}

int show_help(const boxkit_conf &conf) {
    boxkit_conf help{};
    help.title = " Help ";
    help.markup = conf.markup;
    help.esc_enabled = true;
    help.top_margin = conf.top_margin;
    help.bottom_margin = conf.bottom_margin;
    help.ok_button_label = "Close";
    // The screen under the help box comes back as it was, unless the
    // terminal was resized meanwhile: then the caller redraws on a clean backdrop.
    const int lines = LINES;
    const int cols = COLS;
    WINDOW *saved = dupwin(stdscr);
    const int rc = text_dialog(help, conf.help_text, 0, 0, true);
    if (saved) {
        if (lines == LINES && cols == COLS)
            overwrite(saved, stdscr);
        else
            fill_backdrop();
        delwin(saved);
    } else {
        fill_backdrop();
    }
    return rc == BOXKIT_ERROR ? BOXKIT_ERROR : BOXKIT_OK;
}

void draw_frame(rect box, const char *title) {
    fill(box, role::box);
    draw_border(box, role::border);
    draw_title(box, title);
}

int step_button(int focused, int count, int step) {
    if (count <= 0)
        return -1;
    return ((focused + step) % count + count) % count;
}

} // namespace boxkit
