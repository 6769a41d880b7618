#include "tests/support/memory_screen.h"

#include <algorithm>
#include <cwchar>
#include <deque>
#include <iterator>
#include <vector>

#include "platform/boxkit.h"
#include "platform/boxkit/error.h"
#include "platform/boxkit/field_editor.h"

namespace memory_screen {

namespace {

using boxkit::key_event;
using boxkit::role;

struct grid {
    int lines = 0;
    int cols = 0;
    std::vector<cell> cells; // row by row

    cell &at(int y, int x) { return cells[static_cast<size_t>(y * cols + x)]; }
};

cell blank() {
    return {U" ", role::backdrop, 0};
}

grid sized(int lines, int cols) {
    grid g;
    g.lines = std::max(lines, 0);
    g.cols = std::max(cols, 0);
    g.cells.assign(static_cast<size_t>(g.lines * g.cols), blank());
    return g;
}

// One entry of the script: an event to read, a resize, or a check to run.
struct entry {
    key_event event;
    int lines = 0, cols = 0; // a resize
    std::function<void()> check{};
};

struct terminal {
    bool active = false;
    bool utf8 = true;
    int start_lines = 24, start_cols = 80;
    grid screen;
    std::deque<entry> script;
    bool cursor_shown = false;
    position cursor{0, 0};
    int stray_writes = 0;
    int shows = 0;
};

terminal term;

void queue(key_event event) {
    term.script.push_back({event});
}

void queue_mouse(int y, int x, boxkit::mouse_event::action_t action) {
    key_event event{key_event::mouse};
    event.pointer = {y, x, action};
    queue(event);
}

bool on_screen(int y, int x) {
    return y >= 0 && y < term.screen.lines && x >= 0 && x < term.screen.cols;
}

// Writes `c` at (y, x) as a terminal does: a character written over half of
// a wide one blanks its other half.
void write_cell(int y, int x, cell c, bool wide) {
    if (!on_screen(y, x) || (wide && !on_screen(y, x + 1))) {
        ++term.stray_writes;
        return;
    }
    grid &g = term.screen;
    if (g.at(y, x).text.empty() && x > 0)
        g.at(y, x - 1) = blank();
    const int last = wide ? x + 1 : x;
    if (last + 1 < g.cols && g.at(y, last + 1).text.empty())
        g.at(y, last + 1) = blank();
    g.at(y, x) = c;
    if (wide)
        g.at(y, x + 1) = {U"", c.look, c.attrs};
}

char32_t line_char(boxkit::line_piece piece) {
    switch (piece) {
    case boxkit::line_piece::horizontal:
        return U'─';
    case boxkit::line_piece::vertical:
        return U'│';
    case boxkit::line_piece::top_left:
        return U'┌';
    case boxkit::line_piece::top_right:
        return U'┐';
    case boxkit::line_piece::bottom_left:
        return U'└';
    case boxkit::line_piece::bottom_right:
        return U'┘';
    case boxkit::line_piece::left_tee:
        return U'├';
    case boxkit::line_piece::right_tee:
        return U'┤';
    }
    return U'?';
}

// The code points of a UTF-8 text; a byte that starts no valid sequence is dropped.
std::u32string decode_utf8(std::string_view text) {
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const size_t extra = b < 0x80    ? 0
                             : b >= 0xF8 ? 9
                             : b >= 0xF0 ? 3
                             : b >= 0xE0 ? 2
                             : b >= 0xC0 ? 1
                                         : 9;
        bool valid = i + extra < text.size();
        char32_t cp = extra == 0 ? b : b & (0x3Fu >> extra);
        for (size_t k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!valid) {
            ++i;
            continue;
        }
        out += cp;
        i += extra + 1;
    }
    return out;
}

} // namespace

void reset(int lines, int cols, bool utf8) {
    term = terminal{};
    term.start_lines = lines;
    term.start_cols = cols;
    term.utf8 = utf8;
}

void type(std::string_view utf8_text) {
    for (char32_t cp : decode_utf8(utf8_text))
        queue(boxkit::character_key(cp));
}

void press(boxkit::function_key key, int times) {
    for (int i = 0; i < times; ++i)
        queue(boxkit::function_key_event(key));
}

void click(int y, int x) {
    queue_mouse(y, x, boxkit::mouse_event::click);
}

void wheel_up(int y, int x) {
    queue_mouse(y, x, boxkit::mouse_event::wheel_up);
}

void wheel_down(int y, int x) {
    queue_mouse(y, x, boxkit::mouse_event::wheel_down);
}

void resize(int lines, int cols) {
    entry e{boxkit::function_key_event(boxkit::function_key::resize)};
    e.lines = lines;
    e.cols = cols;
    term.script.push_back(e);
}

void then(std::function<void()> check) {
    entry e{{key_event::error}};
    e.check = std::move(check);
    term.script.push_back(std::move(e));
}

