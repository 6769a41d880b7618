// Internal interface of the kernel layer on /proc/sys, shared by its sources
// and used directly by its unit tests (which need many fixture roots in one
// executable). The program itself only sees platform/oidtree.h and
// platform/kernel.h, whose entry points fix the root at compile time.
//
// The tree below a root directory becomes the MIB:
//  - a directory is a node: CTLTYPE_NODE, format "N", CTLFLAG_RD when its
//    owner may read it; it always has a children list (empty when the
//    directory cannot be read);
//  - a regular file is a parameter: CTLTYPE_STRING, format "A", CTLFLAG_RD /
//    CTLFLAG_WR when its owner may read / write it; no children;
//  - anything else (symbolic links, FIFOs, sockets, devices) is not listed:
//    the layer never follows a link out of the tree, and never opens an entry
//    that could block;
//  - names: the path below the root, each '.' inside a component written as
//    '/', components joined with '.' (directory eth0.1 gives eth0/1);
//  - OIDs: one component per level, the 1-based position of the entry among
//    its listed siblings in byte order of their names;
//  - description: the empty text; label: null;
//  - at most CTL_MAXNAME (24) levels: a directory at the deepest level is
//    listed without children.
//
// sysctl() and oidtree_hashandler() resolve OIDs against the most recent
// snapshot that has not been released. Single-threaded, like the program.
#pragma once

#include "platform/oidtree.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace mibscope::procfs {

inline constexpr unsigned max_level = 24; // CTL_MAXNAME

// Takes a snapshot of the tree below `root`, which becomes the one OIDs are
// resolved against. Null (errno set) when `root` cannot be read as a
// directory or memory runs out.
oidtree_list *take_snapshot(const char *root);

// Nonzero when `name` is "oidprobe" and `root` is a directory this process
// can read.
int module_loaded(const char *root, const char *name);

// The node that `oid` names in the current snapshot, with the snapshot's
// root; null node (errno ENOENT) when there is none.
struct located {
    const oidtree_object *node;
    const char *root;
};
located locate(const int *oid, std::size_t level);

// Writes the name component of the directory entry `component` (`length`
// bytes, never holding a '/') to `out`, which has room for `length` bytes:
// each '.' becomes '/', so that a dotted name keeps one '.' per level.
void component_name(const char *component, std::size_t length, char *out);

// The file path of a node: root, '/', and the name with '.' and '/' swapped.
// The swap is exact because a component never holds a '/'.
std::string node_path(const located &at);

// Bytes of memory a snapshot holds (its blocks and bookkeeping).
std::size_t snapshot_bytes(const oidtree_list *list);

} // namespace mibscope::procfs
