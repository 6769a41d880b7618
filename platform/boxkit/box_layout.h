// Where a dialog goes on the screen and where its buttons go in it. Pure
// functions of the screen size and the settings; nothing touches the terminal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/boxkit.h"
#include "platform/boxkit/text_layout.h"

namespace boxkit {

struct rect {
    int top;
    int left;
    int height;
    int width;
};

// The part of a `lines` x `cols` screen that dialogs may use: the rows between
// the top and bottom margins. Margins that would leave no row are ignored.
rect usable_area(int lines, int cols, uint32_t top_margin, uint32_t bottom_margin);

// One extent (height or width) of a box. A `requested` extent above 0 is kept
// when it fits `available` and shrunk when it does not; 0 or less means
// automatic: `content`, at least `minimum`, at most `available`.
int choose_extent(int requested, uint64_t content, uint32_t minimum, int available);

// A box of `height` x `width` centred in `area` (clipped to it).
rect centre_box(rect area, int height, int width);

// Columns of an automatic width: the whole screen but for a blank column on
// each side, when the screen is wide enough to spare them.
int auto_width_limit(int cols);

struct button {
    std::string label;
    int code;
};

// The buttons of a dialog in the order shown: left buttons, OK, Cancel (when
// the dialog has one), right button; hidden ones left out.
std::vector<button> dialog_buttons(const boxkit_conf &conf, bool has_cancel);

// Width of a button as drawn, "<label>".
uint64_t button_width(const button &b, bool utf8);

// Total width of a row of buttons with the usual gaps between them.
uint64_t buttons_width(const std::vector<button> &buttons, bool utf8);

// Left column of each button in a row `width` columns wide: the group
// centred, with gaps of 2, or of 1 and from the left edge when that is
// too wide. Columns may lie beyond `width`; the drawing clips them.
std::vector<uint64_t> button_columns(const std::vector<button> &buttons, int width, bool utf8);

// Index of the button whose label starts with the letter `key` (either case),
// the first one when several do; -1 for none or for a key that is no ASCII letter
// or digit.
int shortcut_button(const std::vector<button> &buttons, int key);

} // namespace boxkit
