#include "platform/boxkit/dialog.h"

#include "platform/boxkit/draw.h"
#include "platform/boxkit/error.h"
#include "platform/boxkit/screen.h"

namespace boxkit {

namespace {

// What a key means to every dialog alike.
enum class key_action { none, next_button, prev_button, press, escape, help, resize };

key_action common_action(const key_event &key) {
    if (key.kind == key_event::function) {
        switch (key.key) {
        case function_key::left:
        case function_key::back_tab:
            return key_action::prev_button;
        case function_key::right:
            return key_action::next_button;
        case function_key::enter:
            return key_action::press;
        case function_key::resize:
            return key_action::resize;
        case function_key::f1:
            return key_action::help;
        default:
            return key_action::none;
        }
    }
    if (key.kind == key_event::character) {
        switch (key.ch) {
        case U'\t':
            return key_action::next_button;
        case U'\r':
        case U'\n':
            return key_action::press;
        case 27:
            return key_action::escape;
        default:
            break;
        }
    }
    return key_action::none;
}

// The code of the button at `index`, or BOXKIT_OK when no button has the
// focus.
int button_code(const std::vector<button> &buttons, int index) {
    return index >= 0 ? buttons[static_cast<size_t>(index)].code : BOXKIT_OK;
}

// Moves the focus among `count` buttons, wrapping around.
int step_button(int focused, int count, int step) {
    if (count <= 0)
        return -1;
    return ((focused + step) % count + count) % count;
}

// The focus after TAB or Right (`forward`), or Shift-TAB or Left.
int next_focus(const dialog &d, bool forward, const key_event &key) {
    const int count = static_cast<int>(d.buttons.size());
    if (d.field_stop && d.focused_button < 0) // leaving the fields
        return count > 0 ? (forward ? 0 : count - 1) : -1;
    if (!d.field_stop)
        return step_button(d.focused_button, count, forward ? 1 : -1);
    // Past the last button TAB and Right return to the fields, before the
    // first one Shift-TAB does; Left wraps round to the last button.
    if (forward)
        return d.focused_button + 1 < count ? d.focused_button + 1 : -1;
    return d.focused_button > 0 || key.is(function_key::left)
               ? step_button(d.focused_button, count, -1)
               : -1;
}

// Shows `conf.help_text` in a box of its own and, when it closes, puts back
// the screen as it was. BOXKIT_OK, or BOXKIT_ERROR when the terminal failed.
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
    const int lines = screen_lines();
    const int cols = screen_cols();
    const saved_screen_ptr saved = save_screen();
    const int rc = text_dialog(help, conf.help_text, 0, 0, true);
    if (saved && lines == screen_lines() && cols == screen_cols())
        restore_screen(*saved);
    else
        fill_backdrop();
    return rc == BOXKIT_ERROR ? BOXKIT_ERROR : BOXKIT_OK;
}

void draw_dialog(dialog &d) {
    draw_frame(d.frame.box, d.conf.title);
    draw_separator(d.frame.box, d.frame.separator_row, role::border);
    draw_buttons(d.frame.box, d.frame.button_y, d.buttons, d.focused_button,
                 d.conf.menu_button_shortcuts);
    d.draw();
    show();
}

} // namespace

boxkit_conf settings_of(const boxkit_conf *conf) {
    boxkit_conf out{};
    if (conf)
        out = *conf;
    return out;
}

bool can_open(long long count, const void *items, const char *what) {
    if (!screen_active()) {
        fail_inactive();
        return false;
    }
    if (count < 0) {
        set_error("%s item count %lld is negative", what, count);
        return false;
    }
    if (count > 0 && !items) {
        set_error("%s items missing", what);
        return false;
    }
    return true;
}

void show_dialog(dialog &d) {
    d.layout();
    draw_dialog(d);
}

int run_dialog(dialog &d) {
    show_dialog(d);
    for (;;) {
        const key_event key = read_key();
        if (key.kind == key_event::error)
            return BOXKIT_ERROR;
        if (key.kind == key_event::mouse) {
            const mouse_event &m = key.pointer;
            if (m.action == mouse_event::click && m.y == d.frame.button_y) {
                const int hit = button_at(d.frame.box, d.buttons, m.x);
                if (hit >= 0)
                    return button_code(d.buttons, hit);
            } else if (d.mouse && d.mouse(m)) {
                draw_dialog(d);
            }
            continue;
        }
        if (d.key && d.key(key)) {
            draw_dialog(d);
            continue;
        }
        const key_action action = common_action(key);
        switch (action) {
        case key_action::press:
            return button_code(d.buttons, d.focused_button);
        case key_action::next_button:
        case key_action::prev_button:
            d.focused_button = next_focus(d, action == key_action::next_button, key);
            draw_dialog(d);
            break;
        case key_action::escape:
            if (d.conf.esc_enabled)
                return BOXKIT_ESC;
            break;
        case key_action::resize:
            fill_backdrop();
            show_dialog(d);
            break;
        case key_action::help:
            if (!d.conf.help_text)
                break;
            if (show_help(d.conf) == BOXKIT_ERROR)
                return BOXKIT_ERROR;
            show_dialog(d);
            break;
        case key_action::none:
            if (key.kind == key_event::character && d.conf.menu_button_shortcuts) {
                const int hit = shortcut_button(d.buttons, static_cast<int>(key.ch));
                if (hit >= 0)
                    return button_code(d.buttons, hit);
            }
            break;
        }
    }
}

} // namespace boxkit

void boxkit_initconf(boxkit_conf *conf) {
    if (conf)
        *conf = boxkit_conf{};
}
