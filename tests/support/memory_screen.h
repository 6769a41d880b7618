// An in-memory terminal for boxkit: the second implementation of
// platform/boxkit/screen.h, with its own boxkit_init and boxkit_end. Linked
// in place of the ncurses one (target boxkit_memory), it runs the real
// dialogs in the test's own process: the screen is a grid of cells that
// remembers each cell's text, role and attributes, and the input is a script
// of keys, mouse events and resizes queued before the dialog is called.
//
//   memory_screen::reset(80, 24);
//   boxkit_init();
//   memory_screen::press(boxkit::function_key::down);
//   memory_screen::then([] { EXPECT_NE(memory_screen::find("row 1"), memory_screen::nowhere); });
//   memory_screen::type("\r");
//   int rc = boxkit_menu(...);
//
// When the script runs out, reading a key fails as on a terminal that has
// gone, and the open dialog returns BOXKIT_ERROR: a test never hangs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/boxkit/keys.h"
#include "platform/boxkit/screen.h"

namespace memory_screen {

// Forgets the screen, the script and the counters, and sets the size and
// the locale's encoding that the next boxkit_init() takes.
void reset(int lines = 24, int cols = 80, bool utf8 = true);

// The script, read in order.
// Each character of `utf8_text` as typed (invalid bytes are dropped).
void type(std::string_view utf8_text);
void press(boxkit::function_key key, int times = 1);
void click(int y, int x);
void wheel_up(int y, int x);
void wheel_down(int y, int x);
// The terminal takes the new size and the dialog reads a resize.
void resize(int lines, int cols);
// Runs `check` when the script reaches it, then reads on: for looking at the
// screen between two keys. What `check` queues is read next, before the rest
// of the script (a click where the screen shows something, say).
void then(std::function<void()> check);
// Entries not read yet.
size_t unread();

// What a cell shows.
struct cell {
    std::u32string text; // the character and its marks; empty: the right half of a wide one
    boxkit::role look;
    uint8_t attrs; // glyph_bold, glyph_underline
    bool operator==(const cell &) const = default;
};

int lines();
int cols();
const cell &at(int y, int x);
// Every cell, row by row: for comparing a whole screen with an earlier one.
std::vector<cell> cells();
// Row `y` as UTF-8 text, border pieces as box-drawing characters, trailing
// blanks removed.
std::string row(int y);
// Every row, each ended by '\n'.
std::string text();

struct position {
    int y;
    int x; // in columns
    bool operator==(const position &) const = default;
};
inline constexpr position nowhere{-1, -1};
// Where `part` first starts on the screen, row by row, or `nowhere`.
position find(std::string_view part);
// The role and attributes of the cells from `where` for `columns` columns are
// all `look` (and, unless `attrs` is -1, `attrs`).
bool looks(position where, int columns, boxkit::role look, int attrs = -1);

// The terminal's cursor: shown, and where.
bool cursor_shown();
position cursor();

// Writes that fell outside the screen (boxkit must never make one).
int stray_writes();
// How often the screen was sent to the terminal.
int shows();

} // namespace memory_screen
