// The program on the in-memory kernel in a real terminal: the first screen,
// expanding and collapsing, the option-dependent columns, help, the endings,
// a write, and the start-up boxes.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/e2e_session.h"
#include "tests/support/tmux_session.h"

namespace {

using e2e::checked;
using e2e::column_of;
using e2e::ending;
using e2e::terminal;
using e2e::wait_bottom;
using e2e::wait_gone;
using tmux_test::tmux_session;

std::vector<std::string> program(const std::vector<std::string> &own,
                                 const std::vector<std::string> &options) {
    return checked(e2e::fake_program(own, options));
}

class FakeKernelE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!tmux_test::tmux_available())
            GTEST_SKIP() << "tmux is not available";
    }
};

TEST_F(FakeKernelE2E, BrowseExpandCollapseHelpAndQuit) {
    tmux_session s(program({}, {}), terminal());
    ASSERT_TRUE(s.started());
    ASSERT_TRUE(s.wait_for_text("MibScope 0.0.3"));
    ASSERT_TRUE(s.wait_for_text("+ hw"));
    std::string screen = s.screen();
    for (const char *text : {"F1 for help. ESC or Q for quit.", "+ kern", "+ vm", "Navigate",
                             "Properties", "Set Value", "Quit"})
        EXPECT_NE(screen.find(text), std::string::npos) << text << "\n" << screen;
    EXPECT_TRUE(wait_bottom(s, "kern"));

    // Expand kern: its children appear under it, one column further in.
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text(".ostype"));
    screen = s.screen();
    EXPECT_NE(screen.find("- kern"), std::string::npos) << screen;
    EXPECT_NE(screen.find("+ .ipc"), std::string::npos) << screen;
    EXPECT_EQ(column_of(screen, ".ostype"), column_of(screen, "kern") + 1) << screen;

    // Expand and collapse kern.ipc, then collapse kern.
    s.send_keys({"Down", "Down", "Down", "Down"});
    ASSERT_TRUE(wait_bottom(s, "kern.ipc"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text(".somaxconn"));
    EXPECT_NE(s.screen().find("- .ipc"), std::string::npos);
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("+ .ipc"));
    EXPECT_EQ(s.screen().find(".somaxconn"), std::string::npos);
    EXPECT_TRUE(wait_bottom(s, "kern.ipc")); // the focus stays on the row
    s.send_keys({"Home", "Enter"});
    ASSERT_TRUE(s.wait_for_text("+ kern"));
    EXPECT_EQ(s.screen().find(".ostype"), std::string::npos);

    // F1 shows the help text; closing it returns to the same menu.
    s.send_keys({"F1"});
    ASSERT_TRUE(s.wait_for_text("MibScope presents a snapshot"));
    EXPECT_TRUE(s.wait_for_text("mibscope.org/docs"));
    s.send_keys({"Escape"});
    ASSERT_TRUE(wait_gone(s, "MibScope presents a snapshot"));
    ASSERT_TRUE(s.wait_for_text("+ kern"));
    EXPECT_TRUE(wait_bottom(s, "kern"));

    // Q presses Quit: status 0, the terminal restored, nothing written.
    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
    EXPECT_EQ(s.exit_status(), 0);
}

