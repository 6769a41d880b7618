// A directory tree built by a test in a fresh temporary directory, removed
// with everything below it (whatever the modes) when the fixture goes; and a
// few helpers to take and walk snapshots of it.
#pragma once

#include "platform/oidtree.h"
#include "tests/support/temp_files.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace procfs_test {

class fixture_tree {
  public:
    fixture_tree() : root_("procfs-fixture") {}

    const std::string &root() const { return root_.path(); }
    std::string path(const std::string &relative) const { return root() + "/" + relative; }

    // Each creates its entry (parents must exist) and sets its mode exactly.
    void dir(const std::string &relative, mode_t mode = 0755) const;
    void file(const std::string &relative, const std::string &content, mode_t mode = 0644) const;

    void chmod(const std::string &relative, mode_t mode) const;
    void remove(const std::string &relative) const;
    std::string content(const std::string &relative) const;

  private:
    test_support::temp_dir root_;
};

// A snapshot released when it goes out of scope.
struct held_snapshot {
    explicit held_snapshot(oidtree_list *l) : list(l) {}
    ~held_snapshot() { oidtree_freemib(list); }
    held_snapshot(const held_snapshot &) = delete;
    held_snapshot &operator=(const held_snapshot &) = delete;
    oidtree_list *list;
};

// Every node of the tree, parents before children, siblings in list order.
std::vector<const oidtree_object *> all_nodes(const oidtree_list *list);

// A node's OID as a vector.
std::vector<int> oid_of(const oidtree_object &node);

// The outcome of reading a value the way the program does: a size probe, then
// a read into a zero-filled buffer of twice that size.
struct read_result {
    int error;         // 0, or the errno of the failing call
    std::string value; // the bytes delivered, the terminating NUL included
};
read_result read_value(const std::vector<int> &oid);

// errno of sysctl() with the arguments given, 0 on success.
int sysctl_error(const std::vector<int> &oid, void *oldp, size_t *oldlenp, const void *newp,
                 size_t newlen);

} // namespace procfs_test
