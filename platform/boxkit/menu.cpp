// The menu: a text, a scrolling list of rows, buttons, and the focused row's
// bottom text on the screen's last line. The rows are measured once when the
// menu opens; every key press then redraws only the rows on the screen.
#include <algorithm>
#include <string>

#include "platform/boxkit.h"
#include "platform/boxkit/dialog.h"
#include "platform/boxkit/draw.h"
#include "platform/boxkit/menu_layout.h"
#include "platform/boxkit/screen.h"
#include "platform/boxkit/text_view.h"

namespace boxkit {

namespace {

// The list's border takes a row above and below the rows, and a column each side.
constexpr int list_border = 2;
// Fewest rows the list keeps against a long text, when it has that many.
constexpr uint64_t list_min_rows = 3;

struct menu_geometry {
    rect text;
    rect frame;   // the list's border
    rect list;    // the rows inside it
    bool compact; // no room for the text, the list's border and the separator
};

class menu_dialog {
  public:
    menu_dialog(const boxkit_conf *conf, const char *text, int height, int width,
                unsigned list_height, int count, const boxkit_menuitem *items, int focus);

    // Runs the menu; `*focus` (unless null) receives the focused row.
    int run(int *focus) {
        const int rc = run_dialog(d_);
        if (focus)
            *focus = focus_;
        return rc;
    }

  private:
    void layout();
    void draw();
    void draw_row(int index);
    void draw_bottom_text();
    bool key(const key_event &key);
    bool mouse(const mouse_event &m);
    void move_focus(long long delta);
    void keep_focus_visible();

