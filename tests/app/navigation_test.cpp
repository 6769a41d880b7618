// Expanding and collapsing subtrees in place.
#include <malloc.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/navigation.h"
#include "app/options.h"
#include "app/startup.h"
#include "platform/oidtree.h"
#include "tests/support/fake_kernel.h"

namespace {

// a: a.b (leaf), a.c (a.c.d, a.c.e), a.f (leaf); g (leaf); h: h.i (leaf).
const char *const agh_mib = R"(
a | node | RD
a.b | int | RD+WR | I | 1
a.c | node | RD
a.c.d | int | RD | I | 4
a.c.e | string | RD | A | e
a.f | string | RD | A | f
g | int | RD | I | 7
h | node | RD
h.i | uint | RD | IU | 9
)";

using rows_t = std::vector<std::string>;

class Navigation : public ::testing::Test {
  protected:
    void SetUp() override {
        fake_kernel::load(agh_mib);
        mibscope::opts = mibscope::default_options();
    }
    void TearDown() override {
        close();
        mibscope::opts = mibscope::default_options();
    }

    // Takes the snapshot and fills the first rows, with arrays of exactly N
    // entries so that a sanitizer sees any write past them.
    void open() {
        w.tree = oidtree_mib();
        ASSERT_NE(w.tree, nullptr);
        w.node_count = mibscope::count_nodes(w.tree);
        w.rows = static_cast<boxkit_menuitem *>(std::calloc(w.node_count, sizeof *w.rows));
        w.row_nodes =
            static_cast<oidtree_object **>(std::calloc(w.node_count, sizeof *w.row_nodes));
        mibscope::fill_first_rows(w);
    }
    void close() {
        if (w.tree == nullptr)
            return;
        mibscope::release_previews(w.rows, 0, w.row_count);
        std::free(w.rows);
        std::free(w.row_nodes);
        oidtree_freemib(w.tree);
        w = {};
    }

    void navigate(int32_t focus) {
        w.focus = focus;
        mibscope::toggle_subtree(w);
        EXPECT_EQ(w.focus, focus);
    }

    // Each shown row as "<name> <state>", the state told by which label the
    // prefix points at: E expandable, X expanded, L leaf.
    rows_t shown() const {
        rows_t r;
        for (int32_t i = 0; i < w.row_count; ++i) {
            const char *p = w.rows[i].prefix;
            const char *state = p == mibscope::opts.expandable_label ? "E"
                                : p == mibscope::opts.expanded_label ? "X"
                                : p == mibscope::opts.leaf_label     ? "L"
                                                                     : "?";
            EXPECT_EQ(w.rows[i].bottom_text, w.row_nodes[i]->name) << "row " << i;
            r.push_back(std::string(w.row_nodes[i]->name) + " " + state);
        }
        return r;
    }
    std::string description(int32_t i) const { return w.rows[i].description; }

    mibscope::main_window w{};
};

TEST_F(Navigation, ExpandAndCollapseInPlace) {
    open();
    EXPECT_EQ(w.node_count, 9);
    EXPECT_EQ(shown(), (rows_t{"a E", "g L", "h E"}));

    navigate(0);
    EXPECT_EQ(shown(), (rows_t{"a X", "a.b L", "a.c E", "a.f L", "g L", "h E"}));
    navigate(2);
    const rows_t eight = {"a X", "a.b L", "a.c X", "a.c.d L", "a.c.e L", "a.f L", "g L", "h E"};
    EXPECT_EQ(shown(), eight);
    EXPECT_EQ(w.rows[3].depth, 2u);
    EXPECT_STREQ(w.rows[3].name, ".d");

    // Collapsing a.c stops at a.f, whose level equals a.c's.
    navigate(2);
    EXPECT_EQ(shown(), (rows_t{"a X", "a.b L", "a.c E", "a.f L", "g L", "h E"}));
    navigate(2);
    EXPECT_EQ(shown(), eight);

    // Collapsing a removes the expanded a.c and its children too; expanding a
    // again shows a.c as expandable.
    navigate(0);
    EXPECT_EQ(shown(), (rows_t{"a E", "g L", "h E"}));
    navigate(0);
    EXPECT_EQ(shown(), (rows_t{"a X", "a.b L", "a.c E", "a.f L", "g L", "h E"}));
}

TEST_F(Navigation, LastRowAndLeaves) {
    open();
    navigate(1); // g is a leaf
    EXPECT_EQ(shown(), (rows_t{"a E", "g L", "h E"}));
    navigate(2); // expanding the last row moves nothing
    EXPECT_EQ(shown(), (rows_t{"a E", "g L", "h X", "h.i L"}));
    navigate(3); // a leaf child
    EXPECT_EQ(shown(), (rows_t{"a E", "g L", "h X", "h.i L"}));
    navigate(2); // the run reaches the last row
    EXPECT_EQ(w.row_count, 3);
    EXPECT_EQ(shown(), (rows_t{"a E", "g L", "h E"}));
}

TEST_F(Navigation, EmptyChildListIsALeaf) {
    fake_kernel::load("a | node | RD\nb | node | RD\nb.c | int | RD | I | 1\n");
    open();
    EXPECT_EQ(shown(), (rows_t{"a L", "b E"}));
    navigate(0);
    EXPECT_EQ(shown(), (rows_t{"a L", "b E"}));
}

TEST_F(Navigation, NoRowOrFocusOutsideTheRowsChangesNothing) {
    fake_kernel::reset();
    open();
    for (int32_t focus : {0, -1, 1})
        navigate(focus);
    EXPECT_EQ(w.row_count, 0);
    close();

    fake_kernel::load(agh_mib);
    open();
    for (int32_t focus : {3, 8, -1, INT32_MIN, INT32_MAX})
        navigate(focus);
    EXPECT_EQ(shown(), (rows_t{"a E", "g L", "h E"}));
}

