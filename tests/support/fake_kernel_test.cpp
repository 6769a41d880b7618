// The in-memory kernel that the unit tests stand on: its tree, its
// probe/read/write contract and its fault injection.
#include "tests/support/fake_kernel.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/kernel.h"
#include "platform/oidtree.h"

namespace {

using bytes = std::vector<unsigned char>;
using fake_kernel::op;

const char *const fixture = R"(
# a small MIB
kern          | node   | RD
kern.ostype   | string | RD     | A  | Free\x42SD | OS \| name\n
kern.maxfiles | int    | RW     | I  | -2,0x10    |            | no
kern.empty    | node   | RD
net           | node   | RD+TUN | ~  | ~          |            | fail | 7
net.u8        | u8     | RW     | CU | 255,-1
net.raw       | opaque | 0x80000000 | S | x:01ff
)";

struct tree {
    oidtree_list *list = oidtree_mib();
    ~tree() { oidtree_freemib(list); }
};

std::vector<int> oid(const oidtree_object *o) {
    return std::vector<int>(o->oid, o->oid + o->level);
}

class FakeKernel : public testing::Test {
  protected:
    void SetUp() override { fake_kernel::load(fixture); }

    // A sysctl call on a node by name.
    int call(const std::string &name, void *oldp, size_t *oldlenp, const void *newp = nullptr,
             size_t newlen = 0) {
        auto o = fake_kernel::oid_of(name);
        return mibscope::sysctl(o.data(), static_cast<unsigned>(o.size()), oldp, oldlenp, newp,
                                newlen);
    }
};

TEST_F(FakeKernel, BuildsAFreshTreeFromTheDescription) {
    tree t;
    ASSERT_NE(t.list, nullptr);
    oidtree_object *kern = t.list->first;
    ASSERT_NE(kern, nullptr);
    EXPECT_STREQ(kern->name, "kern");
    EXPECT_EQ(oid(kern), (std::vector<int>{1}));
    EXPECT_EQ(kern->type, mibscope::CTLTYPE_NODE);
    EXPECT_EQ(kern->flags, mibscope::CTLFLAG_RD);
    EXPECT_EQ(kern->format, nullptr);

    oidtree_object *ostype = kern->children->first;
    EXPECT_STREQ(ostype->name, "kern.ostype");
    EXPECT_EQ(oid(ostype), (std::vector<int>{1, 1}));
    EXPECT_EQ(ostype->level, 2u);
    EXPECT_STREQ(ostype->format, "A");
    EXPECT_STREQ(ostype->description, "OS | name\n");
    EXPECT_EQ(ostype->children, nullptr);

    oidtree_object *empty = ostype->next->next;
    EXPECT_STREQ(empty->name, "kern.empty");
    ASSERT_NE(empty->children, nullptr); // a node without children: an empty list
    EXPECT_EQ(empty->children->first, nullptr);
    EXPECT_EQ(empty->next, nullptr);

    oidtree_object *net = kern->next;
    EXPECT_EQ(oid(net), (std::vector<int>{7}));
    EXPECT_EQ(net->flags, mibscope::CTLFLAG_RD | mibscope::CTLFLAG_TUN);
    EXPECT_EQ(oid(net->children->first), (std::vector<int>{7, 1})); // below an explicit OID
    EXPECT_EQ(net->children->first->next->flags, mibscope::CTLFLAG_RD);

    // Each call hands out a tree of its own.
    tree other;
    EXPECT_NE(other.list, t.list);
    EXPECT_NE(other.list->first, t.list->first);
    EXPECT_EQ(fake_kernel::live_trees(), 2);
}

TEST_F(FakeKernel, ValuesAreStoredInTheTypesLayout) {
    EXPECT_EQ(fake_kernel::value_of("kern.ostype"), (bytes{'F', 'r', 'e', 'e', 'B', 'S', 'D', 0}));
    int32_t ints[2] = {-2, 16};
    bytes expected(sizeof ints);
    std::memcpy(expected.data(), ints, sizeof ints);
    EXPECT_EQ(fake_kernel::value_of("kern.maxfiles"), expected);
    EXPECT_EQ(fake_kernel::value_of("net.u8"), (bytes{255, 255}));
    EXPECT_EQ(fake_kernel::value_of("net.raw"), (bytes{1, 255}));
    EXPECT_EQ(fake_kernel::value_of("kern"), bytes{});
}

