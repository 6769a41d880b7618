// The layer on this machine's real /proc/sys, read-only, against Linux's own
// sysctl tool (procps). Nothing here writes a parameter.
#include "platform/kernel.h"
#include "platform/oidtree.h"
#include "tests/procfs/fixture_tree.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace procfs_test;

std::string sysctl_tool() {
    for (const char *path : {"/usr/sbin/sysctl", "/sbin/sysctl"})
        if (access(path, X_OK) == 0)
            return path;
    return {};
}

// Standard output of a fixed command line.
std::string output_of(const std::string &command) {
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        out.append(chunk, n);
    pclose(pipe);
    return out;
}

bool procsys_present() {
    struct stat st;
    return stat("/proc/sys", &st) == 0 && S_ISDIR(st.st_mode);
}

class LiveProcSys : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!procsys_present())
            GTEST_SKIP() << "no /proc/sys on this machine";
        tool_ = sysctl_tool();
        if (tool_.empty())
            GTEST_SKIP() << "procps sysctl is not installed";
    }
    std::string tool_;
};

// The parameter names `sysctl -a -N` would list from a snapshot. sysctl
// leaves out two kinds of files, so they are left out here too:
//  - files whose owner may not read them (write-only triggers such as
//    vm.drop_caches): no CTLFLAG_RD;
//  - the deprecated neighbour-table timers base_reachable_time and
//    retrans_time (their *_ms twins are listed).
std::set<std::string> names_sysctl_lists(const oidtree_list *list) {
    std::set<std::string> names;
    for (const oidtree_object *n : all_nodes(list)) {
        if (n->type != mibscope::CTLTYPE_STRING || !(n->flags & mibscope::CTLFLAG_RD))
            continue;
        const std::string name = n->name;
        const bool neigh = name.find(".neigh.") != std::string::npos;
        auto ends_with = [&](const std::string &tail) {
            return name.size() > tail.size() &&
                   name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
        };
        if (neigh && (ends_with(".base_reachable_time") || ends_with(".retrans_time")))
            continue;
        names.insert(name);
    }
    return names;
}

TEST_F(LiveProcSys, NamesMatchSysctl) {
    EXPECT_NE(mibscope::kld_isloaded("oidprobe"), 0);
    EXPECT_EQ(mibscope::kld_isloaded("ipfw"), 0);

    // Entries may come and go (network interfaces, namespaces) while this
    // runs, so the layer is read before and after sysctl: a name that is in
    // both snapshots must be in sysctl's list, and every name sysctl lists
    // must be in at least one of them.
    held_snapshot before(oidtree_mib());
    ASSERT_NE(before.list, nullptr);
    const std::string listed = output_of(tool_ + " -a -N 2>/dev/null");
    held_snapshot after(oidtree_mib());
    ASSERT_NE(after.list, nullptr);

    std::set<std::string> from_sysctl;
    size_t start = 0;
    while (start < listed.size()) {
        size_t end = listed.find('\n', start);
        if (end == std::string::npos)
            end = listed.size();
        if (end > start)
            from_sysctl.insert(listed.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_GT(from_sysctl.size(), 100u) << "sysctl -a -N listed almost nothing";

    const auto in_before = names_sysctl_lists(before.list);
    const auto in_after = names_sysctl_lists(after.list);
    for (const std::string &name : in_before)
        if (in_after.count(name) != 0) {
            EXPECT_EQ(from_sysctl.count(name), 1u) << name << " is not listed by sysctl";
        }
    for (const std::string &name : from_sysctl)
        EXPECT_TRUE(in_before.count(name) != 0 || in_after.count(name) != 0)
            << name << " is listed by sysctl only";
}

TEST_F(LiveProcSys, StableValuesMatchSysctlN) {
    held_snapshot snap(oidtree_mib());
    ASSERT_NE(snap.list, nullptr);
    const auto nodes = all_nodes(snap.list);
    for (const char *name :
         {"kernel.ostype", "kernel.osrelease", "kernel.pid_max", "vm.overcommit_memory"}) {
        SCOPED_TRACE(name);
        const oidtree_object *node = nullptr;
        for (const oidtree_object *n : nodes)
            if (std::string(n->name) == name)
                node = n;
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->type, mibscope::CTLTYPE_STRING);
        EXPECT_NE(node->flags & mibscope::CTLFLAG_RD, 0u);

        std::string expected = output_of(tool_ + " -n " + name + " 2>/dev/null");
        ASSERT_FALSE(expected.empty());
        if (expected.back() == '\n')
            expected.pop_back();
        const read_result r = read_value(oid_of(*node));
        ASSERT_EQ(r.error, 0);
        EXPECT_EQ(r.value, expected + '\0');
    }
}

} // namespace
