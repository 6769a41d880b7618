// Drawing primitives. Each cell is checked against the screen and the clip
// rectangle before it is written, and only glyphs from text_layout (never a
// control character) reach the terminal.
#include <algorithm>
#include <cwchar>

#include "platform/boxkit/curses_look.h"
#include "platform/boxkit/screen.h"

namespace boxkit {

namespace {

bool inside(rect r, int y, int x) {
    return y >= r.top && y < r.top + r.height && x >= r.left && x < r.left + r.width;
}

rect screen_rect() {
    return {0, 0, LINES, COLS};
}

rect intersect(rect a, rect b) {
    const int top = std::max(a.top, b.top);
    const int left = std::max(a.left, b.left);
    const int bottom = std::min(a.top + a.height, b.top + b.height);
    const int right = std::min(a.left + a.width, b.left + b.width);
    return {top, left, std::max(bottom - top, 0), std::max(right - left, 0)};
}

attr_t glyph_attrs(uint8_t attrs) {
    attr_t a = A_NORMAL;
    if (attrs & glyph_bold)
        a |= A_BOLD;
    if (attrs & glyph_underline)
        a |= A_UNDERLINE;
    return a;
}

void put_cell(int y, int x, const wchar_t *chars, attr_t extra, role r) {
    const look l = look_of(r);
    cchar_t cell;
    setcchar(&cell, chars, l.attrs | extra, l.pair, nullptr);
    mvadd_wch(y, x, &cell);
}

void put_blank(int y, int x, role r) {
    const wchar_t blank[] = {L' ', 0};
    put_cell(y, x, blank, A_NORMAL, r);
}

} // namespace

int screen_lines() {
    return LINES;
}
int screen_cols() {
    return COLS;
}

void fill(rect r, role look) {
    const rect area = intersect(r, screen_rect());
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            put_blank(y, x, look);
}

void fill_backdrop() {
    fill(screen_rect(), role::backdrop);
}

// A line-drawing character in the look of `r`, keeping the attributes that
// the character itself needs (the alternate character set on some terminals).
static void put_line_char(int y, int x, const cchar_t *c, role r) {
    if (!inside(screen_rect(), y, x))
        return;
    wchar_t chars[CCHARW_MAX + 1] = {};
    attr_t attrs = 0;
    short pair = 0;
    getcchar(c, chars, &attrs, &pair, nullptr);
    const look l = look_of(r);
    cchar_t cell;
    setcchar(&cell, chars, (attrs & ~A_COLOR) | l.attrs, l.pair, nullptr);
    mvadd_wch(y, x, &cell);
}

void draw_border(rect r, role look_role) {
    if (r.height <= 0 || r.width <= 0)
        return;
    const int bottom = r.top + r.height - 1;
    const int right = r.left + r.width - 1;
    for (int x = r.left + 1; x < right; ++x) {
        put_line_char(r.top, x, WACS_HLINE, look_role);
        put_line_char(bottom, x, WACS_HLINE, look_role);
    }
    for (int y = r.top + 1; y < bottom; ++y) {
        put_line_char(y, r.left, WACS_VLINE, look_role);
        put_line_char(y, right, WACS_VLINE, look_role);
    }
    put_line_char(r.top, r.left, WACS_ULCORNER, look_role);
    put_line_char(r.top, right, WACS_URCORNER, look_role);
    put_line_char(bottom, r.left, WACS_LLCORNER, look_role);
    put_line_char(bottom, right, WACS_LRCORNER, look_role);
}

void draw_separator(rect r, int row, role look_role) {
    if (row <= 0 || row >= r.height - 1 || r.width < 2)
        return;
    const int y = r.top + row;
    put_line_char(y, r.left, WACS_LTEE, look_role);
    for (int x = r.left + 1; x < r.left + r.width - 1; ++x)
        put_line_char(y, x, WACS_HLINE, look_role);
    put_line_char(y, r.left + r.width - 1, WACS_RTEE, look_role);
}

int draw_glyphs(int y, int x, const std::vector<glyph> &glyphs, size_t begin, size_t end,
                int max_cols, role look_role, rect clip) {
    clip = intersect(clip, screen_rect());
    if (max_cols <= 0 || y < clip.top || y >= clip.top + clip.height)
        return 0;
    end = std::min(end, glyphs.size());
    int col = 0;
    size_t i = begin;
    while (i < end && col < max_cols) {
        const glyph &g = glyphs[i];
        if (g.cp == '\n')
            break;
        if (g.width == 0) { // a combining mark without its base here
            ++i;
            continue;
        }
        // The base character and up to CCHARW_MAX - 1 combining marks.
        wchar_t chars[CCHARW_MAX + 1] = {};
        int n = 0;
        chars[n++] = static_cast<wchar_t>(g.cp);
        size_t j = i + 1;
        while (j < end && glyphs[j].width == 0 && glyphs[j].cp != '\n') {
            if (n < CCHARW_MAX - 1)
                chars[n++] = static_cast<wchar_t>(glyphs[j].cp);
            ++j;
        }
        const int cx = x + col;
        if (col + g.width > max_cols)
            break;
        if (g.width == 2 && !(inside(clip, y, cx) && inside(clip, y, cx + 1))) {
            // Half a wide character would show: a blank stands in for it.
            if (inside(clip, y, cx))
                put_blank(y, cx, look_role);
            if (inside(clip, y, cx + 1))
                put_blank(y, cx + 1, look_role);
        } else if (inside(clip, y, cx)) {
            put_cell(y, cx, chars, glyph_attrs(g.attrs), look_role);
        }
        col += g.width;
        i = j;
    }
    return col;
}

int draw_text(int y, int x, std::string_view text, text_style style, int max_cols, role look,
              rect clip) {
    style.multiline = false;
    const std::vector<glyph> glyphs = decode_text(text, style);
    return draw_glyphs(y, x, glyphs, 0, glyphs.size(), max_cols, look, clip);
}

void draw_title(rect box, const char *title) {
    if (!title || !*title || box.width < 3)
        return;
    const text_style style{utf8_locale(), false, false};
    const std::vector<glyph> glyphs = decode_text(title, style);
    const int room = box.width - 2;
    uint64_t used = 0;
    const size_t end = fit_glyphs(glyphs, 0, glyphs.size(), static_cast<uint64_t>(room), &used);
    const int x = box.left + 1 + (room - static_cast<int>(used)) / 2;
    draw_glyphs(box.top, x, glyphs, 0, end, room, role::title, box);
}

void draw_buttons(rect box, int y, const std::vector<button> &buttons, int focused,
                  bool shortcuts) {
    const bool utf8 = utf8_locale();
    const int room = box.width - 2;
    // A box squeezed to a single row has no row for its buttons: they would
    // land above it, outside the box.
    if (room <= 0 || y < box.top || y >= box.top + box.height)
        return;
    const rect clip{y, box.left + 1, 1, room};
    const std::vector<uint64_t> cols = button_columns(buttons, room, utf8);
    const text_style style{utf8, false, false};
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (cols[i] >= static_cast<uint64_t>(room))
            break;
        const bool active = static_cast<int>(i) == focused;
        const role face = active ? role::button_active : role::button;
        const role key = active ? role::button_key_active : role::button_key;
        int x = box.left + 1 + static_cast<int>(cols[i]);
        const int end_x = box.left + 1 + room;
        std::vector<glyph> glyphs = decode_text(buttons[i].label, style);
        const wchar_t lt[] = {L'<', 0};
        const wchar_t gt[] = {L'>', 0};
        if (inside(clip, y, x))
            put_cell(y, x, lt, A_NORMAL, face);
        ++x;
        // The first letter is marked when it is the key that presses this
        // button: not when it is no letter or digit, nor when an earlier
        // button starts with the same letter and takes the key.
        int used = 0;
        if (!glyphs.empty()) {
            size_t first_end = 1;
            while (first_end < glyphs.size() && glyphs[first_end].width == 0)
                ++first_end;
            const bool marked =
                shortcuts &&
                shortcut_button(buttons, static_cast<unsigned char>(buttons[i].label[0])) ==
                    static_cast<int>(i);
            used = draw_glyphs(y, x, glyphs, 0, first_end, end_x - x, marked ? key : face, clip);
            used += draw_glyphs(y, x + used, glyphs, first_end, glyphs.size(), end_x - x - used,
                                face, clip);
        }
        x += used;
        if (inside(clip, y, x))
            put_cell(y, x, gt, A_NORMAL, face);
    }
}