TEST_F(FakeKernel, ProbeAndReadFollowTheTwoStepContract) {
    size_t len = 0;
    ASSERT_EQ(call("kern.ostype", nullptr, &len), 0);
    EXPECT_EQ(len, 8u);

    char small[7];
    len = sizeof small;
    errno = 0;
    EXPECT_EQ(call("kern.ostype", small, &len), -1);
    EXPECT_EQ(errno, ENOMEM);

    char buf[16] = {};
    len = sizeof buf;
    ASSERT_EQ(call("kern.ostype", buf, &len), 0);
    EXPECT_EQ(len, 8u);
    EXPECT_STREQ(buf, "FreeBSD");

    // A node without a value, and an unknown OID.
    EXPECT_EQ(call("kern", nullptr, &len), -1);
    EXPECT_EQ(errno, ENOENT);
    int unknown[] = {1, 99};
    EXPECT_EQ(mibscope::sysctl(unknown, 2, nullptr, &len, nullptr, 0), -1);
    EXPECT_EQ(errno, ENOENT);

    EXPECT_EQ(fake_kernel::calls(op::probe), 3);
    EXPECT_EQ(fake_kernel::calls(op::read), 2);
    EXPECT_EQ(fake_kernel::calls(op::write), 0);
}

TEST_F(FakeKernel, WritesAreCheckedRecordedAndApplied) {
    struct {
        const char *name;
        bytes data;
        int err; // 0: accepted
    } cases[] = {
        {"net.u8", {1, 2}, 0},
        {"net.u8", {1}, EINVAL},          // numeric: the length must not change
        {"net.raw", {9}, EPERM},          // no CTLFLAG_WR
        {"kern.ostype", {'x', 0}, EPERM}, // read-only string
    };
    for (const auto &c : cases) {
        errno = 0;
        int rc = call(c.name, nullptr, nullptr, c.data.data(), c.data.size());
        EXPECT_EQ(rc, c.err ? -1 : 0) << c.name;
        if (c.err) {
            EXPECT_EQ(errno, c.err) << c.name;
        }
    }
    EXPECT_EQ(fake_kernel::value_of("net.u8"), (bytes{1, 2}));
    EXPECT_EQ(fake_kernel::value_of("net.raw"), (bytes{1, 255}));

    ASSERT_EQ(fake_kernel::writes().size(), 4u);
    EXPECT_EQ(fake_kernel::writes()[0].oid, (std::vector<int>{7, 1}));
    EXPECT_EQ(fake_kernel::writes()[0].bytes, (bytes{1, 2}));
    EXPECT_TRUE(fake_kernel::writes()[0].accepted);
    EXPECT_FALSE(fake_kernel::writes()[1].accepted);

    // A writable string takes any length; a node of type node refuses.
    fake_kernel::load("s | string | RW | | ab\nn | node | RW");
    const char longer[] = "a longer text";
    EXPECT_EQ(call("s", nullptr, nullptr, longer, sizeof longer), 0);
    EXPECT_EQ(fake_kernel::value_of("s").size(), sizeof longer);
    EXPECT_EQ(call("n", nullptr, nullptr, "x", 2), -1);
    EXPECT_EQ(errno, EISDIR);
}

