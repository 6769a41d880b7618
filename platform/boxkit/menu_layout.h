// Columns of a menu's rows: indentation, prefix padded to the widest prefix,
// name, and a description column aligned across the rows. Measured in one
// pass over the rows; placing a row is then independent of the row count.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/boxkit.h"
#include "platform/boxkit/text_layout.h"

namespace boxkit {

struct menu_columns {
    uint64_t prefix_width; // widest prefix; 0 when every prefix is empty
    uint64_t name_end;     // widest end of indentation + prefix + name over the rows
    uint64_t desc_width;   // widest description; 0 when descriptions are hidden
    uint64_t row_width;    // widest row, descriptions included
};

// One pass over `count` rows (null texts count as empty).
menu_columns measure_menu(const boxkit_menuitem *items, size_t count, text_style style,
                          bool hide_descriptions);

// Where a row's parts start, in columns from the list's left edge.
struct row_columns {
    uint64_t prefix_x;
    uint64_t name_x;
    uint64_t desc_x; // also where the name is cut
};

// Places a row with indentation `depth` in a list `list_width` columns wide.
// Rows are centred as a block unless `align_left`; the description column
// moves left, cutting long names, so that descriptions stay visible when the
// names would push them out of the list.
row_columns place_row(const menu_columns &cols, uint32_t depth, uint64_t list_width,
                      bool align_left, bool hide_descriptions);

} // namespace boxkit
