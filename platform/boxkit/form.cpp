// The form: a text, fields with labels at given positions in a form area,
// and buttons. TAB moves between the fields and the buttons; Enter in a
// field accepts the form.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "platform/boxkit.h"
#include "platform/boxkit/curses_look.h"
#include "platform/boxkit/dialog.h"
#include "platform/boxkit/field_editor.h"

namespace boxkit {

namespace {

struct form_geometry {
    rect box;
    rect text;
    rect form; // the form area
    int separator_row;
    int button_y;
};

class form_dialog {
  public:
    form_dialog(const boxkit_conf &conf, const char *text, int height, int width,
                unsigned form_height, unsigned count, boxkit_formitem *items, int focus);
    int run();
    int focus() const { return field_; }
    // Hands every field's text to its item, allocated with malloc().
    bool store_values();

  private:
    void layout();
    void draw();
    void draw_field(unsigned index);
    bool field_key(const key_event &key);
    int field_y(unsigned index) const;
    int field_x(unsigned index) const;
    int field_width(unsigned index) const;
    void keep_field_visible();

    const boxkit_conf &conf_;
    int height_, width_;
    unsigned form_height_;
    unsigned count_;
    boxkit_formitem *items_;
    bool utf8_;
    std::vector<button> buttons_;
    text_view text_;
    std::vector<field_editor> editors_;
    form_geometry g_{};
    uint64_t form_rows_ = 0; // rows the fields and labels need
    uint64_t form_cols_ = 0; // columns they need
    int form_top_ = 0;       // first form row shown
    int field_ = 0;          // focused field
    int button_ = -1;        // focused button; -1 while a field has the focus
};

form_dialog::form_dialog(const boxkit_conf &conf, const char *text, int height, int width,
                         unsigned form_height, unsigned count, boxkit_formitem *items, int focus)
    : conf_(conf), height_(height), width_(width), form_height_(form_height), count_(count),
      items_(items), utf8_(utf8_locale()), buttons_(dialog_buttons(conf, true)) {
    text_.glyphs = decode_text(text ? text : "", {utf8_, conf.markup, true});
    const text_style label_style{utf8_, conf.markup, false};
    for (unsigned i = 0; i < count; ++i) {
        const boxkit_formitem &item = items[i];
        uint64_t limit = item.max_length;
        if (!(item.flags & BOXKIT_FIELD_EXTEND) && item.field_width > 0)
            limit = limit > 0 ? std::min<uint64_t>(limit, item.field_width) : item.field_width;
        editors_.push_back(make_editor(item.initial_text ? item.initial_text : "",
                                       item.flags & BOXKIT_FIELD_CURSOR_AT_END, limit));
        form_rows_ =
            std::max({form_rows_, uint64_t{item.label_row} + 1, uint64_t{item.field_row} + 1});
        const uint64_t label_w = item.label ? text_width(item.label, label_style) : 0;
        form_cols_ = std::max({form_cols_, uint64_t{item.label_col} + label_w,
                               uint64_t{item.field_col} + std::max<uint32_t>(item.field_width, 1)});
    }
    if (count == 0) {
        button_ = buttons_.empty() ? -1 : 0;
        field_ = 0;
    } else {
        field_ = std::clamp(focus, 0, static_cast<int>(count) - 1);
    }
}

int form_dialog::field_y(unsigned index) const {
    return g_.form.top + static_cast<int>(std::min<uint32_t>(items_[index].field_row, 1u << 30)) -
           form_top_;
}

int form_dialog::field_x(unsigned index) const {
    const uint64_t col = items_[index].field_col;
    return col >= static_cast<uint64_t>(g_.form.width) ? g_.form.left + g_.form.width
                                                       : g_.form.left + static_cast<int>(col);
}

int form_dialog::field_width(unsigned index) const {
    const int room = g_.form.left + g_.form.width - field_x(index);
    const uint32_t w = items_[index].field_width;
    return w == 0
               ? room
               : static_cast<int>(std::min<uint64_t>(w, static_cast<uint64_t>(std::max(room, 0))));
}

void form_dialog::layout() {
    const rect area =
        usable_area(screen_lines(), screen_cols(), conf_.top_margin, conf_.bottom_margin);
    const uint64_t title_width =
        conf_.title ? text_width(conf_.title, {utf8_, false, false}) + 2 : 0;
    const uint64_t content = std::max(
        {natural_width(text_.glyphs), form_cols_, buttons_width(buttons_, utf8_), title_width});
    const int w = choose_extent(width_, content + 4, conf_.min_width,
                                width_ > 0 ? area.width : auto_width_limit(area.width));
    const int inner = std::max(w - 4, 0);
    text_.wrap(inner);
    const uint64_t text_lines = text_.lines.size();
    const uint64_t want_form = form_height_ > 0 ? form_height_ : form_rows_;
    const int h = choose_extent(height_, text_lines + want_form + 4, conf_.min_height, area.height);
    g_.box = centre_box(area, h, w);
    const int remaining = std::max(h - 4, 0);
    const int form_rows =
        static_cast<int>(std::min<uint64_t>(want_form, static_cast<uint64_t>(remaining)));
    const int text_rows = static_cast<int>(
        std::min<uint64_t>(text_lines, static_cast<uint64_t>(remaining - form_rows)));
    g_.text = {g_.box.top + 1, g_.box.left + 2, text_rows, inner};
    g_.form = {g_.box.top + 1 + text_rows, g_.box.left + 2, remaining - text_rows, inner};
    g_.separator_row = h - 3;
    g_.button_y = g_.box.top + h - 2;
    text_.clamp(g_.text.height);
    keep_field_visible();
}

void form_dialog::keep_field_visible() {
    if (count_ == 0)
        return;
    const int row = static_cast<int>(std::min<uint32_t>(items_[field_].field_row, 1u << 30));
    const int rows = std::max(g_.form.height, 1);
    if (row < form_top_)
        form_top_ = row;
    if (row >= form_top_ + rows)
        form_top_ = row - rows + 1;
}

void form_dialog::draw_field(unsigned index) {
    const boxkit_formitem &item = items_[index];
    const rect &form = g_.form;
    const text_style label_style{utf8_, conf_.markup, false};
    const int label_y =
        form.top + static_cast<int>(std::min<uint32_t>(item.label_row, 1u << 30)) - form_top_;
    if (item.label && *item.label && item.label_col < static_cast<uint64_t>(form.width))
        draw_text(label_y, form.left + static_cast<int>(item.label_col), item.label, label_style,
                  form.width - static_cast<int>(item.label_col), role::box, form);
    if (item.field_row > (1u << 30))
        return;
    const int y = field_y(index);
    const int x = field_x(index);
    const int w = field_width(index);
    if (w <= 0)
        return;
    const rect clip = {y, x, 1, w};
    fill(clip, role::field);
    field_editor &e = editors_[index];
    editor_scroll(e, static_cast<unsigned>(w), utf8_);
    const text_style style{utf8_, false, false};
    int col = 0;
    for (size_t i = e.scroll; i < e.chars.size() && col < w; ++i) {
        const std::string &c = e.chars[i];
        col += draw_text(y, x + col, c == "\t" ? std::string_view(" ") : std::string_view(c), style,
                         w - col, role::field, clip);
    }
}

void form_dialog::draw() {
    draw_frame(g_.box, conf_.title);
    text_.draw(g_.text, role::box);
    for (unsigned i = 0; i < count_; ++i)
        draw_field(i);
    draw_separator(g_.box, g_.separator_row, role::border);
    draw_buttons(g_.box, g_.button_y, buttons_, button_, conf_.menu_button_shortcuts);
    if (text_.scrollable(g_.text.height))
        draw_indicator(g_.box, g_.box.top + g_.separator_row, text_.position(g_.text.height));
    // The terminal's cursor stands in the focused field.
    bool cursor = false;
    if (button_ < 0 && count_ > 0) {
        const field_editor &e = editors_[field_];
        const int y = field_y(field_);
        int x = field_x(field_);
        for (size_t i = e.scroll; i < e.cursor; ++i)
            x += static_cast<int>(char_width(e.chars[i], utf8_));
        const int w = field_width(field_);
        if (w > 0 && y >= g_.form.top && y < g_.form.top + g_.form.height && y < screen_lines() &&
            x < screen_cols() && x < field_x(field_) + w) {
            move(y, x);
            cursor = true;
        }
    }
    curs_set(cursor ? 1 : 0);
    show();
}

// Editing keys of the focused field. False for keys it does not take.
bool form_dialog::field_key(const key_event &key) {
    field_editor &e = editors_[field_];
    if (key.kind == key_event::function) {
        switch (key.code) {
        case KEY_LEFT:
            editor_left(e);
            return true;
        case KEY_RIGHT:
            editor_right(e);
            return true;
        case KEY_HOME:
            editor_home(e);
            return true;
        case KEY_END:
            editor_end(e);
            return true;
        case KEY_BACKSPACE:
            editor_backspace(e);
            return true;
        case KEY_DC:
            editor_delete(e);
            return true;
        case KEY_UP:
            field_ = std::max(field_ - 1, 0);
            keep_field_visible();
            return true;
        case KEY_DOWN:
            field_ = std::min(field_ + 1, static_cast<int>(count_) - 1);
            keep_field_visible();
            return true;
        default:
            return false;
        }
    }
    if (key.kind != key_event::character)
        return false;
    const auto cp = static_cast<char32_t>(key.code);
    if (cp == 127 || cp == 8) {
        editor_backspace(e);
        return true;
    }
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0))
        return false;
    if (!utf8_ && cp >= 0x80)
        return true; // not representable in this locale: ignored
    if (utf8_ && cp >= 0x80 && !std::iswprint(static_cast<wint_t>(cp)))
        return true;
    editor_insert(e, encode_utf8(cp));
    return true;
}

