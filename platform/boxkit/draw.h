// Drawing for the dialogs: blanks, borders, text, titles, buttons. Every
// function clips to the screen and to the rectangle it is given before it
// writes a cell through screen.h, so that nothing is ever drawn past either,
// and only glyphs from text_layout (never a control character) are written.
#pragma once

#include <string_view>
#include <vector>

#include "platform/boxkit/box_layout.h"
#include "platform/boxkit/screen.h"
#include "platform/boxkit/text_layout.h"

namespace boxkit {

// Fills `r` with blanks of `look`.
void fill(rect r, role look);
// Fills the whole screen with the backdrop.
void fill_backdrop();
// A single-line border around `r`.
void draw_border(rect r, role look);
// A horizontal line across `r` at row `r.top + row`, joining its border;
// nothing when `row` is 0 or not inside `r`.
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
// The frame of a box: background, border, title.
void draw_frame(rect box, const char *title);
// A row of buttons at screen row `y` inside `box`; `focused` is an index or -1.
void draw_buttons(rect box, int y, const std::vector<button> &buttons, int focused, bool shortcuts);
// Index of the button at screen column `x` of a row drawn by draw_buttons, or -1.
int button_at(rect box, const std::vector<button> &buttons, int x);
// A short text such as "12/100" right-aligned in row `y` of `box`.
void draw_indicator(rect box, int y, std::string_view text);

} // namespace boxkit
