// The tree a snapshot of a fixture directory gives: names, OIDs, types,
// flags, what is listed and what is not, and which snapshot OIDs resolve in.
#include "platform/kernel.h"
#include "platform/procfs/snapshot.h"
#include "tests/procfs/fixture_tree.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace procfs_test;
using mibscope::CTLFLAG_RD;
using mibscope::CTLFLAG_WR;
using mibscope::CTLTYPE_NODE;
using mibscope::CTLTYPE_STRING;
using mibscope::procfs::take_snapshot;

struct expected_node {
    std::string name;
    std::vector<int> oid;
    unsigned type;
};

TEST(ProcfsSnapshot, NamesAndOidsFollowTheSortedTree) {
    fixture_tree t;
    t.dir("kernel");
    // Byte order: upper case first, then '-' (0x2d) < '.' (0x2e) < '0' (0x30).
    for (const char *leaf : {"ostype", "a0", "a.b", "a", "Zed", "a-c"})
        t.file(std::string("kernel/") + leaf, "v\n");
    t.dir("net");
    t.dir("net/lo");
    t.dir("net/eth0.1");
    t.file("net/eth0.1/mtu", "1500\n");
    t.file("abi", "");

    held_snapshot snap(take_snapshot(t.root().c_str()));
    ASSERT_NE(snap.list, nullptr);

    const std::vector<expected_node> expected = {
        {"abi", {1}, CTLTYPE_STRING},
        {"kernel", {2}, CTLTYPE_NODE},
        {"kernel.Zed", {2, 1}, CTLTYPE_STRING},
        {"kernel.a", {2, 2}, CTLTYPE_STRING},
        {"kernel.a-c", {2, 3}, CTLTYPE_STRING},
        {"kernel.a/b", {2, 4}, CTLTYPE_STRING},
        {"kernel.a0", {2, 5}, CTLTYPE_STRING},
        {"kernel.ostype", {2, 6}, CTLTYPE_STRING},
        {"net", {3}, CTLTYPE_NODE},
        {"net.eth0/1", {3, 1}, CTLTYPE_NODE},
        {"net.eth0/1.mtu", {3, 1, 1}, CTLTYPE_STRING},
        {"net.lo", {3, 2}, CTLTYPE_NODE},
    };
    const auto nodes = all_nodes(snap.list);
    ASSERT_EQ(nodes.size(), expected.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        const oidtree_object &n = *nodes[i];
        const expected_node &e = expected[i];
        SCOPED_TRACE(e.name);
        EXPECT_STREQ(n.name, e.name.c_str());
        EXPECT_EQ(oid_of(n), e.oid);
        EXPECT_EQ(n.level, e.oid.size());
        EXPECT_EQ(n.type, e.type);
        EXPECT_STREQ(n.description, "");
        EXPECT_EQ(n.label, nullptr);
        ASSERT_NE(n.format, nullptr);
        EXPECT_STREQ(n.format, e.type == CTLTYPE_NODE ? "N" : "A");
        // A directory always has a list (net.lo's is empty); a file has none.
        EXPECT_EQ(n.children != nullptr, e.type == CTLTYPE_NODE);

        // The OID leads back to this very entry.
        bool handler = e.type == CTLTYPE_NODE;
        EXPECT_EQ(oidtree_hashandler(n.oid, n.level, &handler), 0);
        EXPECT_EQ(handler, e.type == CTLTYPE_STRING);
        const read_result r = read_value(e.oid);
        if (e.type == CTLTYPE_NODE)
            EXPECT_EQ(r.error, EISDIR);
        else
            EXPECT_EQ(r.error, 0) << r.value;
    }
    const read_result mtu = read_value({3, 1, 1});
    EXPECT_EQ(mtu.value, std::string("1500", 5));
}

TEST(ProcfsSnapshot, FlagsComeFromTheOwnerModeBits) {
    struct mode_case {
        const char *entry;
        bool directory;
        mode_t mode;
        uint32_t flags;
    };
    const mode_case cases[] = {
        {"f0444", false, 0444, CTLFLAG_RD}, {"f0644", false, 0644, CTLFLAG_RD | CTLFLAG_WR},
        {"f0200", false, 0200, CTLFLAG_WR}, {"f0000", false, 0000, 0},
        {"f0066", false, 0066, 0}, // group and others do not count
        {"d0755", true, 0755, CTLFLAG_RD},  {"d0555", true, 0555, CTLFLAG_RD},
        {"d0000", true, 0000, 0}, // listed all the same
    };
    fixture_tree t;
    for (const mode_case &c : cases) {
        if (c.directory)
            t.dir(c.entry, c.mode);
        else
            t.file(c.entry, "1\n", c.mode);
    }
    held_snapshot snap(take_snapshot(t.root().c_str()));
    ASSERT_NE(snap.list, nullptr);
    const auto nodes = all_nodes(snap.list);
    ASSERT_EQ(nodes.size(), std::size(cases));
    for (const mode_case &c : cases) {
        SCOPED_TRACE(c.entry);
        const oidtree_object *found = nullptr;
        for (const oidtree_object *n : nodes)
            if (std::strcmp(n->name, c.entry) == 0)
                found = n;
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->flags, c.flags);
        EXPECT_EQ(found->type, c.directory ? CTLTYPE_NODE : CTLTYPE_STRING);
    }
}

