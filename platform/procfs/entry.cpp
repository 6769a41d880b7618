// The program's entry points into the kernel layer, with the root directory
// fixed when this file is compiled (see add_procfs_library in CMakeLists.txt).
#include "platform/kernel.h"
#include "platform/oidtree.h"
#include "platform/procfs/snapshot.h"

#ifndef MIBSCOPE_PROCFS_ROOT
#error "MIBSCOPE_PROCFS_ROOT must name the root directory of the parameter tree"
#endif

oidtree_list *oidtree_mib(void) {
    return mibscope::procfs::take_snapshot(MIBSCOPE_PROCFS_ROOT);
}

namespace mibscope {

int kld_isloaded(const char *name) {
    return procfs::module_loaded(MIBSCOPE_PROCFS_ROOT, name);
}

} // namespace mibscope
