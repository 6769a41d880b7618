// The dialog double: records every boxkit_ call and answers from a script.
#include "tests/support/dialog_double.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>

namespace dialog_double {
namespace {

struct state {
    std::vector<call> calls;
    std::map<kind, std::deque<response>> scripts;
    std::string error;
    int unscripted = 0;
    void (*end_hook)() = nullptr;
};

state &the_state() {
    static state s;
    return s;
}

std::optional<std::string> copy_text(const char *text) {
    if (text == nullptr)
        return std::nullopt;
    return std::string(text);
}

conf_copy copy_conf(const boxkit_conf &c) {
    conf_copy r;
    r.title = copy_text(c.title);
    r.esc_enabled = c.esc_enabled;
    r.markup = c.markup;
    r.min_height = c.min_height;
    r.min_width = c.min_width;
    r.top_margin = c.top_margin;
    r.bottom_margin = c.bottom_margin;
    r.ok_button_label = copy_text(c.ok_button_label);
    r.hide_ok_button = c.hide_ok_button;
    r.hide_cancel_button = c.hide_cancel_button;
    r.left_button1_label = copy_text(c.left_button1_label);
    r.left_button2_label = copy_text(c.left_button2_label);
    r.left_button3_label = copy_text(c.left_button3_label);
    r.right_button1_label = copy_text(c.right_button1_label);
    r.help_text = copy_text(c.help_text);
    r.menu_align_left = c.menu_align_left;
    r.menu_hide_descriptions = c.menu_hide_descriptions;
    r.menu_button_shortcuts = c.menu_button_shortcuts;
    return r;
}

// A dialog call with settings, text and size, before its answer is known.
call dialog_call(kind what, const boxkit_conf *conf, const char *text, int height, int width) {
    call c;
    c.what = what;
    c.conf_was_null = conf == nullptr;
    if (conf != nullptr)
        c.conf = copy_conf(*conf);
    c.text = copy_text(text);
    c.height = height;
    c.width = width;
    return c;
}

// Takes the next scripted response for `what`, if any.
std::optional<response> next_response(kind what) {
    auto &queue = the_state().scripts[what];
    if (queue.empty())
        return std::nullopt;
    response r = queue.front();
    queue.pop_front();
    return r;
}

int finish(call c, const std::optional<response> &r, int fallback) {
    if (r && r->error)
        the_state().error = *r->error;
    c.result = r ? r->code : fallback;
    the_state().calls.push_back(std::move(c));
    return the_state().calls.back().result;
}

} // namespace

void reset() {
    the_state() = state{};
}

void on_end(void (*hook)()) {
    the_state().end_hook = hook;
}

void script(kind what, response r) {
    the_state().scripts[what].push_back(std::move(r));
}

const std::vector<call> &calls() {
    return the_state().calls;
}

std::vector<call> calls_of(kind what) {
    std::vector<call> r;
    for (const call &c : the_state().calls)
        if (c.what == what)
            r.push_back(c);
    return r;
}

int unscripted() {
    return the_state().unscripted;
}

} // namespace dialog_double

using namespace dialog_double;

int boxkit_init(void) {
    call c;
    c.what = kind::init;
    return finish(std::move(c), next_response(kind::init), BOXKIT_OK);
}

int boxkit_end(void) {
    if (the_state().end_hook != nullptr)
        the_state().end_hook();
    call c;
    c.what = kind::end;
    return finish(std::move(c), std::nullopt, BOXKIT_OK);
}

int boxkit_clear(int row) {
    call c;
    c.what = kind::clear;
    c.row = row;
    return finish(std::move(c), std::nullopt, BOXKIT_OK);
}

void boxkit_initconf(boxkit_conf *conf) {
    std::memset(conf, 0, sizeof *conf);
    call c;
    c.what = kind::initconf;
    finish(std::move(c), std::nullopt, BOXKIT_OK);
}

const char *boxkit_geterror(void) {
    call c;
    c.what = kind::geterror;
    finish(std::move(c), std::nullopt, BOXKIT_OK);
    return the_state().error.c_str();
}

int boxkit_infobox(const boxkit_conf *conf, const char *text, int height, int width) {
    return finish(dialog_call(kind::infobox, conf, text, height, width),
                  next_response(kind::infobox), BOXKIT_OK);
}

int boxkit_msgbox(const boxkit_conf *conf, const char *text, int height, int width) {
    return finish(dialog_call(kind::msgbox, conf, text, height, width), next_response(kind::msgbox),
                  BOXKIT_OK);
}

int boxkit_menu(const boxkit_conf *conf, const char *text, int height, int width,
                unsigned int list_height, int item_count, boxkit_menuitem *items, int *focus) {
    call c = dialog_call(kind::menu, conf, text, height, width);
    c.list_height = list_height;
    c.item_count = item_count;
    for (int i = 0; i < item_count; ++i) {
        const boxkit_menuitem &it = items[i];
        c.menu_items.push_back(menuitem_copy{it.prefix, copy_text(it.prefix), it.selected, it.depth,
                                             copy_text(it.name), copy_text(it.description),
                                             copy_text(it.bottom_text)});
    }
    c.focus_was_null = focus == nullptr;
    c.focus_in = focus != nullptr ? *focus : 0;
    std::optional<response> r = next_response(kind::menu);
    if (!r)
        ++the_state().unscripted;
    else if (r->focus && focus != nullptr)
        *focus = *r->focus;
    return finish(std::move(c), r, BOXKIT_ESC);
}

int boxkit_form(const boxkit_conf *conf, const char *text, int height, int width,
                unsigned int form_height, unsigned int item_count, boxkit_formitem *items,
                int *focus) {
    call c = dialog_call(kind::form, conf, text, height, width);
    c.list_height = form_height;
    c.item_count = static_cast<int>(item_count);
    for (unsigned i = 0; i < item_count; ++i) {
        const boxkit_formitem &it = items[i];
        c.form_items.push_back(formitem_copy{copy_text(it.label), it.label_row, it.label_col,
                                             copy_text(it.initial_text), it.field_row, it.field_col,
                                             it.field_width, it.max_length, it.value == nullptr,
                                             it.flags, copy_text(it.bottom_text)});
    }
    c.focus_was_null = focus == nullptr;
    c.focus_in = focus != nullptr ? *focus : 0;
    std::optional<response> r = next_response(kind::form);
    if (!r)
        ++the_state().unscripted;
    // Like the real library, every field's value is handed out whatever closed the
    // form: the scripted text, or else the field's initial text.
    for (unsigned i = 0; i < item_count; ++i) {
        const char *v = r && r->value ? r->value->c_str()
                                      : (items[i].initial_text ? items[i].initial_text : "");
        items[i].value = strdup(v);
    }
    return finish(std::move(c), r, BOXKIT_CANCEL);
}