size_t unread() {
    return term.script.size();
}

int lines() {
    return term.screen.lines;
}

int cols() {
    return term.screen.cols;
}

const cell &at(int y, int x) {
    static const cell outside = {U"", role::backdrop, 0};
    return on_screen(y, x) ? term.screen.at(y, x) : outside;
}

std::vector<cell> cells() {
    return term.screen.cells;
}

std::string row(int y) {
    std::string out;
    for (int x = 0; x < term.screen.cols && y >= 0 && y < term.screen.lines; ++x)
        for (char32_t cp : term.screen.at(y, x).text)
            out += boxkit::encode_utf8(cp);
    out.erase(out.find_last_not_of(' ') + 1);
    return out;
}

std::string text() {
    std::string out;
    for (int y = 0; y < term.screen.lines; ++y)
        out += row(y) + "\n";
    return out;
}

position find(std::string_view part) {
    const std::u32string wanted = decode_utf8(part);
    if (wanted.empty())
        return nowhere;
    for (int y = 0; y < term.screen.lines; ++y) {
        // The row's code points, and the column each one stands in.
        std::u32string line;
        std::vector<int> column;
        for (int x = 0; x < term.screen.cols; ++x)
            for (char32_t cp : term.screen.at(y, x).text) {
                line += cp;
                column.push_back(x);
            }
        const size_t at_index = line.find(wanted);
        if (at_index != std::u32string::npos)
            return {y, column[at_index]};
    }
    return nowhere;
}

bool looks(position where, int columns, role look, int attrs) {
    for (int x = where.x; x < where.x + columns; ++x) {
        if (!on_screen(where.y, x))
            return false;
        const cell &c = term.screen.at(where.y, x);
        if (c.look != look || (attrs >= 0 && c.attrs != attrs))
            return false;
    }
    return columns > 0;
}

bool cursor_shown() {
    return term.cursor_shown;
}

position cursor() {
    return term.cursor;
}

int stray_writes() {
    return term.stray_writes;
}

int shows() {
    return term.shows;
}

} // namespace memory_screen

// screen.h on the grid.
namespace boxkit {

using memory_screen::term;

struct saved_screen {
    memory_screen::grid copy;
};

bool screen_active() {
    return term.active;
}

bool utf8_locale() {
    return term.utf8;
}

int screen_lines() {
    return term.screen.lines;
}

int screen_cols() {
    return term.screen.cols;
}

void put_cell(int y, int x, const char32_t *chars, size_t count, uint8_t attrs, role look) {
    if (count == 0 || count > max_cell_chars) {
        ++term.stray_writes;
        return;
    }
    const bool wide = wcwidth(static_cast<wchar_t>(chars[0])) == 2;
    memory_screen::write_cell(y, x, {std::u32string(chars, count), look, attrs}, wide);
}

void put_line(int y, int x, line_piece piece, role look) {
    memory_screen::write_cell(y, x, {std::u32string(1, memory_screen::line_char(piece)), look, 0},
                              false);
}

void show() {
    ++term.shows;
}

void place_cursor(int y, int x) {
    term.cursor_shown = true;
    term.cursor = {y, x};
}

void hide_cursor() {
    term.cursor_shown = false;
}

void saved_screen_deleter::operator()(saved_screen *saved) const {
    delete saved;
}

saved_screen_ptr save_screen() {
    return saved_screen_ptr(new saved_screen{term.screen});
}

void restore_screen(const saved_screen &saved) {
    term.screen = saved.copy;
}

key_event read_key() {
    while (!term.script.empty()) {
        memory_screen::entry e = std::move(term.script.front());
        term.script.pop_front();
        if (e.check) {
            // What the check queues comes next, before the rest of the script.
            std::deque<memory_screen::entry> rest;
            rest.swap(term.script);
            e.check();
            term.script.insert(term.script.end(), std::make_move_iterator(rest.begin()),
                               std::make_move_iterator(rest.end()));
            continue;
        }
        if (e.event.is(function_key::resize)) {
            // Like a terminal's resize: what fits stays, the rest is blank.
            memory_screen::grid resized = memory_screen::sized(e.lines, e.cols);
            for (int y = 0; y < std::min(resized.lines, term.screen.lines); ++y)
                for (int x = 0; x < std::min(resized.cols, term.screen.cols); ++x)
                    resized.at(y, x) = term.screen.at(y, x);
            term.screen = std::move(resized);
        }
        return e.event;
    }
    set_error("cannot read from the terminal");
    return {key_event::error};
}

} // namespace boxkit

using memory_screen::term;

int boxkit_init(void) {
    if (term.active)
        return BOXKIT_OK;
    term.screen = memory_screen::sized(term.start_lines, term.start_cols);
    term.active = true;
    boxkit::show();
    return BOXKIT_OK;
}

int boxkit_end(void) {
    term.active = false;
    term.cursor_shown = true;
    return BOXKIT_OK;
}
