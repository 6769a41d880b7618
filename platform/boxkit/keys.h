// Keys and mouse events as the dialogs see them, whatever terminal they came
// from. The screen implementation turns what the terminal sends into these
// (platform/boxkit/screen.h, read_key); nothing above it sees a terminal's
// own key codes.
#pragma once

namespace boxkit {

// The keys that are no character.
enum class function_key {
    up,
    down,
    left,
    right,
    home,
    end,
    page_up,
    page_down,
    backspace,
    delete_char,
    enter,    // the keypad's Enter; Return arrives as the character '\r'
    back_tab, // Shift-TAB
    f1,
    resize, // the terminal changed its size
    other,  // any other function key: every dialog ignores it
};

// A mouse event: screen position and what happened.
struct mouse_event {
    int y;
    int x;
    enum action_t { none, click, wheel_up, wheel_down } action;
};

// One event from the terminal.
struct key_event {
    enum kind_t { character, function, mouse, error } kind;
    char32_t ch = 0;                              // character: its code point
    function_key key = function_key::other;       // function
    mouse_event pointer{0, 0, mouse_event::none}; // mouse

    bool is(function_key k) const { return kind == function && key == k; }
};

inline key_event character_key(char32_t ch) {
    return {key_event::character, ch};
}
inline key_event function_key_event(function_key k) {
    return {key_event::function, 0, k};
}

} // namespace boxkit
