// Assigning a new value to the focused node.
#pragma once

#include <cstdint>

#include "platform/oidtree.h"

namespace mibscope {

// Refuses a node that cannot be written, or asks for a new value in a form,
// writes it and reports the outcome.
void set_value(oidtree_object *const *row_nodes, int32_t focus);

// Parses `text` according to the node's type and writes it to the kernel.
// 0: written. 1: nothing written, or the kernel refused; *reason receives a
// text allocated with malloc() that the caller releases. -1: an allocation
// failed; nothing written, no reason. `text` is never changed.
int write_value(const oidtree_object *node, const char *text, char **reason);

} // namespace mibscope
