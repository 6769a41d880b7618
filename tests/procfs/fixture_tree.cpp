#include "tests/procfs/fixture_tree.h"

#include "platform/kernel.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace procfs_test {
namespace fs = std::filesystem;

namespace {

void check(bool ok, const std::string &what) {
    if (!ok)
        throw std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

void fixture_tree::dir(const std::string &relative, mode_t mode) const {
    check(mkdir(path(relative).c_str(), 0700) == 0, "mkdir " + relative);
    chmod(relative, mode);
}

void fixture_tree::file(const std::string &relative, const std::string &content,
                        mode_t mode) const {
    test_support::write_file(path(relative), content, mode);
}

void fixture_tree::chmod(const std::string &relative, mode_t mode) const {
    check(::chmod(path(relative).c_str(), mode) == 0, "chmod " + relative);
}

void fixture_tree::remove(const std::string &relative) const {
    std::error_code ec;
    fs::remove_all(path(relative), ec);
    check(!ec, "remove " + relative);
}

std::string fixture_tree::content(const std::string &relative) const {
    return test_support::read_file(path(relative));
}

std::vector<const oidtree_object *> all_nodes(const oidtree_list *list) {
    std::vector<const oidtree_object *> nodes;
    if (list == nullptr)
        return nodes;
    for (const oidtree_object *n = list->first; n != nullptr; n = n->next) {
        nodes.push_back(n);
        for (const oidtree_object *child : all_nodes(n->children))
            nodes.push_back(child);
    }
    return nodes;
}

std::vector<int> oid_of(const oidtree_object &node) {
    return std::vector<int>(node.oid, node.oid + node.level);
}

int sysctl_error(const std::vector<int> &oid, void *oldp, size_t *oldlenp, const void *newp,
                 size_t newlen) {
    errno = 0;
    if (mibscope::sysctl(oid.data(), static_cast<unsigned>(oid.size()), oldp, oldlenp, newp,
                         newlen) == 0)
        return 0;
    return errno != 0 ? errno : -1;
}

read_result read_value(const std::vector<int> &oid) {
    size_t size = 0;
    if (const int err = sysctl_error(oid, nullptr, &size, nullptr, 0))
        return {err, {}};
    std::string buffer(2 * size, '\0');
    size_t length = buffer.size();
    if (const int err = sysctl_error(oid, buffer.data(), &length, nullptr, 0))
        return {err, {}};
    if (length != size)
        return {-2, "probe said " + std::to_string(size) + ", read gave " + std::to_string(length)};
    buffer.resize(length);
    return {0, buffer};
}

} // namespace procfs_test
