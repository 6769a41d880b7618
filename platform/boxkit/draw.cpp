#include "platform/boxkit/draw.h"

#include <algorithm>

#include "platform/boxkit.h"
#include "platform/boxkit/error.h"

namespace boxkit {

namespace {

bool inside(rect r, int y, int x) {
    return y >= r.top && y < r.top + r.height && x >= r.left && x < r.left + r.width;
}

rect screen_rect() {
    return {0, 0, screen_lines(), screen_cols()};
}

rect intersect(rect a, rect b) {
    const int top = std::max(a.top, b.top);
    const int left = std::max(a.left, b.left);
    const int bottom = std::min(a.top + a.height, b.top + b.height);
    const int right = std::min(a.left + a.width, b.left + b.width);
    return {top, left, std::max(bottom - top, 0), std::max(right - left, 0)};
}

void put_char(int y, int x, char32_t ch, role look) {
    put_cell(y, x, &ch, 1, 0, look);
}

void put_blank(int y, int x, role look) {
    put_char(y, x, U' ', look);
}

void put_piece(int y, int x, line_piece piece, role look) {
    if (inside(screen_rect(), y, x))
        put_line(y, x, piece, look);
}

} // namespace

void fill(rect r, role look) {
    const rect area = intersect(r, screen_rect());
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            put_blank(y, x, look);
}

void fill_backdrop() {
    fill(screen_rect(), role::backdrop);
}

void draw_border(rect r, role look) {
    if (r.height <= 0 || r.width <= 0)
        return;
    const int bottom = r.top + r.height - 1;
    const int right = r.left + r.width - 1;
    for (int x = r.left + 1; x < right; ++x) {
        put_piece(r.top, x, line_piece::horizontal, look);
        put_piece(bottom, x, line_piece::horizontal, look);
    }
    for (int y = r.top + 1; y < bottom; ++y) {
        put_piece(y, r.left, line_piece::vertical, look);
        put_piece(y, right, line_piece::vertical, look);
    }
    put_piece(r.top, r.left, line_piece::top_left, look);
    put_piece(r.top, right, line_piece::top_right, look);
    put_piece(bottom, r.left, line_piece::bottom_left, look);
    put_piece(bottom, right, line_piece::bottom_right, look);
}

void draw_separator(rect r, int row, role look) {
    if (row <= 0 || row >= r.height - 1 || r.width < 2)
        return;
    const int y = r.top + row;
    put_piece(y, r.left, line_piece::left_tee, look);
    for (int x = r.left + 1; x < r.left + r.width - 1; ++x)
        put_piece(y, x, line_piece::horizontal, look);
    put_piece(y, r.left + r.width - 1, line_piece::right_tee, look);
}

int draw_glyphs(int y, int x, const std::vector<glyph> &glyphs, size_t begin, size_t end,
                int max_cols, role look, rect clip) {
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
        // The base character and the combining marks that fit in one cell.
        char32_t chars[max_cell_chars];
        size_t n = 0;
        chars[n++] = g.cp;
        size_t j = i + 1;
        while (j < end && glyphs[j].width == 0 && glyphs[j].cp != '\n') {
            if (n < max_cell_chars)
                chars[n++] = glyphs[j].cp;
            ++j;
        }
        const int cx = x + col;
        if (col + g.width > max_cols)
            break;
        if (g.width == 2 && !(inside(clip, y, cx) && inside(clip, y, cx + 1))) {
            // Half a wide character would show: a blank stands in for it.
            if (inside(clip, y, cx))
                put_blank(y, cx, look);
            if (inside(clip, y, cx + 1))
                put_blank(y, cx + 1, look);
        } else if (inside(clip, y, cx)) {
            put_cell(y, cx, chars, n, g.attrs, look);
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

void draw_frame(rect box, const char *title) {
    fill(box, role::box);
    draw_border(box, role::border);
    draw_title(box, title);
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
        if (inside(clip, y, x))
            put_char(y, x, U'<', face);
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
            put_char(y, x, U'>', face);
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

} // namespace boxkit

using namespace boxkit;

int boxkit_clear(int row) {
    if (!screen_active())
        return fail_inactive();
    if (row < 0)
        row = 0;
    fill({row, 0, screen_lines() - row, screen_cols()}, role::backdrop);
    show();
    return BOXKIT_OK;
}
