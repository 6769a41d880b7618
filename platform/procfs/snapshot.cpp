// Reads a directory tree into an oidtree snapshot and maps OIDs back to its
// nodes. One pass: each directory is read once, each entry stat'ed once,
// relative to its directory's descriptor.
#include "platform/procfs/snapshot.h"

#include "platform/kernel.h"
#include "platform/procfs/arena.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mibscope::procfs {
namespace {

// A sibling list that knows its length, so that the k-th child of a node is
// found directly: its nodes are one array in sibling order.
struct child_list {
    oidtree_list list;
    std::size_t count;
};
static_assert(std::is_standard_layout_v<child_list>);

const child_list *as_child_list(const oidtree_list *list) {
    return reinterpret_cast<const child_list *>(list);
}

struct snapshot {
    arena mem;
    std::string root;
    child_list *top = nullptr;
};

// Snapshots not yet released, oldest first; OIDs resolve against the last.
std::vector<std::unique_ptr<snapshot>> &live_snapshots() {
    static std::vector<std::unique_ptr<snapshot>> live;
    return live;
}

struct dir_closer {
    void operator()(DIR *d) const { closedir(d); }
};
using dir_ptr = std::unique_ptr<DIR, dir_closer>;

// One listed entry of the directory being read: its name in the scratch pool.
struct entry {
    std::uint32_t offset;
    std::uint32_t length;
    mode_t mode;
};

// Entries of the directories on the current path, one scratch per level,
// reused from directory to directory so that reading costs no allocation
// once the buffers have grown.
struct level_scratch {
    std::string names; // every name followed by a NUL
    std::vector<entry> entries;
};

class tree_reader {
  public:
    explicit tree_reader(arena &mem) : mem_(mem) {
        empty_ = copy_text("");
        node_format_ = copy_text("N");
        string_format_ = copy_text("A");
    }

