// set_value: the Set Value button's flow, from the refusal checks through the
// form to the result box.
#include "values/set_value.h"

#include <cstdio>
#include <cstdlib>

#include "app/die.h"
#include "platform/boxkit.h"
#include "platform/kernel.h"
#include "values/value_text.h"
#include "values/value_types.h"

namespace mibscope {
namespace {

const char *const form_format = "%s,\nType: %s, Format: %s, Current value: %s.\n\n"
                                "Write the new value in form. TAB to switch to buttons.\n";

// Why the node cannot be written, or null when it can. The flag tests come
// before the type tests.
const char *refusal(const oidtree_object *node) {
    if ((node->flags & CTLFLAG_WR) == 0)
        return (node->flags & CTLFLAG_TUN) != 0
                   ? "This parameter has the TUN flag, set in /boot/loader.conf"
                   : "This parametes has not WR flag";
    if (node->type == CTLTYPE_NODE)
        return "This is a NODE, not writable";
    if (node->type == CTLTYPE_OPAQUE)
        return "Cannot set an OPAQUE parameter";
    return nullptr;
}

// A box with one Close button, closable with ESC.
void show_close_box(const boxkit_conf &conf, const char *text) {
    if (boxkit_msgbox(&conf, text, 0, 0) == BOXKIT_ERROR)
        die_boxkit();
}

boxkit_conf close_box_conf() {
    boxkit_conf conf;
    boxkit_initconf(&conf);
    conf.esc_enabled = true;
    conf.ok_button_label = "Close";
    return conf;
}

} // namespace

void set_value(oidtree_object *const *row_nodes, int32_t focus) {
    if (row_nodes == nullptr || focus < 0 || row_nodes[focus] == nullptr)
        return;
    const oidtree_object *node = row_nodes[focus];

    if (const char *why = refusal(node)) {
        show_close_box(close_box_conf(), why);
        return;
    }

    char *current = nullptr;
    if (read_value(node, &current) != 0)
        die_errno("alloc memory getting value");

    boxkit_conf form_conf;
    boxkit_initconf(&form_conf);
    form_conf.esc_enabled = true;
    form_conf.ok_button_label = "Set Value";

    const value_type *type = value_type_of(node->type);
    char *form_text = nullptr;
    if (asprintf(&form_text, form_format, node->name, type != nullptr ? type->type_name : "",
                 node->format != nullptr ? node->format : "", current) < 0)
        die_errno("asprint() text setvalue-1 window");

    boxkit_formitem field{};
    field.label = "";
    field.label_row = 0;
    field.label_col = 0;
    field.initial_text = current;
    field.field_row = 0;
    field.field_col = 0;
    field.field_width = 20;
    field.max_length = 50;
    field.value = nullptr;
    field.flags = BOXKIT_FIELD_CURSOR_AT_END | BOXKIT_FIELD_EXTEND;
    field.bottom_text = nullptr;

    const int code = boxkit_form(&form_conf, form_text, 0, 0, 0, 1, &field, nullptr);
    std::free(form_text);
    if (code == BOXKIT_ERROR)
        die_boxkit();
    // Without a typed text nothing can be written, whatever closed the form.
    if (code != BOXKIT_OK || field.value == nullptr) {
        std::free(field.value);
        std::free(current);
        return;
    }

    const boxkit_conf result_conf = close_box_conf();
    char *reason = nullptr;
    const int written = write_value(node, field.value, &reason);
    if (written < 0)
        die_errno("Fatal error sysctl_getvalue()");
    char *result = nullptr;
    const int formatted = written == 0 ? asprintf(&result, "%s -> %s", current, field.value)
                                       : asprintf(&result, "Cannot set value: %s", reason);
    if (formatted < 0)
        die_errno("asprint() text setvalue-2 window");

    const int closed = boxkit_msgbox(&result_conf, result, 0, 0);
    std::free(result);
    std::free(reason);
    std::free(field.value);
    std::free(current);
    if (closed == BOXKIT_ERROR)
        die_boxkit();
}

} // namespace mibscope