// Expands every expandable row, top to bottom, until none is left.
void expand_all(mibscope::main_window &w) {
    for (int32_t i = 0; i < w.row_count; ++i)
        if (w.rows[i].prefix == mibscope::opts.expandable_label) {
            w.focus = i;
            mibscope::toggle_subtree(w);
        }
}

TEST_F(Navigation, ExpandingEveryNodeShowsTheWholeTreeInOrder) {
    // A deeper tree with expandable nodes at the end of sibling lists.
    std::string deep = agh_mib;
    for (const char *line : {"h.j | node | RD", "h.j.k | node | RD", "h.j.k.l | int | RD | I | 1",
                             "h.j.k.m | node | RD", "h.j.k.m.n | int | RD | I | 2", "z | node"})
        deep += std::string(line) + "\n";
    for (const std::string &mib : {std::string(agh_mib), deep}) {
        fake_kernel::load(mib);
        open();
        expand_all(w);
        EXPECT_EQ(w.row_count, w.node_count);
        // Pre-order equals the fixture's line order; every node exactly once.
        std::set<const oidtree_object *> seen(w.row_nodes, w.row_nodes + w.row_count);
        EXPECT_EQ(seen.size(), static_cast<size_t>(w.node_count));
        for (int32_t i = 1; i < w.row_count; ++i) {
            const oidtree_object *previous = w.row_nodes[i - 1];
            const oidtree_object *node = w.row_nodes[i];
            EXPECT_LE(node->level, previous->level + 1);
            if (node->level == previous->level + 1) {
                EXPECT_EQ(previous->children->first, node);
            }
        }
        // Collapsing the top-level rows from the bottom up brings back the start.
        for (int32_t i = w.row_count - 1; i >= 0; --i)
            if (w.row_nodes[i]->level == 1 && w.rows[i].prefix == mibscope::opts.expanded_label) {
                w.focus = i;
                mibscope::toggle_subtree(w);
            }
        EXPECT_EQ(w.row_count, mib == deep ? 4 : 3);
        close();
    }
}

TEST_F(Navigation, PreviewsAreReadWhenRowsAreBuiltAndReleasedOnCollapse) {
    mibscope::opts.show_values = true;
    open();
    EXPECT_EQ(description(1), "7");

    // Values changed in the kernel show only when their row is built again.
    fake_kernel::set_value_of("a.b", {2, 0, 0, 0});
    fake_kernel::set_value_of("g", {8, 0, 0, 0});
    navigate(0);
    EXPECT_EQ(description(1), "2"); // a.b read anew
    EXPECT_EQ(description(2), "");  // a.c is a node: nothing read
    EXPECT_EQ(description(3), "f");
    EXPECT_EQ(description(4), "7"); // g moved with its preview, not read again

    fake_kernel::set_value_of("a.b", {3, 0, 0, 0});
    navigate(2);
    EXPECT_EQ(description(1), "2");
    EXPECT_EQ(description(3), "4");
    EXPECT_EQ(description(4), "e");
    navigate(0);
    EXPECT_EQ(shown(), (rows_t{"a E", "g L", "h E"}));
    EXPECT_EQ(description(1), "7"); // moved up, kept
    navigate(0);
    EXPECT_EQ(description(1), "3");
    EXPECT_EQ(description(4), "7");
}

TEST_F(Navigation, CollapseGivesBackEveryPreviewItRemoves) {
    mibscope::opts.show_values = true;
    open();
    // Each round builds and removes five previews; kept ones would add up to
    // well over 100 KiB, far beyond the allocator's own bookkeeping.
    auto round = [this] {
        navigate(0);
        navigate(2);
        navigate(0);
    };
    round();
    const size_t in_use = mallinfo2().uordblks;
    for (int i = 0; i < 1000; ++i)
        round();
    EXPECT_LT(mallinfo2().uordblks, in_use + 16 * 1024);
}

TEST_F(Navigation, DescriptionsWithValuesOwnNothing) {
    fake_kernel::load("a | node | RD | N | ~ | the a\na.b | int | RD | I | 1 | the b\ng | int | RD "
                      "| I | 7 | the g\n");
    mibscope::opts.show_values = true;
    mibscope::opts.show_descriptions = true;
    open();
    navigate(0);
    EXPECT_EQ(description(1), "the b");
    EXPECT_EQ(description(2), "the g");
    // The rows point at the tree's own texts; a collapse must not release them.
    navigate(0);
    EXPECT_EQ(description(1), "the g");
    EXPECT_EQ(w.rows[1].description, w.row_nodes[1]->description);
    EXPECT_EQ(fake_kernel::calls(fake_kernel::op::read), 0);
}

TEST_F(Navigation, CustomLabelsIncludingAnEmptyOne) {
    const std::vector<std::vector<const char *>> label_sets = {
        {"", "v", "."}, // expandable, expanded, leaf
        {"[+]", "", "[ ]"},
        {"+", "-", "+-"},
    };
    for (const auto &labels : label_sets) {
        SCOPED_TRACE(std::string(labels[0]) + "|" + labels[1] + "|" + labels[2]);
        mibscope::opts.expandable_label = labels[0];
        mibscope::opts.expanded_label = labels[1];
        mibscope::opts.leaf_label = labels[2];
        open();
        navigate(0);
        navigate(2);
        EXPECT_EQ(shown(),
                  (rows_t{"a X", "a.b L", "a.c X", "a.c.d L", "a.c.e L", "a.f L", "g L", "h E"}));
        navigate(0);
        EXPECT_EQ(shown(), (rows_t{"a E", "g L", "h E"}));
        close();
    }
}

} // namespace
