// A recording, scripted stand-in for the dialog library. Linked in place of
// platform/boxkit, it implements every boxkit_ call: each call is recorded
// with deep copies of its settings, text and items, and answered from a script
// of responses queued per kind of dialog.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/boxkit.h"

namespace dialog_double {

enum class kind { init, end, clear, initconf, geterror, infobox, msgbox, menu, form };

// A copy of a boxkit_conf; a null text is std::nullopt.
struct conf_copy {
    std::optional<std::string> title;
    bool esc_enabled = false;
    bool markup = false;
    uint32_t min_height = 0, min_width = 0, top_margin = 0, bottom_margin = 0;
    std::optional<std::string> ok_button_label;
    bool hide_ok_button = false, hide_cancel_button = false;
    std::optional<std::string> left_button1_label, left_button2_label, left_button3_label,
        right_button1_label, help_text;
    bool menu_align_left = false, menu_hide_descriptions = false, menu_button_shortcuts = false;
};

struct menuitem_copy {
    const char *prefix_ptr; // the pointer itself, to tell which label a row refers to
    std::optional<std::string> prefix;
    bool selected;
    uint32_t depth;
    std::optional<std::string> name, description, bottom_text;
};

struct formitem_copy {
    std::optional<std::string> label;
    uint32_t label_row, label_col;
    std::optional<std::string> initial_text;
    uint32_t field_row, field_col, field_width, max_length;
    bool value_was_null; // `value` was null when the form was called
    uint32_t flags;
    std::optional<std::string> bottom_text;
};

struct call {
    kind what;
    bool conf_was_null = false;
    conf_copy conf;                  // infobox, msgbox, menu, form
    std::optional<std::string> text; // infobox, msgbox, menu, form
    int height = 0, width = 0;       // infobox, msgbox, menu, form
    int row = 0;                     // clear
    unsigned list_height = 0;        // menu: list height; form: form height
    int item_count = 0;              // menu, form
    std::vector<menuitem_copy> menu_items;
    std::vector<formitem_copy> form_items;
    bool focus_was_null = false; // menu, form
    int focus_in = 0;            // menu, form: *focus when called
    int result = 0;              // what the call returned
};

// The answer to one dialog call.
struct response {
    int code = BOXKIT_OK;
    std::optional<int> focus;         // menu: written to *focus before returning
    std::optional<std::string> value; // form: every field's value (malloc'd copy)
    std::optional<std::string> error; // text boxkit_geterror() returns afterwards
};

// Forgets every call, script and hook; init succeeds; geterror returns "".
void reset();

// Runs `hook` at the start of every boxkit_end(), before the call is recorded
// (recording allocates). Null: no hook.
void on_end(void (*hook)());

// Queues a response for the next unanswered call of kind `what` (infobox,
// msgbox, menu, form, init). Calls without a queued response are answered:
// init BOXKIT_OK, infobox and msgbox BOXKIT_OK, form BOXKIT_CANCEL, and menu
// BOXKIT_ESC (so that a main loop always ends); each such fallback answer to a
// menu or form is counted in unscripted().
void script(kind what, response r);

// The calls so far, in order, and the calls of one kind.
const std::vector<call> &calls();
std::vector<call> calls_of(kind what);

// Menu and form calls answered by a fallback rather than the script.
int unscripted();

} // namespace dialog_double
