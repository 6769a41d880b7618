// Expanding and collapsing subtrees of the main window in place.
#pragma once

#include "app/main_window.h"

namespace mibscope {

// Expands or collapses the focused row's subtree; a leaf is left as it is.
void toggle_subtree(main_window &w);

} // namespace mibscope