    dialog d_;
    int height_, width_;
    unsigned list_height_;
    int count_;
    const boxkit_menuitem *items_;
    bool utf8_;
    text_style row_style_;
    text_view text_;
    menu_columns columns_{};
    menu_geometry g_{};
    int focus_ = 0;
    int top_ = 0; // first row shown
};

menu_dialog::menu_dialog(const boxkit_conf *conf, const char *text, int height, int width,
                         unsigned list_height, int count, const boxkit_menuitem *items, int focus)
    : d_{settings_of(conf)}, height_(height), width_(width), list_height_(list_height),
      count_(count), items_(items), utf8_(utf8_locale()), row_style_{utf8_, d_.conf.markup, false} {
    d_.buttons = dialog_buttons(d_.conf, true);
    text_.glyphs = decode_text(text ? text : "", {utf8_, d_.conf.markup, true});
    columns_ =
        measure_menu(items, static_cast<size_t>(count), row_style_, d_.conf.menu_hide_descriptions);
    focus_ = count > 0 ? std::clamp(focus, 0, count - 1) : 0;
    d_.focused_button = d_.buttons.empty() ? -1 : 0;
    d_.layout = [this] { layout(); };
    d_.draw = [this] { draw(); };
    d_.key = [this](const key_event &k) { return key(k); };
    d_.mouse = [this](const mouse_event &m) { return mouse(m); };
}

void menu_dialog::layout() {
    const uint64_t rows = static_cast<uint64_t>(std::max(count_, 1));
    const uint64_t want = list_height_ > 0 ? std::min<uint64_t>(list_height_, rows) : rows;
    int text_lines = 0;
    const frame_request request{
        height_, width_, std::max(natural_width(text_.glyphs), columns_.row_width + list_border),
        true, static_cast<int>(list_min_rows)};
    d_.frame = lay_out_dialog(
        d_.conf, screen_lines(), screen_cols(), request, d_.buttons, utf8_, [&](int inner) {
            text_.wrap(inner);
            text_lines = static_cast<int>(std::min<size_t>(text_.lines.size(), 1u << 20));
            return static_cast<uint64_t>(text_lines) + want + list_border;
        });
    const rect &box = d_.frame.box;
    const rect &body = d_.frame.body;
    g_.compact = d_.frame.separator_row == 0;
    if (g_.compact) {
        // Too low for the text, the list's border and the separator: the rows
        // go straight between the top border and the buttons.
        g_.text = {body.top, body.left, 0, body.width};
        g_.frame = {box.top + 1, box.left + 1, 0, 0};
        g_.list = {box.top + 1, box.left + 1, body.height, std::max(box.width - 2, 0)};
    } else {
        const int remaining = body.height - list_border;
        const int list_min = static_cast<int>(std::min(want, list_min_rows));
        const int text_rows = std::min(text_lines, std::max(remaining - list_min, 0));
        const int list_rows = remaining - text_rows;
        g_.text = {body.top, body.left, text_rows, body.width};
        g_.frame = {body.top + text_rows, body.left, list_rows + list_border, body.width};
        g_.list = {g_.frame.top + 1, g_.frame.left + 1, list_rows,
                   std::max(body.width - list_border, 0)};
    }
    text_.top = 0;
    keep_focus_visible();
}

void menu_dialog::keep_focus_visible() {
    const int rows = std::max(g_.list.height, 1);
    if (focus_ < top_)
        top_ = focus_;
    if (focus_ >= top_ + rows)
        top_ = focus_ - rows + 1;
    top_ = std::clamp(top_, 0, std::max(count_ - g_.list.height, 0));
}

void menu_dialog::move_focus(long long delta) {
    if (count_ <= 0)
        return;
    const long long next = std::clamp<long long>(focus_ + delta, 0, count_ - 1);
    focus_ = static_cast<int>(next);
    keep_focus_visible();
}

void menu_dialog::draw_row(int index) {
    const rect &list = g_.list;
    const int y = list.top + (index - top_);
    const bool active = index == focus_;
    const role look = active ? role::item_active : role::item;
    fill({y, list.left, 1, list.width}, look);
    const boxkit_menuitem &item = items_[index];
    const auto width = static_cast<uint64_t>(list.width);
    const boxkit_conf &conf = d_.conf;
    const row_columns at =
        place_row(columns_, item.depth, width, conf.menu_align_left, conf.menu_hide_descriptions);
    const rect clip{y, list.left, 1, list.width};
    auto put = [&](const char *text, uint64_t x, uint64_t limit) {
        if (!text || x >= width || x >= limit)
            return;
        draw_text(y, list.left + static_cast<int>(x), text, row_style_,
                  static_cast<int>(std::min(limit, width) - x), look, clip);
    };
    const bool descriptions = !conf.menu_hide_descriptions && columns_.desc_width > 0;
    // Prefix and name both stop short of the description column: a prefix
    // wider than the list must not run on under and past the description.
    const uint64_t names_end = descriptions && at.desc_x > 0 ? at.desc_x - 1 : width;
    put(item.prefix, at.prefix_x, std::min(at.prefix_x + columns_.prefix_width, names_end));
    put(item.name, at.name_x, names_end);
    if (descriptions)
        put(item.description, at.desc_x, width);
}

void menu_dialog::draw_bottom_text() {
    const int y = screen_lines() - 1;
    const rect &box = d_.frame.box;
    if (y <= 0 || box.top + box.height > y)
        return; // the box covers the bottom line
    const rect line{y, 0, 1, screen_cols()};
    fill(line, role::backdrop);
    if (count_ > 0 && items_[focus_].bottom_text && *items_[focus_].bottom_text)
        draw_text(y, 1, items_[focus_].bottom_text, row_style_, screen_cols() - 2,
                  role::bottom_text, line);
}

void menu_dialog::draw() {
    text_.draw(g_.text, role::box);
    if (!g_.compact)
        draw_border(g_.frame, role::border);
    for (int row = 0; row < g_.list.height && top_ + row < count_; ++row)
        draw_row(top_ + row);
    if (count_ > g_.list.height && !g_.compact) {
        const std::string where = std::to_string(focus_ + 1) + "/" + std::to_string(count_);
        draw_indicator(g_.frame, g_.frame.top + g_.frame.height - 1, where);
    }
    draw_bottom_text();
}

// Up, Down, PgUp, PgDn, Home and End move the focus.
bool menu_dialog::key(const key_event &key) {
    if (key.kind != key_event::function)
        return false;
    const int page = std::max(g_.list.height, 1);
    switch (key.key) {
    case function_key::up:
        move_focus(-1);
        return true;
    case function_key::down:
        move_focus(1);
        return true;
    case function_key::page_up:
        move_focus(-page);
        return true;
    case function_key::page_down:
        move_focus(page);
        return true;
    case function_key::home:
        move_focus(-static_cast<long long>(count_));
        return true;
    case function_key::end:
        move_focus(count_);
        return true;
    default:
        return false;
    }
}

// A click focuses a row; the wheel scrolls the list by three rows, taking
// the focus along when it would leave the list.
bool menu_dialog::mouse(const mouse_event &m) {
    const rect &list = g_.list;
    if (m.action == mouse_event::click) {
        if (m.y >= list.top && m.y < list.top + list.height && m.x >= list.left &&
            m.x < list.left + list.width && top_ + (m.y - list.top) < count_) {
            focus_ = top_ + (m.y - list.top);
            return true;
        }
        return false;
    }
    if (m.action == mouse_event::wheel_up || m.action == mouse_event::wheel_down) {
        const int step = m.action == mouse_event::wheel_up ? -3 : 3;
        top_ = std::clamp(top_ + step, 0, std::max(count_ - list.height, 0));
        focus_ = std::clamp(focus_, top_, std::max(top_ + list.height - 1, top_));
        focus_ = std::min(focus_, std::max(count_ - 1, 0));
        return true;
    }
    return false;
}

} // namespace

} // namespace boxkit

using namespace boxkit;

int boxkit_menu(const boxkit_conf *conf, const char *text, int height, int width,
                unsigned int list_height, int item_count, boxkit_menuitem *items, int *focus) {
    if (!can_open(item_count, items, "menu"))
        return BOXKIT_ERROR;
    menu_dialog menu(conf, text, height, width, list_height, item_count, items, focus ? *focus : 0);
    return menu.run(focus);
}
