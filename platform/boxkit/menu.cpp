// The menu: a text, a scrolling list of rows, buttons, and the focused row's
// bottom text on the screen's last line. The rows are measured once when the
// menu opens; every key press then redraws only the rows on the screen.
#include <algorithm>
#include <string>

#include "platform/boxkit.h"
#include "platform/boxkit/curses_look.h"
#include "platform/boxkit/dialog.h"
#include "platform/boxkit/menu_layout.h"

namespace boxkit {

namespace {

struct menu_geometry {
    rect box;
    rect text;
    rect frame;        // the list's border
    rect list;         // the rows inside it
    int separator_row; // 0: none
    int button_y;
    bool compact; // no room for the text, the list's border and the separator
};

class menu_dialog {
  public:
    menu_dialog(const boxkit_conf &conf, const char *text, int height, int width,
                unsigned list_height, int count, const boxkit_menuitem *items, int focus)
        : conf_(conf), height_(height), width_(width), list_height_(list_height), count_(count),
          items_(items), utf8_(utf8_locale()), row_style_{utf8_, conf.markup, false},
          buttons_(dialog_buttons(conf, true)) {
        text_.glyphs = decode_text(text ? text : "", {utf8_, conf.markup, true});
        columns_ = measure_menu(items, static_cast<size_t>(count), row_style_,
                                conf.menu_hide_descriptions);
        focus_ = count > 0 ? std::clamp(focus, 0, count - 1) : 0;
        button_ = buttons_.empty() ? -1 : 0;
    }

    int run();
    int focus() const { return focus_; }

  private:
    void layout();
    void draw();
    void draw_row(int index);
    void draw_bottom_text();
    void move_focus(long long delta);
    void keep_focus_visible();

