// Expanding and collapsing a subtree in place, inside the preallocated arrays.
#include "app/navigation.h"

#include <cstdint>
#include <cstring>

#include "app/options.h"

namespace mibscope {
namespace {

// Moves `count` rows, both arrays together, from index `from` to index `to`.
// Overlapping ranges are fine.
void move_rows(main_window &w, int32_t from, int32_t to, int32_t count) {
    if (count <= 0 || from == to)
        return;
    std::memmove(&w.rows[to], &w.rows[from], static_cast<size_t>(count) * sizeof w.rows[0]);
    std::memmove(&w.row_nodes[to], &w.row_nodes[from],
                 static_cast<size_t>(count) * sizeof w.row_nodes[0]);
}

void expand(main_window &w, int32_t f) {
    oidtree_object *parent = w.row_nodes[f];
    int64_t n = 0;
    for (const oidtree_object *c = parent->children->first; c != nullptr; c = c->next)
        ++n;
    // Each node is shown at most once, so the arrays always have room; the
    // check only keeps a broken tree from writing past them.
    if (w.row_count + n > w.node_count)
        return;

    w.rows[f].prefix = opts.expanded_label;
    const int32_t c = w.row_count;
    const auto children = static_cast<int32_t>(n);
    move_rows(w, f + 1, f + 1 + children, c - (f + 1));
    w.row_count = c + children;
    int32_t i = f + 1;
    for (oidtree_object *child = parent->children->first; child != nullptr;
         child = child->next, ++i) {
        w.row_nodes[i] = child;
        fill_row(child, &w.rows[i]);
    }
}

void collapse(main_window &w, int32_t f) {
    const uint64_t level = w.row_nodes[f]->level;
    w.rows[f].prefix = opts.expandable_label;
    const int32_t c = w.row_count;
    int32_t end = f + 1; // one past the last row of the run
    while (end < c && w.row_nodes[end]->level > level)
        ++end;
    release_previews(w.rows, f + 1, end);
    move_rows(w, end, f + 1, c - end);
    w.row_count = c - (end - (f + 1));
}

} // namespace

void toggle_subtree(main_window &w) {
    const int32_t f = w.focus;
    // No shown row is focused (an empty tree, or a focus the menu left
    // outside the rows): there is nothing to act on.
    if (f < 0 || f >= w.row_count)
        return;
    const char *prefix = w.rows[f].prefix;
    if (std::strcmp(prefix, opts.expandable_label) == 0) {
        if (w.row_nodes[f]->children != nullptr && w.row_nodes[f]->children->first != nullptr)
            expand(w, f);
    } else if (std::strcmp(prefix, opts.expanded_label) == 0) {
        collapse(w, f);
    }
}

} // namespace mibscope
