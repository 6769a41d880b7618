// Where a dialog goes on the screen and where its buttons go in it. Pure
// functions of the screen size and the settings; nothing touches the terminal.
#pragma once

#include <cstdint>
#include <functional>
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

// The frame around every dialog's content: a border, a blank column inside
// it on each side, and under the content a separator line and the row of
// buttons (when the dialog has buttons).
inline constexpr int border_rows = 2;            // top and bottom border
inline constexpr int side_cols = 2;              // border and blank column, each side
inline constexpr int frame_cols = 2 * side_cols; // columns around the content
inline constexpr int button_rows = 2;            // separator and button row
inline constexpr int title_padding = 2;          // a blank each side of the title
inline constexpr int button_row_from_bottom = 2; // the button row, above the border
inline constexpr int separator_from_bottom = 3;  // the separator, above the button row

// What a dialog asks of its frame.
struct frame_request {
    int height; // the caller's size; 0 or less: automatic
    int width;
    uint64_t content_width; // columns the content needs (the buttons and the title are added)
    bool button_row;        // a separator and a row of buttons under the content
    int min_body_rows;      // fewer content rows than this: the separator gives its row up
};

// Where a dialog and its parts go on the screen.
struct dialog_frame {
    rect box;          // the whole box, border included
    rect body;         // the content's rows and columns, inside the border's blank columns
    int separator_row; // row of the separator from the box's top; 0: none
    int button_y;      // screen row of the buttons
};

// Lays out a dialog on a `lines` x `cols` screen, inside the margins of
// `conf`: the width from the content, the buttons and the title (see
// choose_extent; an automatic width keeps a blank column each side of the
// screen), then the height from `content_rows(body width)`, the rows of the
// content at that width, and `conf.min_height`. The box is centred.
dialog_frame lay_out_dialog(const boxkit_conf &conf, int lines, int cols,
                            const frame_request &request, const std::vector<button> &buttons,
                            bool utf8, const std::function<uint64_t(int)> &content_rows);

// Index of the button whose label starts with the letter `key` (either case),
// the first one when several do; -1 for none or for a key that is no ASCII letter
// or digit.
int shortcut_button(const std::vector<button> &buttons, int key);

} // namespace boxkit