TEST(ProcfsSnapshot, UnreadableDirectoryIsANodeWithoutChildren) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads a directory of mode 0000";
    fixture_tree t;
    t.dir("locked");
    t.file("locked/inside", "1\n");
    t.chmod("locked", 0000);
    t.file("zz", "2\n");
    held_snapshot snap(take_snapshot(t.root().c_str()));
    ASSERT_NE(snap.list, nullptr);
    const auto nodes = all_nodes(snap.list);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_STREQ(nodes[0]->name, "locked");
    ASSERT_NE(nodes[0]->children, nullptr);
    EXPECT_EQ(nodes[0]->children->first, nullptr);
    EXPECT_EQ(oid_of(*nodes[1]), std::vector<int>{2});
}

TEST(ProcfsSnapshot, LinksAndSpecialFilesAreNotListed) {
    fixture_tree outside;
    outside.file("secret", "outside the tree\n");
    outside.dir("elsewhere");
    outside.file("elsewhere/x", "1\n");

    fixture_tree t;
    t.file("b", "1\n");
    ASSERT_EQ(symlink(outside.path("secret").c_str(), t.path("a_link_to_file").c_str()), 0);
    ASSERT_EQ(symlink(outside.path("elsewhere").c_str(), t.path("a_link_to_dir").c_str()), 0);
    ASSERT_EQ(mkfifo(t.path("a_fifo").c_str(), 0644), 0);

    held_snapshot snap(take_snapshot(t.root().c_str()));
    ASSERT_NE(snap.list, nullptr);
    const auto nodes = all_nodes(snap.list);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_STREQ(nodes[0]->name, "b");
    EXPECT_EQ(oid_of(*nodes[0]), std::vector<int>{1});
}

TEST(ProcfsSnapshot, DeeperDirectoriesStopAt24Levels) {
    fixture_tree t;
    std::string rel = "d";
    t.dir(rel);
    for (int i = 1; i < 26; ++i) {
        rel += "/d";
        t.dir(rel);
    }
    t.file(rel + "/leaf", "1\n");
    held_snapshot snap(take_snapshot(t.root().c_str()));
    ASSERT_NE(snap.list, nullptr);
    const auto nodes = all_nodes(snap.list);
    ASSERT_EQ(nodes.size(), 24u);
    const oidtree_object &deepest = *nodes.back();
    EXPECT_EQ(deepest.level, 24u);
    EXPECT_EQ(oid_of(deepest), std::vector<int>(24, 1));
    ASSERT_NE(deepest.children, nullptr);
    EXPECT_EQ(deepest.children->first, nullptr);
}

TEST(ProcfsSnapshot, RootMustBeAReadableDirectory) {
    fixture_tree t;
    t.file("plain", "1\n");
    t.dir("empty");
    errno = 0;
    EXPECT_EQ(take_snapshot(t.path("missing").c_str()), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(take_snapshot(t.path("plain").c_str()), nullptr);
    EXPECT_EQ(errno, ENOTDIR);

    held_snapshot empty(take_snapshot(t.path("empty").c_str()));
    ASSERT_NE(empty.list, nullptr);
    EXPECT_EQ(empty.list->first, nullptr);
    EXPECT_EQ(read_value({1}).error, ENOENT);
}

TEST(ProcfsSnapshot, OidsResolveInTheNewestSnapshotStillHeld) {
    fixture_tree one, two;
    one.file("x", "one\n");
    two.file("x", "two\n");
    oidtree_list *first = take_snapshot(one.root().c_str());
    oidtree_list *second = take_snapshot(two.root().c_str());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(read_value({1}).value, std::string("two", 4));
    oidtree_freemib(second);
    EXPECT_EQ(read_value({1}).value, std::string("one", 4));
    oidtree_freemib(first);
    EXPECT_EQ(read_value({1}).error, ENOENT);
    bool handler = true;
    errno = 0;
    EXPECT_EQ(oidtree_hashandler(std::vector<int>{1}.data(), 1, &handler), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(handler) << "left untouched on failure";
    oidtree_freemib(nullptr); // harmless
}

TEST(ProcfsSnapshot, ModuleIsLoadedWhenTheRootCanBeRead) {
    fixture_tree t;
    t.file("plain", "1\n");
    using mibscope::procfs::module_loaded;
    EXPECT_NE(module_loaded(t.root().c_str(), "oidprobe"), 0);
    EXPECT_EQ(module_loaded(t.root().c_str(), "other"), 0);
    EXPECT_EQ(module_loaded(t.root().c_str(), nullptr), 0);
    EXPECT_EQ(module_loaded(t.path("missing").c_str(), "oidprobe"), 0);
    EXPECT_EQ(module_loaded(t.path("plain").c_str(), "oidprobe"), 0);
}

} // namespace
