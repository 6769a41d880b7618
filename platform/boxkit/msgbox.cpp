// The message box and the information box: a wrapped text in a box, with
// buttons (message box) or without (information box).
#include <algorithm>

#include "platform/boxkit.h"
#include "platform/boxkit/curses_look.h"
#include "platform/boxkit/dialog.h"

namespace boxkit {

namespace {

struct text_box_geometry {
    rect box;
    rect text;
    int button_y;
    int separator_row;
};

} // namespace

int text_dialog(const boxkit_conf &conf, const char *text, int height, int width, bool wait) {
    const bool utf8 = utf8_locale();
    text_view view;
    view.glyphs = decode_text(text ? text : "", {utf8, conf.markup, true});
    const uint64_t natural = natural_width(view.glyphs);
    const std::vector<button> buttons = wait ? dialog_buttons(conf, false) : std::vector<button>{};
    const uint64_t title_width = conf.title ? text_width(conf.title, {utf8, false, false}) + 2 : 0;
    const int chrome_rows = wait ? 4 : 2;
    int focused = buttons.empty() ? -1 : 0;
    text_box_geometry g{};

    auto layout = [&] {
        const rect area =
            usable_area(screen_lines(), screen_cols(), conf.top_margin, conf.bottom_margin);
        const uint64_t content = std::max({natural, buttons_width(buttons, utf8), title_width});
        const int w = choose_extent(width, content + 4, conf.min_width,
                                    width > 0 ? area.width : auto_width_limit(area.width));
        view.wrap(w - 4);
        const int h =
            choose_extent(height, view.lines.size() + chrome_rows, conf.min_height, area.height);
        g.box = centre_box(area, h, w);
        // Without room for a line of text and the separator, the separator goes.
        const int rows = wait && h < 5 ? h - 3 : h - chrome_rows;
        g.text = {g.box.top + 1, g.box.left + 2, std::max(rows, 0), std::max(w - 4, 0)};
        g.separator_row = wait && h >= 5 ? h - 3 : 0;
        g.button_y = g.box.top + h - 2;
        view.clamp(g.text.height);
    };

    auto draw = [&] {
        draw_frame(g.box, conf.title);
        view.draw(g.text, role::box);
        if (wait) {
            draw_separator(g.box, g.separator_row, role::border);
            draw_buttons(g.box, g.button_y, buttons, focused, conf.menu_button_shortcuts);
        }
        if (view.scrollable(g.text.height)) {
            const int y =
                g.separator_row > 0 ? g.box.top + g.separator_row : g.box.top + g.box.height - 1;
            draw_indicator(g.box, y, view.position(g.text.height));
        }
        show();
    };

    layout();
    draw();
    if (!wait)
        return BOXKIT_OK;

    const int count = static_cast<int>(buttons.size());
    for (;;) {
        const key_event key = read_key();
        if (key.kind == key_event::error)
            return BOXKIT_ERROR;
        const key_action action = common_action(key);
        switch (action) {
        case key_action::press:
            return button_code(buttons, focused);
        case key_action::next_button:
        case key_action::prev_button:
            focused = step_button(focused, count, button_step(action));
            break;
        case key_action::escape:
        case key_action::resize:
        case key_action::help: {
            const common_outcome common = handle_common_key(action, conf);
            if (common.closes)
                return common.code;
            if (!common.relayout)
                continue;
            layout();
            break;
        }
        case key_action::mouse: {
            const mouse_event m = read_mouse();
            if (m.action == mouse_event::click && m.y == g.button_y) {
                const int hit = button_at(g.box, buttons, m.x);
                if (hit >= 0)
                    return button_code(buttons, hit);
            } else if (m.action == mouse_event::wheel_up) {
                view.scroll_key(KEY_UP, g.text.height);
            } else if (m.action == mouse_event::wheel_down) {
                view.scroll_key(KEY_DOWN, g.text.height);
            }
            break;
        }
        case key_action::none:
            if (key.kind == key_event::function) {
                if (!view.scroll_key(key.code, g.text.height))
                    continue;
            } else if (conf.menu_button_shortcuts) {
                const int hit = shortcut_button(buttons, key.code);
                if (hit >= 0)
                    return button_code(buttons, hit);
                continue;
            } else {
                continue;
            }
            break;
        }
        draw();
    }
}

} // namespace boxkit

using namespace boxkit;

int boxkit_msgbox(const boxkit_conf *conf, const char *text, int height, int width) {
    if (!screen_active())
        return fail_inactive();
    return text_dialog(settings_of(conf), text, height, width, true);
}

int boxkit_infobox(const boxkit_conf *conf, const char *text, int height, int width) {
    if (!screen_active())
        return fail_inactive();
    return text_dialog(settings_of(conf), text, height, width, false);
}
