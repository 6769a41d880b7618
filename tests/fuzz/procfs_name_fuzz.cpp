// The /proc/sys layer's name mapping: a path below the root becomes a dotted
// name (a '.' inside a component written as '/'), and node_path maps the name
// back to the path.
//
// Input: a relative path; '/' and NUL separate its components, and empty
// components, "." and ".." are skipped, as no directory entry has those names.
//
// Invariants: the name has one '.' per level boundary, so splitting it at '.'
// gives back as many components as the path has, each the entry's name with
// '.' written as '/'; node_path gives back exactly root/path.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/oidtree.h"
#include "platform/procfs/snapshot.h"
#include "tests/fuzz/fuzz_check.h"

using fuzz::require;

namespace {

std::vector<std::string> components_of(std::string_view path) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(std::string_view("/\0", 2), start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view c = path.substr(start, end - start);
        if (!c.empty() && c != "." && c != "..")
            out.emplace_back(c);
        start = end + 1;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::vector<std::string> components =
        components_of(std::string_view(reinterpret_cast<const char *>(data), size));
    if (components.empty() || components.size() > mibscope::procfs::max_level)
        return 0;

    // The name as the tree reader composes it, level by level.
    std::string name;
    std::string path = "/proc/sys";
    for (const std::string &c : components) {
        if (!name.empty())
            name += '.';
        std::string mapped(c.size(), '\0');
        mibscope::procfs::component_name(c.data(), c.size(), mapped.data());
        require(mapped.find('.') == std::string::npos, "a component's name holds no '.'");
        name += mapped;
        path += '/';
        path += c;
    }

    size_t levels = 1;
    for (char ch : name)
        levels += ch == '.';
    require(levels == components.size(), "one '.' per level boundary");

    oidtree_object node{};
    node.name = name.data();
    node.level = components.size();
    const std::string back = mibscope::procfs::node_path({&node, "/proc/sys"});
    require(back == path, "node_path maps the name back to the path");
    return 0;
}
