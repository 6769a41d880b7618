// The entry point up to the main window: command line, start-up checks, snapshot.
#pragma once

#include <cstdint>

#include "platform/oidtree.h"

namespace mibscope {

// Runs the whole program; returns its exit status (0 or 1). Fatal errors after
// the dialog library has started end the process through die().
int mibscope_main(int argc, char **argv);

// Writes the usage lines to standard output; the long form adds the option list.
void print_usage(bool long_form);

// Number of nodes in `list` and, recursively, below them.
int32_t count_nodes(const oidtree_list *list);

} // namespace mibscope
