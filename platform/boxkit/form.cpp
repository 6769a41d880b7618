// The form: a text, fields with labels at given positions in a form area,
// and buttons. TAB moves between the fields and the buttons; Enter in a
// field accepts the form.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "platform/boxkit.h"
#include "platform/boxkit/dialog.h"
#include "platform/boxkit/draw.h"
#include "platform/boxkit/error.h"
#include "platform/boxkit/field_editor.h"
#include "platform/boxkit/screen.h"
#include "platform/boxkit/text_view.h"

namespace boxkit {

namespace {

struct form_geometry {
    rect text;
    rect form; // the form area
};

class form_dialog {
  public:
    form_dialog(const boxkit_conf *conf, const char *text, int height, int width,
                unsigned form_height, unsigned count, boxkit_formitem *items, int focus);
    // Runs the form; `*focus` (unless null) receives the focused field, and
    // every item its field's text.
    int run(int *focus);

  private:
    void layout();
    void draw();
    void draw_field(unsigned index);
    bool key(const key_event &key);
    bool field_key(const key_event &key);
    bool mouse(const mouse_event &m);
    bool in_field() const { return d_.focused_button < 0 && count_ > 0; }
    int field_y(unsigned index) const;
    int field_x(unsigned index) const;
    int field_width(unsigned index) const;
    void keep_field_visible();
    // Hands every field's text to its item, allocated with malloc().
    bool store_values();

    dialog d_;
    int height_, width_;
    unsigned form_height_;
    unsigned count_;
    boxkit_formitem *items_;
    bool utf8_;
    text_view text_;
    std::vector<field_editor> editors_;
    form_geometry g_{};
    uint64_t form_rows_ = 0; // rows the fields and labels need
    uint64_t form_cols_ = 0; // columns they need
    int form_top_ = 0;       // first form row shown
    int field_ = 0;          // focused field
};

form_dialog::form_dialog(const boxkit_conf *conf, const char *text, int height, int width,
                         unsigned form_height, unsigned count, boxkit_formitem *items, int focus)
    : d_{settings_of(conf)}, height_(height), width_(width), form_height_(form_height),
      count_(count), items_(items), utf8_(utf8_locale()) {
    d_.buttons = dialog_buttons(d_.conf, true);
    text_.glyphs = decode_text(text ? text : "", {utf8_, d_.conf.markup, true});
    const text_style label_style{utf8_, d_.conf.markup, false};
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
    // With fields, the first field has the focus; without, the first button.
    d_.field_stop = count > 0;
    if (count == 0) {
        d_.focused_button = d_.buttons.empty() ? -1 : 0;
        field_ = 0;
    } else {
        d_.focused_button = -1;
        field_ = std::clamp(focus, 0, static_cast<int>(count) - 1);
    }
    d_.layout = [this] { layout(); };
    d_.draw = [this] { draw(); };
    d_.key = [this](const key_event &k) { return key(k); };
    d_.mouse = [this](const mouse_event &m) { return mouse(m); };
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
    const uint64_t want_form = form_height_ > 0 ? form_height_ : form_rows_;
    uint64_t text_lines = 0;
    d_.frame = lay_out_dialog(
        d_.conf, screen_lines(), screen_cols(),
        {height_, width_, std::max(natural_width(text_.glyphs), form_cols_), true, 0}, d_.buttons,
        utf8_, [&](int inner) {
            text_.wrap(inner);
            text_lines = text_.lines.size();
            return text_lines + want_form;
        });
    const rect &body = d_.frame.body;
    const int form_rows =
        static_cast<int>(std::min<uint64_t>(want_form, static_cast<uint64_t>(body.height)));
    const int text_rows = static_cast<int>(
        std::min<uint64_t>(text_lines, static_cast<uint64_t>(body.height - form_rows)));
    g_.text = {body.top, body.left, text_rows, body.width};
    g_.form = {body.top + text_rows, body.left, body.height - text_rows, body.width};
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
    const text_style label_style{utf8_, d_.conf.markup, false};
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
    text_.draw(g_.text, role::box);
    for (unsigned i = 0; i < count_; ++i)
        draw_field(i);
    const rect &box = d_.frame.box;
    if (text_.scrollable(g_.text.height))
        draw_indicator(box, box.top + d_.frame.separator_row, text_.position(g_.text.height));
    // The terminal's cursor stands in the focused field.
    if (in_field()) {
        const field_editor &e = editors_[field_];
        const int y = field_y(field_);
        int x = field_x(field_);
        for (size_t i = e.scroll; i < e.cursor; ++i)
            x += static_cast<int>(char_width(e.chars[i], utf8_));
        const int w = field_width(field_);
        if (w > 0 && y >= g_.form.top && y < g_.form.top + g_.form.height && y < screen_lines() &&
            x < screen_cols() && x < field_x(field_) + w) {
            place_cursor(y, x);
            return;
        }
    }
    hide_cursor();
}

// PgUp and PgDn scroll the text above the form when it does not fit; in a
// field, the editing keys and Up and Down, which move between the fields.
bool form_dialog::key(const key_event &key) {
    if (key.is(function_key::page_up) || key.is(function_key::page_down)) {
        text_.scroll_key(key.key, g_.text.height);
        return true;
    }
    return in_field() && field_key(key);
}

// Editing keys of the focused field. False for keys it does not take.
bool form_dialog::field_key(const key_event &key) {
    field_editor &e = editors_[field_];
    if (key.kind == key_event::function) {
        switch (key.key) {
        case function_key::left:
            editor_left(e);
            return true;
        case function_key::right:
            editor_right(e);
            return true;
        case function_key::home:
            editor_home(e);
            return true;
        case function_key::end:
            editor_end(e);
            return true;
        case function_key::backspace:
            editor_backspace(e);
            return true;
        case function_key::delete_char:
            editor_delete(e);
            return true;
        case function_key::up:
            field_ = std::max(field_ - 1, 0);
            keep_field_visible();
            return true;
        case function_key::down:
            field_ = std::min(field_ + 1, static_cast<int>(count_) - 1);
            keep_field_visible();
            return true;
        default:
            return false;
        }
    }
    if (key.kind != key_event::character)
        return false;
    const char32_t cp = key.ch;
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

// A click in a field gives it the focus.
bool form_dialog::mouse(const mouse_event &m) {
    if (m.action != mouse_event::click)
        return false;
    for (unsigned i = 0; i < count_; ++i) {
        const int x = field_x(i);
        if (m.y == field_y(i) && m.x >= x && m.x < x + field_width(i)) {
            field_ = static_cast<int>(i);
            d_.focused_button = -1;
            return true;
        }
    }
    return false;
}

int form_dialog::run(int *focus) {
    const int rc = run_dialog(d_);
    hide_cursor();
    if (focus)
        *focus = field_;
    if (!store_values()) {
        set_error("out of memory for the form's values");
        return BOXKIT_ERROR;
    }
    return rc;
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
    if (!can_open(item_count, items, "form"))
        return BOXKIT_ERROR;
    form_dialog form(conf, text, height, width, form_height, item_count, items, focus ? *focus : 0);
    return form.run(focus);
}
