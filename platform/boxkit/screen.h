// The terminal under boxkit: every write to the screen and every key read
// goes through these functions and nothing else. They are implemented twice:
// on ncursesw for the program (curses_screen.cpp, curses_input.cpp,
// terminal.cpp) and in memory for the tests (tests/support/memory_screen.cpp),
// each with its own boxkit_init and boxkit_end. The dialogs, their layout and
// their drawing (draw.h) are written against this header alone and never see
// the terminal's own codes.
//
// The writes are cell-sized and trust their caller to have clipped to the
// screen: draw.h does that before every write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/boxkit/keys.h"

namespace boxkit {

// Whether boxkit_init() succeeded and boxkit_end() has not run since.
bool screen_active();
// Whether the locale encodes UTF-8 (decided when the terminal was taken over).
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

// The most code points one cell holds: a character and its combining marks.
inline constexpr size_t max_cell_chars = 4;

// Writes one cell at row `y`, column `x`: `count` code points (1 to
// max_cell_chars), a character of display width 1 or 2 and the combining
// marks drawn on it, never a control character. `attrs` holds glyph_bold and
// glyph_underline (text_layout.h) on top of the look of `look`. A wide
// character takes the cell right of `x` too.
void put_cell(int y, int x, const char32_t *chars, size_t count, uint8_t attrs, role look);

// The pieces of a single-line border.
enum class line_piece {
    horizontal,
    vertical,
    top_left,
    top_right,
    bottom_left,
    bottom_right,
    left_tee,  // a horizontal line joining a vertical one from the right: ├
    right_tee, // ┤
};
// Writes a line-drawing piece in the look of `look`.
void put_line(int y, int x, line_piece piece, role look);

// Sends what was written since the last call to the terminal.
void show();

// Shows the terminal's cursor at row `y`, column `x` (from the next show()),
// or hides it.
void place_cursor(int y, int x);
void hide_cursor();

// A copy of what the screen shows, to be put back after a box covered it.
struct saved_screen;
struct saved_screen_deleter {
    void operator()(saved_screen *copy) const;
};
using saved_screen_ptr = std::unique_ptr<saved_screen, saved_screen_deleter>;
// Null when no copy could be made.
saved_screen_ptr save_screen();
// Puts the copy back; the screen still has the size it had when it was saved.
void restore_screen(const saved_screen &copy);

// Blocks for the next key, mouse event or resize. Once the terminal has gone
// (end of input) every call returns an error event, and boxkit_geterror()
// tells why. This is the one place where input enters the dialogs.
key_event read_key();

} // namespace boxkit