TEST_F(FakeKernelE2E, ValuePreviewsAndEscape) {
    tmux_session s(program({}, {"-V"}), terminal());
    ASSERT_TRUE(s.wait_for_text("+ hw"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("FakeBSD"));
    const std::string screen = s.screen();
    EXPECT_NE(e2e::line_with(screen, ".maxfiles").find("12000"), std::string::npos) << screen;
    EXPECT_NE(e2e::line_with(screen, ".hostname").find("alpha.example"), std::string::npos);
    // A value over two lines previews as a pointer to the properties box.
    EXPECT_NE(e2e::line_with(screen, ".motd").find("Open [Properties]"), std::string::npos);
    // The last node: numeric previews, and none for a node without read access.
    s.send_keys({"End"});
    ASSERT_TRUE(wait_bottom(s, "hw"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text(".secret"));
    EXPECT_NE(e2e::line_with(s.screen(), ".ncpu").find("8"), std::string::npos);
    EXPECT_EQ(e2e::line_with(s.screen(), ".secret").find("42"), std::string::npos);

    s.send_keys({"Escape"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
}

TEST_F(FakeKernelE2E, DescriptionsFullNamesIndentAndLabels) {
    tmux_session s(program({}, {"-d", "-f", "-i", "4", "-e", "[+]", "-s", "[-]", "-l", "[.]"}),
                   terminal(120, 30));
    ASSERT_TRUE(s.wait_for_text("[+] hw"));
    EXPECT_NE(e2e::line_with(s.screen(), "[+] kern").find("High kernel, proc, limits &c"),
              std::string::npos)
        << s.screen();
    EXPECT_TRUE(wait_bottom(s, "")); // full names: no bottom text
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("kern.ostype"));
    const std::string screen = s.screen();
    EXPECT_NE(screen.find("[-] kern"), std::string::npos) << screen;
    EXPECT_NE(screen.find("[.] kern.ostype"), std::string::npos) << screen;
    EXPECT_NE(screen.find("[+] kern.ipc"), std::string::npos) << screen;
    EXPECT_NE(e2e::line_with(screen, "kern.ostype").find("Operating system type"),
              std::string::npos);
    // A description over two lines is not shown in the column.
    EXPECT_NE(e2e::line_with(screen, "kern.motd").find("Open [Properties]"), std::string::npos);
    EXPECT_EQ(column_of(screen, "[.] kern.ostype"), column_of(screen, "[-] kern") + 4) << screen;

    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
}

TEST_F(FakeKernelE2E, SetValueWritesThroughTheKernel) {
    const test_support::temp_file log;
    tmux_session s(program({"--write-log", log.path()}, {"-V"}), terminal());
    ASSERT_TRUE(s.wait_for_text("+ hw"));
    s.send_keys({"Enter", "Down", "Down"});
    ASSERT_TRUE(wait_bottom(s, "kern.maxfiles"));
    s.send_keys({"s"});
    ASSERT_TRUE(s.wait_for_text("12000"));
    ASSERT_TRUE(s.wait_for_text("Set Value"));
    s.send_keys({"End", "BSpace", "BSpace", "BSpace", "BSpace", "BSpace"});
    s.type("12345");
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("12000 -> 12345")) << s.screen();
    s.send_keys({"Enter"});
    ASSERT_TRUE(wait_gone(s, "12000 -> 12345"));
    // The menu keeps its previews until the subtree is built again.
    ASSERT_TRUE(s.wait_for_text("<Navigate>"));
    EXPECT_NE(e2e::line_with(s.screen(), ".maxfiles").find("12000"), std::string::npos);
    s.send_keys({"Home", "Enter"});
    ASSERT_TRUE(s.wait_for_text("+ kern"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("12345"));
    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");

    // kern.maxfiles, 12345 as a 32-bit integer
    EXPECT_EQ(e2e::read_file(log.path()), "1.2 39300000\n");
}

TEST_F(FakeKernelE2E, StartupBoxesEndWithStatusOne) {
    {
        tmux_session s(program({"--no-module"}, {}), terminal());
        ASSERT_TRUE(s.wait_for_text("kldload oidprobe"));
        const std::string screen = s.screen();
        for (const char *text : {" Error ", "Make sure that you have loaded the",
                                 "oidprobe_load=\"YES\"", "to your /boot/loader.conf", "Quit"})
            EXPECT_NE(screen.find(text), std::string::npos) << text << "\n" << screen;
        EXPECT_EQ(screen.find("MibScope"), std::string::npos);
        s.send_keys({"Escape"});
        EXPECT_EQ(ending(s), "tty=restored\nrc=1\n");
    }
    {
        tmux_session s(program({"--no-mib"}, {}), terminal());
        ASSERT_TRUE(s.wait_for_text("Cannot build mib"));
        EXPECT_NE(s.screen().find("Quit"), std::string::npos);
        s.send_keys({"Enter"});
        EXPECT_EQ(ending(s), "tty=restored\nrc=1\n");
    }
}

TEST_F(FakeKernelE2E, CommandLineEndingsWriteTheirLines) {
    struct line_case {
        std::vector<std::string> options;
        std::string output;
    };
    const std::vector<line_case> cases = {
        {{"-v"}, "mibscope 0.0.3\ntty=restored\nrc=0\n"},
        {{"-e", "x", "-l", "x"}, "-e <x> equals to -l <x>\ntty=restored\nrc=1\n"},
    };
    for (const line_case &c : cases) {
        tmux_session s(program({}, c.options), terminal());
        EXPECT_EQ(ending(s), c.output);
    }
}

TEST_F(FakeKernelE2E, BrowseSessionLeaksNothingUnderValgrind) {
    if (const std::string why = e2e::valgrind_unavailable(); !why.empty())
        GTEST_SKIP() << why;
    const test_support::temp_file log;
    const std::vector<std::string> argv =
        e2e::under_valgrind(log.path(), {E2E_FAKE_PROGRAM, "--mib", E2E_FIXTURE_MIB, "--", "-V"});
    tmux_session s(checked(argv), terminal());
    const auto slow = std::chrono::seconds(30);
    ASSERT_TRUE(s.wait_for_text("+ hw", slow));
    // Expand and collapse with previews, open the properties box, quit.
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("FakeBSD", slow));
    s.send_keys({"Down", "p"});
    ASSERT_TRUE(s.wait_for_text("Close", slow));
    s.send_keys({"Enter"});
    ASSERT_TRUE(wait_gone(s, "Close"));
    s.send_keys({"Up", "Enter"});
    ASSERT_TRUE(s.wait_for_text("+ kern", slow));
    s.send_keys({"End", "Enter"});
    ASSERT_TRUE(s.wait_for_text(".ncpu", slow));
    s.send_keys({"q"});
    ASSERT_TRUE(s.wait_for_exit(slow));
    const std::string report = e2e::read_file(log.path());
    EXPECT_EQ(s.output(), "tty=restored\nrc=0\n") << report;
    EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
}

} // namespace
