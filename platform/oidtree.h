// The MIB-tree library: one snapshot of the structure of the kernel's parameter
// tree. Values are not in it; they are read with sysctl() when shown or set.
#pragma once

#include <cstdint>

struct oidtree_list;

// One node of the tree. Every text is owned by the tree.
struct oidtree_object {
    oidtree_object *next;   // next sibling; null at the end of the list
    int *oid;               // `level` numeric OID components
    uint64_t level;         // number of OID components; 1 at the top level
    char *name;             // full dotted name; always present
    char *description;      // always present, may be empty
    char *label;            // never read by the program
    uint8_t type;           // CTLTYPE_ code, 0..15
    uint32_t flags;         // CTLFLAG_ bits
    char *format;           // may be null
    oidtree_list *children; // null, or a list whose `first` is null: no children
};

struct oidtree_list {
    oidtree_object *first; // null when the list is empty
};

// Takes the snapshot. Returns the top-level list, or null when the tree cannot
// be read at all. The caller gives it back whole with oidtree_freemib().
oidtree_list *oidtree_mib(void);

// Releases a tree returned by oidtree_mib(), every node and text below it.
void oidtree_freemib(oidtree_list *list);

// Stores in *has_handler whether the node named by `oid` has a handler
// function. Returns 0 on success, -1 (errno set, *has_handler untouched) when
// the OID is unknown.
int oidtree_hashandler(const int *oid, uint64_t level, bool *has_handler);