    // Reads the directory open as `fd` (taken over) into a list of the nodes
    // of `level`, below `parent` (null at the top).
    child_list *read_directory(int fd, const oidtree_object *parent, unsigned level) {
        dir_ptr dir(fdopendir(fd));
        if (!dir)
            close(fd);
        auto *list = mem_.make_array<child_list>(1);
        if (!dir)
            return list;
        level_scratch &scratch = scratch_[level - 1];
        list_entries(dir.get(), scratch);
        if (scratch.entries.empty())
            return list;

        const std::size_t count = scratch.entries.size();
        auto *nodes = mem_.make_array<oidtree_object>(count);
        list->list.first = nodes;
        list->count = count;
        const std::size_t prefix = parent != nullptr ? std::strlen(parent->name) + 1 : 0;
        for (std::size_t i = 0; i < count; ++i)
            fill_node(nodes[i], scratch.names.data() + scratch.entries[i].offset,
                      scratch.entries[i], parent, prefix, level, i);
        for (std::size_t i = 0; i + 1 < count; ++i)
            nodes[i].next = &nodes[i + 1];

        // Descend after the whole level is built: the scratch of this level
        // stays untouched while deeper levels use their own.
        const int dfd = dirfd(dir.get());
        for (std::size_t i = 0; i < count; ++i) {
            if (nodes[i].type != CTLTYPE_NODE)
                continue;
            int child_fd = -1;
            if (level < max_level)
                child_fd = openat(dfd, scratch.names.data() + scratch.entries[i].offset,
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            nodes[i].children = child_fd < 0
                                    ? &mem_.make_array<child_list>(1)->list
                                    : &read_directory(child_fd, &nodes[i], level + 1)->list;
        }
        return list;
    }

  private:
    // Collects the names of the directories and regular files of `dir`,
    // sorted by byte order, with their modes.
    static void list_entries(DIR *dir, level_scratch &scratch) {
        scratch.names.clear();
        scratch.entries.clear();
        const int dfd = dirfd(dir);
        while (const dirent *d = readdir(dir)) {
            const char *n = d->d_name;
            if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
                continue;
            // d_type says nothing of the mode, so every entry is stat'ed; an
            // entry gone since readdir is simply not listed.
            struct stat st;
            if (fstatat(dfd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
                continue;
            const std::size_t length = std::strlen(n);
            scratch.entries.push_back({static_cast<std::uint32_t>(scratch.names.size()),
                                       static_cast<std::uint32_t>(length), st.st_mode});
            scratch.names.append(n, length + 1);
        }
        const char *pool = scratch.names.data();
        std::sort(
            scratch.entries.begin(), scratch.entries.end(), [pool](const entry &a, const entry &b) {
                const int c =
                    std::memcmp(pool + a.offset, pool + b.offset, std::min(a.length, b.length));
                return c != 0 ? c < 0 : a.length < b.length;
            });
    }

    // `prefix`: the length of the parent's name and its '.', 0 at the top.
    void fill_node(oidtree_object &node, const char *component, const entry &e,
                   const oidtree_object *parent, std::size_t prefix, unsigned level,
                   std::size_t index) {
        const bool directory = S_ISDIR(e.mode);
        node.level = level;
        node.oid = static_cast<int *>(mem_.allocate(level * sizeof(int), alignof(int)));
        if (parent != nullptr)
            std::memcpy(node.oid, parent->oid, (level - 1) * sizeof(int));
        node.oid[level - 1] = static_cast<int>(index + 1);

        char *name = static_cast<char *>(mem_.allocate(prefix + e.length + 1, 1));
        if (parent != nullptr) {
            std::memcpy(name, parent->name, prefix - 1);
            name[prefix - 1] = '.';
        }
        component_name(component, e.length, name + prefix);
        name[prefix + e.length] = '\0';
        node.name = name;

        node.description = empty_;
        node.label = nullptr;
        node.type = static_cast<std::uint8_t>(directory ? CTLTYPE_NODE : CTLTYPE_STRING);
        node.format = directory ? node_format_ : string_format_;
        node.flags = (e.mode & S_IRUSR) ? CTLFLAG_RD : 0;
        // A directory is never a writable parameter: only files get WR.
        if (!directory && (e.mode & S_IWUSR))
            node.flags |= CTLFLAG_WR;
        node.children = nullptr;
        node.next = nullptr;
    }

    char *copy_text(const char *text) {
        const std::size_t size = std::strlen(text) + 1;
        return static_cast<char *>(std::memcpy(mem_.allocate(size, 1), text, size));
    }

    arena &mem_;
    std::array<level_scratch, max_level> scratch_;
    char *empty_;
    char *node_format_;
    char *string_format_;
};

} // namespace

oidtree_list *take_snapshot(const char *root) {
    if (root == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    try {
        auto snap = std::make_unique<snapshot>();
        snap->root = root;
        tree_reader reader(snap->mem);
        // The root itself must be readable; below it, an unreadable directory
        // is a node without children.
        const int fd = open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        snap->top = reader.read_directory(fd, nullptr, 1);
        live_snapshots().push_back(std::move(snap));
        return &live_snapshots().back()->top->list;
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return nullptr;
    }
}

int module_loaded(const char *root, const char *name) {
    if (root == nullptr || name == nullptr || std::strcmp(name, "oidprobe") != 0)
        return 0;
    if (access(root, R_OK | X_OK) != 0)
        return 0;
    DIR *dir = opendir(root);
    if (dir == nullptr)
        return 0;
    closedir(dir);
    return 1;
}

located locate(const int *oid, std::size_t level) {
    auto &live = live_snapshots();
    if (oid == nullptr || level == 0 || level > max_level || live.empty()) {
        errno = ENOENT;
        return {nullptr, nullptr};
    }
    const snapshot &snap = *live.back();
    const oidtree_list *list = &snap.top->list;
    const oidtree_object *node = nullptr;
    for (std::size_t i = 0; i < level; ++i) {
        const child_list *children = as_child_list(list);
        const int k = oid[i];
        if (children == nullptr || k < 1 || static_cast<std::size_t>(k) > children->count) {
            errno = ENOENT;
            return {nullptr, nullptr};
        }
        node = children->list.first + (k - 1);
        list = node->children;
    }
    return {node, snap.root.c_str()};
}

void component_name(const char *component, std::size_t length, char *out) {
    for (std::size_t i = 0; i < length; ++i)
        out[i] = component[i] == '.' ? '/' : component[i];
}

std::string node_path(const located &at) {
    std::string path = at.root;
    path += '/';
    const std::size_t start = path.size();
    path += at.node->name;
    for (std::size_t i = start; i < path.size(); ++i) {
        if (path[i] == '.')
            path[i] = '/';
        else if (path[i] == '/')
            path[i] = '.';
    }
    return path;
}

std::size_t snapshot_bytes(const oidtree_list *list) {
    for (const auto &snap : live_snapshots())
        if (&snap->top->list == list)
            return sizeof(snapshot) + snap->root.capacity() + snap->mem.reserved();
    return 0;
}

} // namespace mibscope::procfs

void oidtree_freemib(oidtree_list *list) {
    auto &live = mibscope::procfs::live_snapshots();
    for (auto it = live.begin(); it != live.end(); ++it) {
        if (&(*it)->top->list == list) {
            live.erase(it);
            return;
        }
    }
}

int oidtree_hashandler(const int *oid, uint64_t level, bool *has_handler) {
    const auto at = mibscope::procfs::locate(oid, level);
    if (at.node == nullptr)
        return -1;
    // Every parameter file has a kernel handler behind it; directories do not.
    *has_handler = at.node->type == mibscope::CTLTYPE_STRING;
    return 0;
}