int form_dialog::run() {
    layout();
    draw();
    const int button_count = static_cast<int>(buttons_.size());
    for (;;) {
        const key_event key = read_key();
        if (key.kind == key_event::error)
            return BOXKIT_ERROR;
        if (key.kind == key_event::function && (key.code == KEY_PPAGE || key.code == KEY_NPAGE)) {
            // The text above the form scrolls when it does not fit.
            text_.scroll_key(key.code, g_.text.height);
            draw();
            continue;
        }
        const bool in_field = button_ < 0 && count_ > 0;
        if (in_field && field_key(key)) {
            draw();
            continue;
        }
        const key_action action = common_action(key);
        switch (action) {
        case key_action::press:
            return in_field ? BOXKIT_OK : button_code(buttons_, button_);
        case key_action::next_button:
            if (in_field)
                button_ = button_count > 0 ? 0 : -1;
            else if (button_ + 1 < button_count || count_ == 0)
                button_ = step_button(button_, button_count, 1);
            else
                button_ = -1;
            break;
        case key_action::prev_button:
            if (in_field)
                button_ = button_count > 0 ? button_count - 1 : -1;
            else if (button_ > 0 || count_ == 0 || key.code == KEY_LEFT)
                button_ = step_button(button_, button_count, -1);
            else
                button_ = -1;
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
            if (m.action != mouse_event::click)
                continue;
            if (m.y == g_.button_y) {
                const int hit = button_at(g_.box, buttons_, m.x);
                if (hit >= 0)
                    return button_code(buttons_, hit);
                continue;
            }
            bool hit = false;
            for (unsigned i = 0; i < count_ && !hit; ++i) {
                const int x = field_x(i);
                if (m.y == field_y(i) && m.x >= x && m.x < x + field_width(i)) {
                    field_ = static_cast<int>(i);
                    button_ = -1;
                    hit = true;
                }
            }
            if (!hit)
                continue;
            break;
        }
        case key_action::none:
            if (!in_field && conf_.menu_button_shortcuts && key.kind == key_event::character) {
                const int hit = shortcut_button(buttons_, key.code);
                if (hit >= 0)
                    return button_code(buttons_, hit);
            }
            continue;
        }
        draw();
    }
}

