// The screen's cells on ncursesw: each write of screen.h becomes one cell of
// stdscr in the look of its role; show() sends the changes to the terminal.
#include <new>

#include "platform/boxkit/curses_look.h"
#include "platform/boxkit/screen.h"
#include "platform/boxkit/text_layout.h"

namespace boxkit {

static_assert(max_cell_chars < CCHARW_MAX, "a cell's code points and its NUL fit a cchar_t");

namespace {

attr_t glyph_attrs(uint8_t attrs) {
    attr_t a = A_NORMAL;
    if (attrs & glyph_bold)
        a |= A_BOLD;
    if (attrs & glyph_underline)
        a |= A_UNDERLINE;
    return a;
}

const cchar_t *line_char(line_piece piece) {
    switch (piece) {
    case line_piece::horizontal:
        return WACS_HLINE;
    case line_piece::vertical:
        return WACS_VLINE;
    case line_piece::top_left:
        return WACS_ULCORNER;
    case line_piece::top_right:
        return WACS_URCORNER;
    case line_piece::bottom_left:
        return WACS_LLCORNER;
    case line_piece::bottom_right:
        return WACS_LRCORNER;
    case line_piece::left_tee:
        return WACS_LTEE;
    case line_piece::right_tee:
        return WACS_RTEE;
    }
    return WACS_HLINE;
}

} // namespace

struct saved_screen {
    WINDOW *copy;
};

int screen_lines() {
    return LINES;
}

int screen_cols() {
    return COLS;
}

void put_cell(int y, int x, const char32_t *chars, size_t count, uint8_t attrs, role r) {
    wchar_t text[CCHARW_MAX + 1] = {};
    for (size_t i = 0; i < count && i < max_cell_chars; ++i)
        text[i] = static_cast<wchar_t>(chars[i]);
    const look l = look_of(r);
    cchar_t cell;
    setcchar(&cell, text, l.attrs | glyph_attrs(attrs), l.pair, nullptr);
    mvadd_wch(y, x, &cell);
}

// A line-drawing character in the look of `r`, keeping the attributes that
// the character itself needs (the alternate character set on some terminals).
void put_line(int y, int x, line_piece piece, role r) {
    wchar_t chars[CCHARW_MAX + 1] = {};
    attr_t attrs = 0;
    short pair = 0;
    getcchar(line_char(piece), chars, &attrs, &pair, nullptr);
    const look l = look_of(r);
    cchar_t cell;
    setcchar(&cell, chars, (attrs & ~A_COLOR) | l.attrs, l.pair, nullptr);
    mvadd_wch(y, x, &cell);
}

void show() {
    wnoutrefresh(stdscr);
    doupdate();
}

void place_cursor(int y, int x) {
    move(y, x);
    curs_set(1);
}

void hide_cursor() {
    curs_set(0);
}

void saved_screen_deleter::operator()(saved_screen *saved) const {
    if (saved)
        delwin(saved->copy);
    delete saved;
}

saved_screen_ptr save_screen() {
    WINDOW *copy = dupwin(stdscr);
    if (!copy)
        return nullptr;
    saved_screen *saved = new (std::nothrow) saved_screen{copy};
    if (!saved)
        delwin(copy);
    return saved_screen_ptr(saved);
}

void restore_screen(const saved_screen &saved) {
    overwrite(saved.copy, stdscr);
}

} // namespace boxkit
