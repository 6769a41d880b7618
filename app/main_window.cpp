// The main window: building rows from nodes, the menu loop and shutdown.
#include "app/main_window.h"

#include <cstdlib>
#include <cstring>

#include "app/die.h"
#include "app/navigation.h"
#include "app/options.h"
#include "values/properties.h"
#include "values/set_value.h"
#include "values/value_text.h"

namespace mibscope {
namespace {

constexpr const char *too_long_text = "Open [Properties]";

constexpr const char *menu_title = " MibScope 0.0.3";
constexpr const char *menu_text = "\\ZbF1\\Zn for help. \\ZbESC\\Zn or \\ZbQ\\Zn for quit.";
constexpr unsigned menu_list_height = 30;

constexpr const char *help_text =
    "MibScope presents a snapshot of the sysctl MIB hierarchy as it exists at application "
    "startup.\n"
    "Parameter values displayed in the main window are refreshed dynamically when a "
    "corresponding subtree is expanded. The Properties dialog reflects the current value of "
    "the selected sysctl node at the time the [Properties] button is activated; no background "
    "polling is performed.\n\n"
    "Refer to \\Zuhttps://mibscope.org/docs\\Zn as an entry point for understanding the "
    "structure and semantics of the information displayed in MibScope.\n\n"
    "Keys:\n"
    " \\ZbUp / Down\\Zn: Navigate through and select nodes.\n"
    " \\ZbPageUp / PageDown\\Zn: Scroll quickly while maintaining selection.\n"
    " \\ZbHome\\Zn: Jump to the first node in the list.\n"
    " \\ZbEnd\\Zn: Jump to the last node in the list.\n"
    " \\ZbLeft / Right\\Zn: Move focus between available buttons.\n\n"
    "Buttons:\n"
    " \\Zb[Navigate]\\Zn: Expand or collapse the selected subtree.\n"
    " \\Zb[Properties]\\Zn: Open a dialog displaying details of the selected node.\n"
    " \\Zb[Set Value]\\Zn: Open a form to assign a new value to the selected node.\n"
    " \\Zb[Quit]\\Zn: Exit the application.";

bool has_children(const oidtree_object *node) {
    return node->children != nullptr && node->children->first != nullptr;
}

// Rows own their descriptions exactly when they show value previews.
bool rows_own_descriptions() {
    return opts.show_values && !opts.show_descriptions;
}

boxkit_conf menu_conf() {
    boxkit_conf conf;
    boxkit_initconf(&conf);
    conf.title = menu_title;
    conf.top_margin = 1;
    conf.bottom_margin = 1;
    conf.esc_enabled = true;
    conf.help_text = help_text;
    conf.markup = true;
    conf.menu_align_left = true;
    conf.menu_hide_descriptions = !opts.show_values && !opts.show_descriptions;
    conf.menu_button_shortcuts = true;
    conf.left_button1_label = "Navigate";
    conf.left_button2_label = "Properties";
    conf.left_button3_label = "Set Value";
    conf.hide_ok_button = true;
    conf.hide_cancel_button = true;
    conf.right_button1_label = "Quit";
    return conf;
}

// Whether `focus` names a shown row; with an empty tree none does.
bool focus_on_row(const main_window &w) {
    return w.focus >= 0 && w.focus < w.row_count;
}

void shut_down(main_window &w) {
    boxkit_end();
    // The entry point returns to its caller rather than ending the process,
    // so the previews still shown are released too.
    release_previews(w.rows, 0, w.row_count);
    std::free(w.row_nodes);
    std::free(w.rows);
    oidtree_freemib(w.tree);
    w.row_nodes = nullptr;
    w.rows = nullptr;
    w.tree = nullptr;
    w.row_count = 0;
}

} // namespace

void release_previews(boxkit_menuitem *rows, int32_t from, int32_t to) {
    if (!rows_own_descriptions())
        return;
    for (int32_t i = from; i < to; ++i) {
        std::free(const_cast<char *>(rows[i].description));
        rows[i].description = nullptr;
    }
}

void fill_row(oidtree_object *node, boxkit_menuitem *row) {
    row->prefix = has_children(node) ? opts.expandable_label : opts.leaf_label;
    row->selected = false;
    row->depth = (static_cast<uint32_t>(node->level) - 1u) * opts.indent;

    if (opts.full_names) {
        row->name = node->name;
        row->bottom_text = "";
    } else {
        const char *last_dot = std::strrchr(node->name, '.');
        row->name = last_dot != nullptr ? last_dot : node->name;
        row->bottom_text = node->name;
    }

    if (opts.show_descriptions) {
        row->description =
            std::strchr(node->description, '\n') != nullptr ? too_long_text : node->description;
    } else if (opts.show_values) {
        char *preview = nullptr;
        if (value_preview(node, &preview) != 0)
            die_errno("alloc memory getting preview value");
        row->description = preview;
    } else {
        row->description = "";
    }
}

void fill_first_rows(main_window &w) {
    int32_t i = 0;
    for (oidtree_object *node = w.tree->first; node != nullptr; node = node->next, ++i) {
        w.row_nodes[i] = node;
        fill_row(node, &w.rows[i]);
    }
    w.row_count = i;
    w.focus = 0;
}

int run_main_window(main_window &w) {
    const boxkit_conf conf = menu_conf();
    for (;;) {
        boxkit_clear(0);
        const int code =
            boxkit_menu(&conf, menu_text, 0, 0, menu_list_height, w.row_count, w.rows, &w.focus);
        switch (code) {
        case BOXKIT_ERROR:
            die_boxkit();
        case BOXKIT_ESC:
        case BOXKIT_RIGHT1:
            shut_down(w);
            return 0;
        case BOXKIT_LEFT1:
            toggle_subtree(w);
            break;
        case BOXKIT_LEFT2:
            if (focus_on_row(w))
                show_properties(w.rows, w.row_nodes, w.focus);
            break;
        case BOXKIT_LEFT3:
            if (focus_on_row(w))
                set_value(w.row_nodes, w.focus);
            break;
        default:
            // No handler: the next pass redraws the menu unchanged.
            break;
        }
    }
}

} // namespace mibscope