bool form_dialog::store_values() {
    for (unsigned i = 0; i < count_; ++i) {
        const std::string text = editor_text(editors_[i]);
        char *copy = static_cast<char *>(std::malloc(text.size() + 1));
        if (!copy) {
            for (unsigned k = 0; k < i; ++k) {
                std::free(items_[k].value);
                items_[k].value = nullptr;
            }
            return false;
        }
        std::memcpy(copy, text.c_str(), text.size() + 1);
        items_[i].value = copy;
    }
    return true;
}

} // namespace

} // namespace boxkit

using namespace boxkit;

int boxkit_form(const boxkit_conf *conf, const char *text, int height, int width,
                unsigned int form_height, unsigned int item_count, boxkit_formitem *items,
                int *focus) {
    if (!screen_active())
        return fail_inactive();
    if (item_count > 0 && !items) {
        set_error("form items missing");
        return BOXKIT_ERROR;
    }
    const boxkit_conf settings = settings_of(conf);
    form_dialog form(settings, text, height, width, form_height, item_count, items,
                     focus ? *focus : 0);
    const int rc = form.run();
    curs_set(0);
    if (focus)
        *focus = form.focus();
    if (!form.store_values()) {
        set_error("out of memory for the form's values");
        return BOXKIT_ERROR;
    }
    return rc;
}
