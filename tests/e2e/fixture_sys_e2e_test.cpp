// The program on the /proc/sys layer rooted at a fixture directory, in a real
// terminal: names with dots, value previews, and a write that changes a file.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/e2e/e2e_session.h"
#include "tests/support/tmux_session.h"

namespace {

namespace fs = std::filesystem;
using e2e::checked;
using e2e::ending;
using e2e::read_file;
using e2e::terminal;
using e2e::wait_bottom;
using tmux_test::tmux_session;

// The program's root, built afresh: the program reads it at start-up and a
// test writes to it.
fs::path build_fixture() {
    return e2e::fresh_fixture_sys({
        {"kernel/hostname", "alpha\n"},
        {"kernel/ostype", "Linux\n", 0444},
        {"net/eth0.1/mtu", "1500\n"},
        {"net/ipv4/ip_forward", "0\n"},
        {"vm/drop_caches", "", 0200},
        {"vm/swappiness", "60\n"},
    });
}

class FixtureSysE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!tmux_test::tmux_available())
            GTEST_SKIP() << "tmux is not available";
        root = build_fixture();
    }
    fs::path root;
};

TEST_F(FixtureSysE2E, BrowseAndWriteAValue) {
    tmux_session s(checked({E2E_FIXTURE_PROGRAM, "-V"}), terminal());
    ASSERT_TRUE(s.wait_for_text("+ vm"));
    std::string screen = s.screen();
    EXPECT_NE(screen.find("+ kernel"), std::string::npos) << screen;
    EXPECT_NE(screen.find("+ net"), std::string::npos) << screen;

    // A directory named with a dot is one component, its dot written as '/'.
    s.send_keys({"Down"});
    ASSERT_TRUE(wait_bottom(s, "net"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("+ .eth0/1"));
    s.send_keys({"Down", "Enter"});
    ASSERT_TRUE(s.wait_for_text(".mtu"));
    EXPECT_NE(e2e::line_with(s.screen(), ".mtu").find("1500"), std::string::npos) << s.screen();
    EXPECT_TRUE(wait_bottom(s, "net.eth0/1"));

    // vm: a write-only file has no preview; swappiness shows its value.
    s.send_keys({"End", "Enter"});
    ASSERT_TRUE(s.wait_for_text(".swappiness"));
    screen = s.screen();
    EXPECT_NE(e2e::line_with(screen, ".swappiness").find("60"), std::string::npos) << screen;
    EXPECT_NE(e2e::line_with(screen, ".drop_caches"), "");

    // Set Value on swappiness writes the file.
    s.send_keys({"End"});
    ASSERT_TRUE(wait_bottom(s, "vm.swappiness"));
    s.send_keys({"s"});
    ASSERT_TRUE(s.wait_for_text("Set Value"));
    s.send_keys({"End", "BSpace", "BSpace"});
    s.type("10");
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("60 -> 10")) << s.screen();
    EXPECT_EQ(read_file(root / "vm" / "swappiness").substr(0, 2), "10");
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("<Navigate>"));

    // Collapsing and expanding vm reads the new value.
    s.send_keys({"Up", "Up"});
    ASSERT_TRUE(wait_bottom(s, "vm"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("+ vm"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text(".swappiness"));
    EXPECT_NE(e2e::line_with(s.screen(), ".swappiness").find("10"), std::string::npos)
        << s.screen();

    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
}

TEST_F(FixtureSysE2E, MissingRootShowsTheModuleBox) {
    fs::remove_all(root);
    tmux_session s(checked({E2E_FIXTURE_PROGRAM}), terminal());
    ASSERT_TRUE(s.wait_for_text("kldload oidprobe"));
    s.send_keys({"Enter"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=1\n");
}

} // namespace
