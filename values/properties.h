// The properties box of the focused node.
#pragma once

#include <cstdint>

#include "platform/boxkit.h"
#include "platform/oidtree.h"

namespace mibscope {

struct flag_name {
    uint32_t bit;
    const char *name;
};

inline constexpr unsigned flag_name_count = 17;
extern const flag_name flag_names[flag_name_count];

// Shows the properties of row_nodes[focus] in a box titled with rows[focus].name.
void show_properties(const boxkit_menuitem *rows, oidtree_object *const *row_nodes, int32_t focus);

} // namespace mibscope