TEST_F(FakeKernel, FaultsAndChangesAreInjectedOnRequest) {
    fake_kernel::fail(op::read, "kern.ostype", EIO, 2);
    char buf[32];
    size_t len;
    for (int i = 0; i < 2; ++i) {
        len = sizeof buf;
        EXPECT_EQ(call("kern.ostype", buf, &len), -1);
        EXPECT_EQ(errno, EIO);
    }
    len = sizeof buf;
    EXPECT_EQ(call("kern.ostype", buf, &len), 0);

    // The value grows between the probe and the read.
    fake_kernel::change_after_probe("kern.ostype", bytes(20, 'a'));
    ASSERT_EQ(call("kern.ostype", nullptr, &len), 0);
    EXPECT_EQ(len, 8u);
    len = 16;
    EXPECT_EQ(call("kern.ostype", buf, &len), -1);
    EXPECT_EQ(errno, ENOMEM);
    len = sizeof buf;
    ASSERT_EQ(call("kern.ostype", buf, &len), 0);
    EXPECT_EQ(len, 20u);

    // A failed write touches nothing but is recorded as refused.
    fake_kernel::fail(op::write, "net.u8", EBUSY);
    unsigned char v[2] = {3, 4};
    EXPECT_EQ(call("net.u8", nullptr, nullptr, v, 2), -1);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_EQ(fake_kernel::value_of("net.u8"), (bytes{255, 255}));
    ASSERT_EQ(fake_kernel::writes().size(), 1u);
    EXPECT_FALSE(fake_kernel::writes()[0].accepted);
}

TEST_F(FakeKernel, HandlerQueryModuleAndMibSwitches) {
    struct {
        const char *name;
        int rc;
        bool has;
    } cases[] = {{"kern", 0, false}, {"kern.ostype", 0, true}, {"kern.maxfiles", 0, false}};
    for (const auto &c : cases) {
        auto o = fake_kernel::oid_of(c.name);
        bool has = !c.has;
        EXPECT_EQ(oidtree_hashandler(o.data(), o.size(), &has), c.rc) << c.name;
        EXPECT_EQ(has, c.has) << c.name;
    }
    auto o = fake_kernel::oid_of("net");
    bool untouched = true;
    EXPECT_EQ(oidtree_hashandler(o.data(), o.size(), &untouched), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(untouched);
    EXPECT_EQ(fake_kernel::calls(op::hashandler), 4);

    EXPECT_NE(mibscope::kld_isloaded("oidprobe"), 0);
    EXPECT_EQ(mibscope::kld_isloaded("other"), 0);
    fake_kernel::set_module_loaded(false);
    EXPECT_EQ(mibscope::kld_isloaded("oidprobe"), 0);

    fake_kernel::set_mib_fails(true);
    EXPECT_EQ(oidtree_mib(), nullptr);
    fake_kernel::reset();
    EXPECT_NE(mibscope::kld_isloaded("oidprobe"), 0);
    tree empty;
    ASSERT_NE(empty.list, nullptr);
    EXPECT_EQ(empty.list->first, nullptr);
}

TEST_F(FakeKernel, WriteLogFileGetsOneLinePerWrite) {
    std::string path = testing::TempDir() + "fake_kernel_writes.log";
    std::remove(path.c_str());
    fake_kernel::set_write_log(path);
    unsigned char v[2] = {0xab, 0x01};
    ASSERT_EQ(call("net.u8", nullptr, nullptr, v, 2), 0);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "7.1 ab01\n");
    fake_kernel::set_write_log("");
    std::remove(path.c_str());
}

TEST(FakeKernelDescription, MalformedLinesAreRejectedWithTheirNumber) {
    const char *cases[] = {
        "a.b | int",                 // parent missing
        "a\na | int",                // duplicate name
        "a | nosuchtype",            // unknown type
        "a | int | RD+XX",           // unknown flag
        "a | u8 | RD | | 256",       // beyond the element's width
        "a | s8 | RD | | -129",      // beyond the element's width
        "a | int | RD | | 1,",       // empty element
        "a | int | RD | | 1x",       // not a number
        "a | opaque | RD | | x:0",   // odd hex digits
        "a | string | RD | | \\q",   // unknown escape
        "a\nb | node | | | | | | 1", // duplicate OID
    };
    for (const char *c : cases) {
        std::string d = std::string("# comment\n") + c;
        EXPECT_THROW(fake_kernel::load(d), std::invalid_argument) << c;
    }
    try {
        fake_kernel::load("\nok\nbad | int | RD+XX");
        FAIL() << "no exception";
    } catch (const std::invalid_argument &e) {
        EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
    }
}

} // namespace
