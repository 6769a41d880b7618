// Input on ncursesw: what get_wch and getmouse deliver, turned into the
// key events of keys.h. This is the only code that knows the terminal's key
// codes; a decoder of the terminal's own byte sequences would replace the
// calls to ncurses here and leave everything above read_key() as it is.
#include "platform/boxkit/curses_look.h"
#include "platform/boxkit/error.h"
#include "platform/boxkit/screen.h"

namespace boxkit {

namespace {

function_key function_key_of(wint_t code) {
    switch (code) {
    case KEY_UP:
        return function_key::up;
    case KEY_DOWN:
        return function_key::down;
    case KEY_LEFT:
        return function_key::left;
    case KEY_RIGHT:
        return function_key::right;
    case KEY_HOME:
        return function_key::home;
    case KEY_END:
        return function_key::end;
    case KEY_PPAGE:
        return function_key::page_up;
    case KEY_NPAGE:
        return function_key::page_down;
    case KEY_BACKSPACE:
        return function_key::backspace;
    case KEY_DC:
        return function_key::delete_char;
    case KEY_ENTER:
        return function_key::enter;
    case KEY_BTAB:
        return function_key::back_tab;
    case KEY_RESIZE:
        return function_key::resize;
    default:
        return code == static_cast<wint_t>(KEY_F(1)) ? function_key::f1 : function_key::other;
    }
}

// The mouse event behind a KEY_MOUSE.
mouse_event read_mouse() {
    MEVENT ev{};
    if (getmouse(&ev) != OK)
        return {0, 0, mouse_event::none};
    mouse_event out{ev.y, ev.x, mouse_event::none};
    if (ev.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED))
        out.action = mouse_event::click;
    else if (ev.bstate & BUTTON4_PRESSED)
        out.action = mouse_event::wheel_up;
    else if (ev.bstate & BUTTON5_PRESSED)
        out.action = mouse_event::wheel_down;
    return out;
}

} // namespace

key_event read_key() {
    // A read fails for good once the terminal has gone (end of input); a few
    // retries tell that apart from an interrupted read.
    for (int tries = 0; tries < 64; ++tries) {
        wint_t ch = 0;
        const int r = get_wch(&ch);
        if (r == KEY_CODE_YES && ch == KEY_MOUSE) {
            key_event event{key_event::mouse};
            event.pointer = read_mouse();
            return event;
        }
        if (r == KEY_CODE_YES)
            return function_key_event(function_key_of(ch));
        if (r != ERR)
            return character_key(static_cast<char32_t>(ch));
    }
    set_error("cannot read from the terminal");
    return {key_event::error};
}

} // namespace boxkit
