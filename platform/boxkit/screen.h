// The terminal that boxkit has taken over: its state, its error text, the
// look of each part of a dialog, and the drawing primitives. Every write to
// the screen goes through these functions, which clip to the screen and to
// the given rectangle, so that nothing is ever drawn past either.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/boxkit/box_layout.h"
#include "platform/boxkit/text_layout.h"

namespace boxkit {

// Whether boxkit_init() succeeded and boxkit_end() has not run since.
bool screen_active();
// Sets the text returned by boxkit_geterror(); printf-style.
void set_error(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Fails a dialog call that came before boxkit_init().
int fail_inactive();
// Whether the locale encodes UTF-8.
bool utf8_locale();
// The screen's current size.
int screen_lines();
int screen_cols();

// The parts of the screen that have a look of their own.
enum class role {
    backdrop,
    box,
    border,
    title,
    button,
    button_active,
    button_key,
    button_key_active,
    item,
    item_active,
    field,
    indicator,
    bottom_text,
};

// Fills `r` with blanks of `look`.
void fill(rect r, role look);
// Fills the whole screen with the backdrop.
void fill_backdrop();
// A single-line border around `r`, and a horizontal line joining it at row
// `r.top + row` when `row` > 0.
void draw_border(rect r, role look);
void draw_separator(rect r, int row, role look);
// Draws glyphs [begin, end) from column `x` of screen row `y`, at most
// `max_cols` columns, inside `clip`. Returns the columns drawn.
int draw_glyphs(int y, int x, const std::vector<glyph> &glyphs, size_t begin, size_t end,
                int max_cols, role look, rect clip);
// Decodes and draws one line of text.
int draw_text(int y, int x, std::string_view text, text_style style, int max_cols, role look,
              rect clip);
// The title centred in the top border of `box`.
void draw_title(rect box, const char *title);
// A row of buttons at screen row `y` inside `box`; `focused` is an index or -1.
void draw_buttons(rect box, int y, const std::vector<button> &buttons, int focused, bool shortcuts);
// Index of the button at screen column `x` of a row drawn by draw_buttons, or -1.
int button_at(rect box, const std::vector<button> &buttons, int x);
// A short text such as "12/100" right-aligned in row `y` of `box`.
void draw_indicator(rect box, int y, std::string_view text);
// Sends what was drawn to the terminal.
void show();

// A key or event read from the terminal.
struct key_event {
    enum kind_t { character, function, error } kind;
    int code; // the character (a code point) or the KEY_ code
};
// Blocks for the next key. After the terminal has gone (end of input), every
// call returns an error event.
key_event read_key();

// A mouse event: screen position and what happened.
struct mouse_event {
    int y;
    int x;
    enum action_t { none, click, wheel_up, wheel_down } action;
};
// Reads the pending mouse event after read_key() returned KEY_MOUSE.
mouse_event read_mouse();

} // namespace boxkit
