// The one loop that runs every dialog. A dialog (menu, form, message box)
// fills in a `dialog` record: its settings and buttons, how to lay itself out
// and draw its content, and the keys and mouse events that are its own.
// run_dialog does the rest, the same for all: it reads each event, presses
// the buttons (Enter, a click, a shortcut letter), moves the focus among
// them (TAB, Left, Right), closes on ESC when the settings allow it, redraws
// after a resize and shows the help text on F1.
#pragma once

#include <functional>
#include <vector>

#include "platform/boxkit.h"
#include "platform/boxkit/box_layout.h"
#include "platform/boxkit/keys.h"

namespace boxkit {

struct dialog {
    boxkit_conf conf;
    std::vector<button> buttons{};
    // The focused button; -1 for none (every button hidden), or while the
    // dialog's fields have the focus when `field_stop` is set.
    int focused_button = -1;
    // TAB, Shift-TAB, Left and Right also stop at the dialog's fields (the
    // form): TAB goes from the fields to the first button and from the last
    // button back to the fields.
    bool field_stop = false;
    dialog_frame frame{}; // set by `layout`

    // Lays the dialog out for the screen's current size: sets `frame`.
    std::function<void()> layout{};
    // Draws the content; the frame, the separator and the buttons are
    // already drawn.
    std::function<void()> draw{};
    // A key that the dialog handles itself, offered before any other
    // handling: true when it took the key (the dialog is then drawn anew).
    std::function<bool(const key_event &)> key{};
    // A mouse event that is no click on the button row: true to draw anew.
    std::function<bool(const mouse_event &)> mouse{};
};

// The caller's settings, or the defaults when there are none.
boxkit_conf settings_of(const boxkit_conf *conf);

// Whether a dialog of `count` items (a "menu" or a "form", as `what` says)
// may open: the terminal is taken over, the count is not negative and items
// come with it. Sets the error text when not.
bool can_open(long long count, const void *items, const char *what);

// Lays out and draws `d` once (the information box stops here).
void show_dialog(dialog &d);

// Shows `d` and runs it until it closes: the code of the pressed button, or
// BOXKIT_OK when Enter is pressed with no button focused, BOXKIT_ESC, or
// BOXKIT_ERROR when the terminal failed.
int run_dialog(dialog &d);

// The message box (`wait`: buttons, keys, the closing code) and the
// information box (drawn, BOXKIT_OK at once).
int text_dialog(const boxkit_conf &conf, const char *text, int height, int width, bool wait);

} // namespace boxkit
