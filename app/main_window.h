// The main window: the menu of nodes, its loop and the rows it shows.
#pragma once

#include <cstdint>

#include "platform/boxkit.h"
#include "platform/oidtree.h"

namespace mibscope {

// The main window's state, from the end of start-up until the program ends.
struct main_window {
    oidtree_list *tree;         // the snapshot, given back at shutdown
    int32_t node_count;         // N: nodes in the whole tree; room in both arrays
    boxkit_menuitem *rows;      // N entries; the first row_count are shown
    oidtree_object **row_nodes; // N entries, parallel to rows
    int32_t row_count;
    int32_t focus;
};

// Writes every field of `row` from `node` according to the options.
void fill_row(oidtree_object *node, boxkit_menuitem *row);

// Releases the value previews of rows `from` to `to` - 1 when rows own them
// (values shown without descriptions); otherwise does nothing.
void release_previews(boxkit_menuitem *rows, int32_t from, int32_t to);

// Fills one row per top-level node; row_count becomes their number, focus 0.
void fill_first_rows(main_window &w);

// Runs the menu loop until ESC or Quit, then shuts down (ends the dialog
// library, releases the arrays and the tree) and returns exit status 0.
int run_main_window(main_window &w);

} // namespace mibscope
