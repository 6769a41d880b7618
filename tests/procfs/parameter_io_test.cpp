// sysctl() on a fixture tree: size probes, reads and writes of parameter
// files, and the errno of each way they fail.
#include "platform/kernel.h"
#include "platform/procfs/snapshot.h"
#include "tests/procfs/fixture_tree.h"

#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace procfs_test;
using mibscope::procfs::take_snapshot;

std::string with_nul(const std::string &s) {
    return s + '\0';
}

TEST(ProcfsValues, ReadGivesTheContentLessOneTrailingNewline) {
    const std::string big(100000, 'x'); // far beyond the first read buffer
    struct value_case {
        const char *what;
        std::string content;
        std::string value;
    };
    const value_case cases[] = {
        {"newline", "1\n", "1"},
        {"no newline", "Linux", "Linux"},
        {"multi-line", "a b\nc\td\n", "a b\nc\td"},
        {"empty", "", ""},
        {"only a newline", "\n", ""},
        {"two newlines", "x\n\n", "x\n"},
        {"exactly the first buffer", std::string(4095, 'y') + "\n", std::string(4095, 'y')},
        {"large", big + "\n", big},
    };
    fixture_tree t;
    for (size_t i = 0; i < std::size(cases); ++i)
        t.file({'v', static_cast<char>('0' + i)}, cases[i].content);
    held_snapshot snap(take_snapshot(t.root().c_str()));
    ASSERT_NE(snap.list, nullptr);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        // Files v0..v7 sort in that order.
        const read_result r = read_value({static_cast<int>(i) + 1});
        ASSERT_EQ(r.error, 0) << r.value;
        EXPECT_EQ(r.value, with_nul(cases[i].value));
    }
}

TEST(ProcfsValues, ABufferTooSmallIsEnomem) {
    fixture_tree t;
    t.file("v", "hello\n");
    held_snapshot snap(take_snapshot(t.root().c_str()));
    ASSERT_NE(snap.list, nullptr);

    size_t size = 0;
    ASSERT_EQ(sysctl_error({1}, nullptr, &size, nullptr, 0), 0);
    EXPECT_EQ(size, 6u);

    char buffer[16] = {};
    size_t length = 5;
    EXPECT_EQ(sysctl_error({1}, buffer, &length, nullptr, 0), ENOMEM);
    length = 6;
    EXPECT_EQ(sysctl_error({1}, buffer, &length, nullptr, 0), 0);
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(std::string(buffer, length), with_nul("hello"));
}

TEST(ProcfsValues, WriteSendsTheTextBeforeTheNul) {
    struct write_case {
        const char *what;
        std::string sent; // newlen is its size
        std::string file_after;
    };
    const write_case cases[] = {
        {"string with its NUL", with_nul("new"), "new"},
        {"bytes after the NUL", std::string("42\0junk", 7), "42"},
        {"no NUL", "abc", "abc"},
        {"empty string", with_nul(""), ""},
    };
    for (const write_case &c : cases) {
        SCOPED_TRACE(c.what);
        fixture_tree t;
        t.file("v", "an old value longer than the new one\n");
        held_snapshot snap(take_snapshot(t.root().c_str()));
        ASSERT_NE(snap.list, nullptr);
        EXPECT_EQ(sysctl_error({1}, nullptr, nullptr, c.sent.data(), c.sent.size()), 0);
        EXPECT_EQ(t.content("v"), c.file_after);
        EXPECT_EQ(read_value({1}).value, with_nul(c.file_after));
    }
}

