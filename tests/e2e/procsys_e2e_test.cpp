// The program itself, read-only, on this machine's /proc/sys in a real terminal.
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/e2e/e2e_session.h"
#include "tests/support/tmux_session.h"

namespace {

using e2e::checked;
using e2e::ending;
using e2e::terminal;
using e2e::wait_bottom;
using tmux_test::tmux_session;

std::string first_line(const char *path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

TEST(ProcSysE2E, BrowseKernelParametersReadOnly) {
    if (!tmux_test::tmux_available())
        GTEST_SKIP() << "tmux is not available";
    const std::string ostype = first_line("/proc/sys/kernel/ostype");
    if (ostype.empty())
        GTEST_SKIP() << "no readable /proc/sys/kernel/ostype";

    tmux_session s(checked({E2E_REAL_PROGRAM, "-V"}), terminal(120, 40));
    ASSERT_TRUE(s.wait_for_text("MibScope 0.0.3", std::chrono::seconds(10)));
    ASSERT_TRUE(s.wait_for_text("+ kernel"));
    // Move down to kernel, whatever comes before it on this machine, expand
    // it and move on to kernel.ostype.
    ASSERT_TRUE(e2e::move_down_to(s, "kernel", 40)) << s.screen();
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("- kernel"));
    ASSERT_TRUE(e2e::move_down_to(s, "kernel.ostype", 400)) << s.screen();
    EXPECT_NE(e2e::line_with(s.screen(), ".ostype").find(ostype), std::string::npos) << s.screen();
    s.send_keys({"Home"});
    ASSERT_TRUE(e2e::move_down_to(s, "kernel", 40)) << s.screen();
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("+ kernel"));
    s.send_keys({"Escape"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
}

} // namespace
