// A node's current value as text.
//
// Each operation returns 0 when it delivers a text through `text` (a value or
// a reason), -1 when an allocation failed and no text is delivered. Delivered
// texts are allocated with malloc() and released by the caller with free().
#pragma once

#include <cstdint>

#include "platform/oidtree.h"

namespace mibscope {

// Renders `length` bytes of `buffer` according to type code `type`. For a
// string the buffer itself becomes the text. On -1 the buffer stays the caller's.
int format_value(char *buffer, uint64_t length, unsigned type, char **text);

// The node's current value text, or the reason why there is none.
int read_value(const oidtree_object *node, char **text);

// The value for the main window's description column: the value text, the
// empty text, or "Open [Properties]" when it is too long or spans lines.
int value_preview(const oidtree_object *node, char **text);

} // namespace mibscope