TEST(ProcfsValues, FailuresReportTheirErrno) {
    enum class op { probe, read, write };
    struct failure_case {
        const char *what;
        std::vector<int> oid;
        op operation;
        int error;
        std::function<void(const fixture_tree &)> after_snapshot;
    };
    // Fixture: 1 = dir (with 1.1 = dir/x), 2 = file.
    const failure_case cases[] = {
        {"unknown top-level", {9}, op::probe, ENOENT, {}},
        {"below a file", {2, 1}, op::read, ENOENT, {}},
        {"component 0", {0}, op::probe, ENOENT, {}},
        {"negative component", {-1}, op::probe, ENOENT, {}},
        {"no component", {}, op::probe, ENOENT, {}},
        {"too many components", std::vector<int>(25, 1), op::probe, ENOENT, {}},
        {"unknown write", {3}, op::write, ENOENT, {}},
        {"probe a directory", {1}, op::probe, EISDIR, {}},
        {"read a directory", {1}, op::read, EISDIR, {}},
        {"write a directory", {1}, op::write, EINVAL, {}},
        {"probe a removed file",
         {2},
         op::probe,
         ENOENT,
         [](const fixture_tree &t) { t.remove("file"); }},
        {"write a removed file",
         {2},
         op::write,
         ENOENT,
         [](const fixture_tree &t) { t.remove("file"); }},
        {"read below a removed dir",
         {1, 1},
         op::read,
         ENOENT,
         [](const fixture_tree &t) { t.remove("dir"); }},
        {"read a file now a directory",
         {2},
         op::read,
         EISDIR,
         [](const fixture_tree &t) {
             t.remove("file");
             t.dir("file");
         }},
        {"write a file now a directory",
         {2},
         op::write,
         EISDIR,
         [](const fixture_tree &t) {
             t.remove("file");
             t.dir("file");
         }},
        {"read a file now a link",
         {2},
         op::read,
         ELOOP,
         [](const fixture_tree &t) {
             t.remove("file");
             ASSERT_EQ(symlink(t.path("dir/x").c_str(), t.path("file").c_str()), 0);
         }},
        {"read a file now a FIFO",
         {2},
         op::read,
         ENOENT,
         [](const fixture_tree &t) {
             t.remove("file");
             ASSERT_EQ(mkfifo(t.path("file").c_str(), 0644), 0);
         }},
        {"write a file now a FIFO",
         {2},
         op::write,
         ENXIO, // no reader: refused, no hang
         [](const fixture_tree &t) {
             t.remove("file");
             ASSERT_EQ(mkfifo(t.path("file").c_str(), 0644), 0);
         }},
    };
    for (const failure_case &c : cases) {
        SCOPED_TRACE(c.what);
        fixture_tree t;
        t.dir("dir");
        t.file("dir/x", "in dir\n");
        t.file("file", "old\n");
        held_snapshot snap(take_snapshot(t.root().c_str()));
        ASSERT_NE(snap.list, nullptr);
        if (c.after_snapshot)
            c.after_snapshot(t);

        char buffer[64] = {};
        size_t length = sizeof buffer;
        const std::string value = with_nul("new");
        switch (c.operation) {
        case op::probe:
            EXPECT_EQ(sysctl_error(c.oid, nullptr, &length, nullptr, 0), c.error);
            break;
        case op::read:
            EXPECT_EQ(sysctl_error(c.oid, buffer, &length, nullptr, 0), c.error);
            EXPECT_EQ(length, sizeof buffer) << "length untouched on failure";
            break;
        case op::write:
            EXPECT_EQ(sysctl_error(c.oid, nullptr, nullptr, value.data(), value.size()), c.error);
            break;
        }
        // Nothing of the fixture was written.
        if (c.oid != std::vector<int>{2} && access(t.path("file").c_str(), F_OK) == 0) {
            EXPECT_EQ(t.content("file"), "old\n");
        }
    }
}

TEST(ProcfsValues, RefusalsOfTheFileModeComeBackAsEacces) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root is not refused by a file's mode";
    fixture_tree t;
    t.file("read_only", "1\n", 0444);
    t.file("write_only", "2\n", 0200);
    held_snapshot snap(take_snapshot(t.root().c_str()));
    ASSERT_NE(snap.list, nullptr);
    const std::string value = with_nul("9");
    EXPECT_EQ(sysctl_error({1}, nullptr, nullptr, value.data(), value.size()), EACCES);
    EXPECT_EQ(t.content("read_only"), "1\n");
    EXPECT_EQ(read_value({2}).error, EACCES);
}

} // namespace