    const boxkit_conf &conf_;
    int height_, width_;
    unsigned list_height_;
    int count_;
    const boxkit_menuitem *items_;
    bool utf8_;
    text_style row_style_;
    std::vector<button> buttons_;
    text_view text_;
    menu_columns columns_{};
    menu_geometry g_{};
    int focus_ = 0;
    int top_ = 0; // first row shown
    int button_ = -1;
};

void menu_dialog::layout() {
    const rect area =
        usable_area(screen_lines(), screen_cols(), conf_.top_margin, conf_.bottom_margin);
    const uint64_t title_width =
        conf_.title ? text_width(conf_.title, {utf8_, false, false}) + 2 : 0;
    const uint64_t content = std::max({natural_width(text_.glyphs), columns_.row_width + 2,
                                       buttons_width(buttons_, utf8_), title_width});
    const int w = choose_extent(width_, content + 4, conf_.min_width,
                                width_ > 0 ? area.width : auto_width_limit(area.width));
    const int inner = std::max(w - 4, 0);
    text_.wrap(inner);
    const int text_lines = static_cast<int>(std::min<size_t>(text_.lines.size(), 1u << 20));
    const uint64_t rows = static_cast<uint64_t>(std::max(count_, 1));
    const uint64_t want = list_height_ > 0 ? std::min<uint64_t>(list_height_, rows) : rows;
    const int h = choose_extent(height_, static_cast<uint64_t>(text_lines) + want + 6,
                                conf_.min_height, area.height);
    g_.box = centre_box(area, h, w);
    g_.compact = h < 7;
    if (g_.compact) {
        // Too low for the text, the list's border and the separator: the rows
        // go straight between the top border and the buttons.
        g_.text = {g_.box.top + 1, g_.box.left + 2, 0, inner};
        g_.frame = {g_.box.top + 1, g_.box.left + 1, 0, 0};
        g_.list = {g_.box.top + 1, g_.box.left + 1, std::max(h - 3, 0), std::max(w - 2, 0)};
        g_.separator_row = 0;
    } else {
        const int remaining = h - 6;
        const int list_min = static_cast<int>(std::min<uint64_t>(want, 3));
        const int text_rows = std::min(text_lines, std::max(remaining - list_min, 0));
        const int list_rows = remaining - text_rows;
        g_.text = {g_.box.top + 1, g_.box.left + 2, text_rows, inner};
        g_.frame = {g_.box.top + 1 + text_rows, g_.box.left + 2, list_rows + 2, inner};
        g_.list = {g_.frame.top + 1, g_.frame.left + 1, list_rows, std::max(inner - 2, 0)};
        g_.separator_row = h - 3;
    }
    g_.button_y = g_.box.top + h - 2;
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
    const row_columns at =
        place_row(columns_, item.depth, width, conf_.menu_align_left, conf_.menu_hide_descriptions);
    const rect clip{y, list.left, 1, list.width};
    auto put = [&](const char *text, uint64_t x, uint64_t limit) {
        if (!text || x >= width || x >= limit)
            return;
        draw_text(y, list.left + static_cast<int>(x), text, row_style_,
                  static_cast<int>(std::min(limit, width) - x), look, clip);
    };
    const bool descriptions = !conf_.menu_hide_descriptions && columns_.desc_width > 0;
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
    if (y <= 0 || g_.box.top + g_.box.height > y)
        return; // the box covers the bottom line
    const rect line{y, 0, 1, screen_cols()};
    fill(line, role::backdrop);
    if (count_ > 0 && items_[focus_].bottom_text && *items_[focus_].bottom_text)
        draw_text(y, 1, items_[focus_].bottom_text, row_style_, screen_cols() - 2,
                  role::bottom_text, line);
}

void menu_dialog::draw() {
    draw_frame(g_.box, conf_.title);
    text_.draw(g_.text, role::box);
    if (!g_.compact)
        draw_border(g_.frame, role::border);
    for (int row = 0; row < g_.list.height && top_ + row < count_; ++row)
        draw_row(top_ + row);
    if (count_ > g_.list.height && !g_.compact) {
        const std::string where = std::to_string(focus_ + 1) + "/" + std::to_string(count_);
        draw_indicator(g_.frame, g_.frame.top + g_.frame.height - 1, where);
    }
    draw_separator(g_.box, g_.separator_row, role::border);
    draw_buttons(g_.box, g_.button_y, buttons_, button_, conf_.menu_button_shortcuts);
    draw_bottom_text();
    show();
}

int menu_dialog::run() {
    layout();
    draw();
    const int button_count = static_cast<int>(buttons_.size());
    for (;;) {
        const key_event key = read_key();
        if (key.kind == key_event::error)
            return BOXKIT_ERROR;
        const int page = std::max(g_.list.height, 1);
        const key_action action = common_action(key);
        switch (action) {
        case key_action::press:
            return button_code(buttons_, button_);
        case key_action::next_button:
        case key_action::prev_button:
            button_ = step_button(button_, button_count, button_step(action));
            break;
        case key_action::escape:
        case key_action::resize:
        case key_action::help: {
            const common_outcome common = handle_common_key(action, conf_);
            if (common.closes)
                return common.code;
            if (!common.relayout)
                continue;
            layout();
            break;
        }
        case key_action::mouse: {
            const mouse_event m = read_mouse();
            const rect &list = g_.list;
            if (m.action == mouse_event::click) {
                if (m.y == g_.button_y) {
                    const int hit = button_at(g_.box, buttons_, m.x);
                    if (hit >= 0)
                        return button_code(buttons_, hit);
                    continue;
                }
                if (m.y >= list.top && m.y < list.top + list.height && m.x >= list.left &&
                    m.x < list.left + list.width && top_ + (m.y - list.top) < count_) {
                    focus_ = top_ + (m.y - list.top);
                    break;
                }
                continue;
            }
            if (m.action == mouse_event::wheel_up || m.action == mouse_event::wheel_down) {
                const int step = m.action == mouse_event::wheel_up ? -3 : 3;
                top_ = std::clamp(top_ + step, 0, std::max(count_ - list.height, 0));
                focus_ = std::clamp(focus_, top_, std::max(top_ + list.height - 1, top_));
                focus_ = std::min(focus_, std::max(count_ - 1, 0));
                break;
            }
            continue;
        }
        case key_action::none:
            if (key.kind == key_event::function) {
                switch (key.code) {
                case KEY_UP:
                    move_focus(-1);
                    break;
                case KEY_DOWN:
                    move_focus(1);
                    break;
                case KEY_PPAGE:
                    move_focus(-page);
                    break;
                case KEY_NPAGE:
                    move_focus(page);
                    break;
                case KEY_HOME:
                    move_focus(-static_cast<long long>(count_));
                    break;
                case KEY_END:
                    move_focus(count_);
                    break;
                default:
                    continue;
                }
            } else if (conf_.menu_button_shortcuts) {
                const int hit = shortcut_button(buttons_, key.code);
                if (hit >= 0)
                    return button_code(buttons_, hit);
                continue;
            } else {
                continue;
            }
            break;
        }
        draw();
    }
}

} // namespace

} // namespace boxkit

using namespace boxkit;

int boxkit_menu(const boxkit_conf *conf, const char *text, int height, int width,
                unsigned int list_height, int item_count, boxkit_menuitem *items, int *focus) {
    if (!screen_active())
        return fail_inactive();
    if (item_count < 0) {
        set_error("menu item count %d is negative", item_count);
        return BOXKIT_ERROR;
    }
    if (item_count > 0 && !items) {
        set_error("menu items missing");
        return BOXKIT_ERROR;
    }
    const boxkit_conf settings = settings_of(conf);
    menu_dialog menu(settings, text, height, width, list_height, item_count, items,
                     focus ? *focus : 0);
    const int rc = menu.run();
    if (focus)
        *focus = menu.focus();
    return rc;
}