int button_at(rect box, const std::vector<button> &buttons, int x) {
    const bool utf8 = utf8_locale();
    const int room = box.width - 2;
    const std::vector<uint64_t> cols = button_columns(buttons, room, utf8);
    const int rel = x - box.left - 1;
    if (rel < 0)
        return -1;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const uint64_t w = button_width(buttons[i], utf8);
        if (static_cast<uint64_t>(rel) >= cols[i] && static_cast<uint64_t>(rel) < cols[i] + w)
            return static_cast<int>(i);
    }
    return -1;
}

void draw_indicator(rect box, int y, std::string_view text) {
    const int w = static_cast<int>(text.size());
    const int x = box.left + box.width - 2 - w;
    if (x <= box.left)
        return;
    draw_text(y, x, text, {false, false, false}, w, role::indicator, box);
}

void show() {
    wnoutrefresh(stdscr);
    doupdate();
}

key_event read_key() {
    // A read fails for good once the terminal has gone (end of input); a few
    // retries tell that apart from an interrupted read.
    for (int tries = 0; tries < 64; ++tries) {
        wint_t ch = 0;
        const int r = get_wch(&ch);
        if (r == KEY_CODE_YES)
            return {key_event::function, static_cast<int>(ch)};
        if (r != ERR)
            return {key_event::character, static_cast<int>(ch)};
    }
    set_error("cannot read from the terminal");
    return {key_event::error, 0};
}

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

} // namespace boxkit
