// The faults a terminal program meets, each on the real program in tmux:
// resizes and extreme terminal sizes, terminal types and locales, redirected
// output, signals, values that vanish, grow, are refused or hold control
// bytes, a 1 MiB value, and extreme indents and labels. Every session ends by
// checking that the terminal's modes were given back.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/e2e_session.h"
#include "tests/support/tmux_session.h"

namespace {

namespace fs = std::filesystem;
using e2e::checked;
using e2e::ending;
using e2e::fresh_fixture_sys;
using e2e::line_with;
using e2e::read_file;
using e2e::terminal;
using e2e::wait_bottom;
using e2e::wait_gone;
using test_support::temp_file;
using tmux_test::tmux_session;

class FaultCasesE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!tmux_test::tmux_available())
            GTEST_SKIP() << "tmux is not available";
    }
};

// At 20 columns the buttons are cut before "<Quit>", so its absence tells the
// narrow layout from the wide one.
TEST_F(FaultCasesE2E, ResizesRedrawTheMenuTheMessageBoxAndTheForm) {
    tmux_session s(checked(e2e::fake_program({}, {"-V"})), terminal(100, 30));
    ASSERT_TRUE(s.wait_for_text("+ hw"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text(".ostype"));

    // The menu: many resizes in a row, then each extreme on its own.
    for (int i = 0; i < 6; ++i) {
        s.resize(20 + 40 * i, 6 + 12 * i);
        s.resize(300 - 40 * i, 90 - 12 * i);
    }
    s.resize(20, 6);
    ASSERT_TRUE(s.wait_until([](const std::string &screen) {
        return screen.find("- kern") != std::string::npos &&
               screen.find("<Quit>") == std::string::npos;
    })) << s.screen();
    EXPECT_TRUE(wait_bottom(s, "kern"));
    s.resize(10, 3); // too low for the buttons: nothing is drawn above the box
    ASSERT_TRUE(s.wait_until([](const std::string &screen) {
        return screen.find("MibScop") != std::string::npos &&
               screen.find("<Nav") == std::string::npos;
    })) << s.screen();
    EXPECT_EQ(e2e::lines(s.screen()).at(0), "") << s.screen();
    s.resize(300, 90);
    ASSERT_TRUE(s.wait_for_text("<Quit>")) << s.screen();
    EXPECT_NE(line_with(s.screen(), ".hostname").find("alpha.example"), std::string::npos);

    // The properties box.
    s.send_keys({"Down", "p"});
    ASSERT_TRUE(s.wait_for_text("<Close>"));
    s.resize(20, 6);
    ASSERT_TRUE(s.wait_until([](const std::string &screen) {
        return screen.find(".ostype") != std::string::npos &&
               screen.find("<Close>") != std::string::npos &&
               screen.find("FakeBSD") == std::string::npos;
    })) << s.screen();
    s.resize(300, 90);
    ASSERT_TRUE(s.wait_for_text("FakeBSD")) << s.screen();
    s.send_keys({"Enter"});
    ASSERT_TRUE(wait_gone(s, "<Close>"));

    // The form keeps what was typed across resizes.
    s.send_keys({"Down", "Down", "s"});
    ASSERT_TRUE(s.wait_for_text("Current value: alpha.example."));
    s.type("X");
    s.resize(20, 6);
    ASSERT_TRUE(s.wait_until([](const std::string &screen) {
        return screen.find("Current value") == std::string::npos &&
               screen.find("<Set Value>") != std::string::npos;
    })) << s.screen();
    s.resize(100, 30);
    ASSERT_TRUE(s.wait_for_text("Current value: alpha.example.")) << s.screen();
    EXPECT_NE(s.screen().find("alpha.exampleX"), std::string::npos) << s.screen();
    s.send_keys({"Escape"});
    ASSERT_TRUE(wait_gone(s, "Current value"));
    ASSERT_TRUE(s.wait_for_text("<Quit>"));
    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
}

TEST_F(FaultCasesE2E, TinyAndHugeTerminalsFromTheStart) {
    struct size_case {
        int width, height;
        const char *menu_text; // shown once the menu is up at this size
    };
    for (const size_case &c : {size_case{20, 6, "+ kern"}, size_case{300, 90, "<Quit>"}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        tmux_session s(checked(e2e::fake_program({}, {})), terminal(c.width, c.height));
        ASSERT_TRUE(s.wait_for_text(c.menu_text)) << s.screen();
        s.send_keys({"Enter"});
        ASSERT_TRUE(s.wait_for_text("- kern")) << s.screen();
        s.send_keys({"Down", "p"});
        ASSERT_TRUE(s.wait_for_text("<Close>")) << s.screen();
        EXPECT_NE(s.screen().find(".ostype"), std::string::npos) << s.screen();
        s.send_keys({"Escape"});
        ASSERT_TRUE(wait_gone(s, "<Close>"));
        ASSERT_TRUE(wait_bottom(s, "kern.ostype"));
        s.send_keys({"q"});
        EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
    }
}

TEST_F(FaultCasesE2E, TerminalTypesAndLocales) {
    // Terminals the program cannot drive: one clear line, status 1.
    struct refused_case {
        std::vector<std::string> env; // run through env(1)
        std::string line;
    };
    const std::vector<refused_case> refused = {
        {{"TERM=dumb"}, "Error libboxkit init: terminal type \"dumb\" cannot position the cursor."},
        {{"-u", "TERM"}, "Error libboxkit init: the TERM environment variable is not set."},
        {{"TERM="}, "Error libboxkit init: the TERM environment variable is not set."},
        {{"TERM=no-such-terminal"},
         "Error libboxkit init: unknown terminal type \"no-such-terminal\"."},
    };
    for (const refused_case &c : refused) {
        std::vector<std::string> argv = {"env"};
        argv.insert(argv.end(), c.env.begin(), c.env.end());
        const std::vector<std::string> program = e2e::fake_program({}, {});
        argv.insert(argv.end(), program.begin(), program.end());
        tmux_session s(checked(argv), terminal());
        EXPECT_EQ(ending(s), c.line + "\ntty=restored\nrc=1\n") << c.env.front();
    }

    // Terminals and locales it drives: monochrome, the C locale, colours.
    struct working_case {
        std::vector<std::string> env;
        bool mono;
    };
    const std::vector<working_case> working = {
        {{"TERM=xterm-mono", "LANG=C.UTF-8"}, true},
        {{"TERM=screen", "LANG=C", "LC_ALL=C"}, false},
        {{"TERM=xterm-256color", "LANG=C.UTF-8"}, false},
    };
    for (const working_case &c : working) {
        SCOPED_TRACE(c.env.front() + " " + c.env.back());
        tmux_session s(checked(e2e::fake_program({}, {"-V"})), {100, 30, c.env});
        ASSERT_TRUE(s.wait_for_text("+ hw")) << s.screen();
        s.send_keys({"Enter"});
        ASSERT_TRUE(s.wait_for_text(".ostype")) << s.screen();
        EXPECT_NE(line_with(s.screen(), ".ostype").find("FakeBSD"), std::string::npos)
            << s.screen();
        // Without colours the focused row stands out in reverse video.
        if (c.mono) {
            EXPECT_NE(line_with(s.screen(true), "- kern").find("\x1b[7m"), std::string::npos)
                << s.screen(true);
        }
        s.send_keys({"Escape"});
        EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
    }
}

TEST_F(FaultCasesE2E, RedirectedOutputGetsOneLineAndNoEscapeCodes) {
    const std::string line = "Error libboxkit init: standard output is not a terminal.\n";
    struct redirect_case {
        const char *shell; // $0 program, $1 fixture MIB, $2 file
        std::string file;
        std::string shown;
    };
    const std::vector<redirect_case> cases = {
        {"\"$0\" --mib \"$1\" > \"$2\"", line, "tty=restored\nrc=1\n"},
        {"{ \"$0\" --mib \"$1\"; echo \"rc=$?\"; } | cat > \"$2\"", line + "rc=1\n",
         "tty=restored\nrc=0\n"},
        {"\"$0\" --mib \"$1\" < /dev/null", "",
         "Error libboxkit init: standard input is not a terminal.\ntty=restored\nrc=1\n"},
    };
    for (const redirect_case &c : cases) {
        temp_file out;
        tmux_session s(
            checked({"/bin/sh", "-c", c.shell, E2E_FAKE_PROGRAM, E2E_FIXTURE_MIB, out.path()}),
            terminal());
        EXPECT_EQ(ending(s), c.shown) << c.shell;
        EXPECT_EQ(read_file(out.path()), c.file) << c.shell;
    }
}

// e2e::checked in a shell that survives Ctrl-C (the program gets the signal
// with its default action all the same) and prints a line before the program
// starts: once the program has left the alternate screen, only the shell's
// own lines remain.
std::vector<std::string> under_shell(const std::vector<std::string> &argv) {
    std::vector<std::string> command = checked(argv);
    command.at(2) = "trap : INT; echo shell-before; " + command.at(2);
    return command;
}

// The program's process: the child of the shell that checks the terminal.
int program_pid(tmux_session &s) {
    const int shell = s.pid();
    for (int tries = 0; tries < 250 && shell > 0; ++tries) {
        std::ifstream children("/proc/" + std::to_string(shell) + "/task/" + std::to_string(shell) +
                               "/children");
        int child = 0;
        if (children >> child)
            return child;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

TEST_F(FaultCasesE2E, SignalsAndCtrlCRestoreTheTerminal) {
    struct signal_case {
        const char *open;  // the key that opens a dialog over the menu, or ""
        const char *shown; // what that dialog shows
        int signal;        // 0: Ctrl-C typed
        const char *said;  // the shell's word for the signal
        int status;
    };
    const std::vector<signal_case> cases = {
        {"", "<Navigate>", SIGTERM, "Terminated\n", 143},
        {"p", "<Close>", SIGHUP, "Hangup\n", 129},
        {"s", "Current value", 0, "", 130},
    };
    for (const signal_case &c : cases) {
        SCOPED_TRACE(c.status);
        tmux_session s(under_shell(e2e::fake_program({}, {})), terminal());
        ASSERT_TRUE(s.wait_for_text("+ hw"));
        s.send_keys({"Enter", "Down", "Down", "Down"});
        ASSERT_TRUE(wait_bottom(s, "kern.hostname"));
        if (*c.open)
            s.send_keys({c.open});
        ASSERT_TRUE(s.wait_for_text(c.shown));
        if (c.signal != 0) {
            const int pid = program_pid(s);
            ASSERT_GT(pid, 0);
            kill(pid, c.signal);
        } else {
            s.send_keys({"C-c"});
        }
        EXPECT_EQ(ending(s), std::string("shell-before\n") + c.said +
                                 "tty=restored\nrc=" + std::to_string(c.status) + "\n");
    }
}

TEST_F(FaultCasesE2E, ParametersThatVanishAfterTheSnapshot) {
    const fs::path root =
        fresh_fixture_sys({{"kernel/hostname", "alpha\n"}, {"vm/swappiness", "60\n"}});
    tmux_session s(checked({E2E_FIXTURE_PROGRAM, "-V"}), terminal());
    ASSERT_TRUE(s.wait_for_text("+ vm"));
    // One file goes, another becomes a FIFO that nobody writes to.
    fs::remove(root / "kernel" / "hostname");
    fs::remove(root / "vm" / "swappiness");
    ASSERT_EQ(mkfifo((root / "vm" / "swappiness").c_str(), 0644), 0);

    s.send_keys({"End", "Enter"});
    ASSERT_TRUE(s.wait_for_text(".swappiness")); // no hang on the FIFO, an empty preview
    EXPECT_EQ(line_with(s.screen(), ".swappiness").find("60"), std::string::npos);
    s.send_keys({"Down", "p"});
    ASSERT_TRUE(s.wait_for_text("Cannot get value size via sysctl()")) << s.screen();
    s.send_keys({"Enter"});
    ASSERT_TRUE(wait_gone(s, "Cannot get value size"));

    // Writing a parameter that is gone fails and creates nothing.
    s.send_keys({"Home", "Enter", "Down"});
    ASSERT_TRUE(wait_bottom(s, "kernel.hostname"));
    s.send_keys({"s"});
    ASSERT_TRUE(s.wait_for_text("Current value: Cannot get value size via sysctl()."));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("Cannot set value: error sysctl() No such file or directory"))
        << s.screen();
    EXPECT_FALSE(fs::exists(root / "kernel" / "hostname"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(wait_gone(s, "Cannot set value"));
    ASSERT_TRUE(s.wait_for_text("<Quit>"));
    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
}

TEST_F(FaultCasesE2E, AValueThatGrowsAndAWriteTheKernelRefuses) {
    temp_file log;
    tmux_session s(checked(e2e::fake_program(
                       {"--grow-after-probe", "kern.hostname", "--write-log", log.path()}, {})),
                   terminal());
    ASSERT_TRUE(s.wait_for_text("+ hw"));
    s.send_keys({"Enter", "Down", "Down", "Down"});
    ASSERT_TRUE(wait_bottom(s, "kern.hostname"));
    // Past twice the probed size between the probe and the read: the read
    // fails; the next press reads the grown value whole.
    s.send_keys({"p"});
    ASSERT_TRUE(s.wait_for_text("Cannot get value: Cannot allocate memory")) << s.screen();
    s.send_keys({"Enter"});
    ASSERT_TRUE(wait_gone(s, "Cannot get value"));
    s.send_keys({"p"});
    ASSERT_TRUE(s.wait_for_text("alpha.examplealpha.examplealpha.example")) << s.screen();
    s.send_keys({"Enter"});
    ASSERT_TRUE(wait_gone(s, "<Close>"));

    // Two elements for a one-element integer: the kernel says no, the value stays.
    s.send_keys({"Up"});
    ASSERT_TRUE(wait_bottom(s, "kern.maxfiles"));
    s.send_keys({"s"});
    ASSERT_TRUE(s.wait_for_text("Current value: 12000."));
    s.type(",2");
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("Cannot set value: error sysctl() Invalid argument")) << s.screen();
    s.send_keys({"Enter"});
    ASSERT_TRUE(wait_gone(s, "Cannot set value"));
    s.send_keys({"p"});
    ASSERT_TRUE(s.wait_for_text("<Close>"));
    EXPECT_NE(e2e::box_with(s.screen(), "Value:").text.back().find("12000"), std::string::npos)
        << s.screen();
    s.send_keys({"Enter"});
    ASSERT_TRUE(wait_gone(s, "<Close>"));
    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
    EXPECT_EQ(read_file(log.path()), "1.2 e02e000002000000\n");
}

TEST_F(FaultCasesE2E, ControlBytesAreDrawnVisibly) {
    // On the in-memory kernel: a value and a description full of escapes.
    {
        tmux_session s(checked(e2e::fake_program({}, {"-d"})), terminal());
        ASSERT_TRUE(s.wait_for_text("+ hw"));
        s.send_keys({"Down", "Enter"});
        ASSERT_TRUE(s.wait_for_text(".banner"));
        EXPECT_NE(line_with(s.screen(), ".banner").find("Hostile ^[[2Jtext^[]2;title^G"),
                  std::string::npos)
            << s.screen();
        s.send_keys({"End", "Up", "p"});
        ASSERT_TRUE(s.wait_for_text("<Close>"));
        EXPECT_NE(s.screen().find("^[]0;pwned^G^[[31mred^[[0mM-^[2J        T^Aend"),
                  std::string::npos)
            << s.screen();
        // Nothing from the value changed the colours: "red" looks like its box.
        const std::string cells = line_with(s.screen(true), "pwned");
        EXPECT_EQ(cells.find("\x1b[31m"), std::string::npos) << cells;
        s.send_keys({"Enter"});
        ASSERT_TRUE(wait_gone(s, "<Close>"));
        s.send_keys({"s"});
        ASSERT_TRUE(s.wait_for_text("Current value: ^[]0;pwned^G")) << s.screen();
        s.send_keys({"Escape"});
        ASSERT_TRUE(wait_gone(s, "Current value"));
        s.send_keys({"q"});
        EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
    }
    // On a fixture /proc/sys: a parameter whose very name holds an escape.
    fresh_fixture_sys({{"kernel/n\x1b[1mame", "\x1b[5mblink\n"}});
    tmux_session s(checked({E2E_FIXTURE_PROGRAM, "-V"}), terminal());
    ASSERT_TRUE(s.wait_for_text("+ kernel"));
    s.send_keys({"Enter", "Down"});
    ASSERT_TRUE(wait_bottom(s, "kernel.n^[[1mame"));
    EXPECT_NE(line_with(s.screen(), ".n^[[1mame").find("^[[5mblink"), std::string::npos)
        << s.screen();
    s.send_keys({"p"});
    ASSERT_TRUE(s.wait_for_text("<Close>"));
    EXPECT_EQ(e2e::box_with(s.screen(), "OID").title, ".n^[[1mame") << s.screen();
    s.send_keys({"Escape"});
    ASSERT_TRUE(wait_gone(s, "<Close>"));
    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
}

TEST_F(FaultCasesE2E, AOneMebibyteValueScrollsToItsLastByte) {
    std::string value;
    while (value.size() < (1u << 20))
        value += "0123456789abcdef";
    value.resize((1u << 20) - 13);
    value += " END-OF-VALUE"; // 1 MiB in all
    fresh_fixture_sys({{"kernel/big", value + "\n"}});
    tmux_session s(checked({E2E_FIXTURE_PROGRAM, "-V"}), terminal());
    ASSERT_TRUE(s.wait_for_text("+ kernel"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text(".big"));
    EXPECT_NE(line_with(s.screen(), ".big").find("Open [Properties]"), std::string::npos);
    // Generous waits: a sanitizer build lays out the 1 MiB text slowly.
    const auto slow = std::chrono::seconds(30);
    s.send_keys({"Down", "p"});
    ASSERT_TRUE(s.wait_for_text("<Close>", slow));
    EXPECT_NE(s.screen().find("0%"), std::string::npos) << s.screen();
    s.send_keys({"End"});
    ASSERT_TRUE(s.wait_for_text("100%", slow)) << s.screen();
    const std::vector<std::string> text = e2e::box_with(s.screen(), "END-OF-VALUE").text;
    ASSERT_FALSE(text.empty()) << s.screen();
    EXPECT_TRUE(text.back().ends_with("END-OF-VALUE")) << s.screen();
    s.send_keys({"Home"});
    ASSERT_TRUE(s.wait_for_text("OID: 1 .1", slow));
    s.send_keys({"Enter"});
    ASSERT_TRUE(wait_gone(s, "<Close>"));
    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
}

// Expands kern and kern.ipc and moves to kern.ipc.somaxconn; returns the screen.
std::string expand_to_somaxconn(tmux_session &s) {
    EXPECT_TRUE(s.wait_for_text("MibScope 0.0.3"));
    EXPECT_TRUE(wait_bottom(s, "kern"));
    s.send_keys({"Enter", "Down", "Down", "Down", "Down"});
    EXPECT_TRUE(wait_bottom(s, "kern.ipc"));
    s.send_keys({"Enter", "Down", "Down"});
    EXPECT_TRUE(wait_bottom(s, "kern.ipc.somaxconn"));
    return s.screen();
}

TEST_F(FaultCasesE2E, IndentsAtTheTopOfTheRangeShowTheSameRows) {
    std::vector<std::string> screens;
    for (const char *indent : {"-1", "4294967295"}) {
        SCOPED_TRACE(indent);
        tmux_session s(checked(e2e::fake_program({}, {"-V", "-i", indent})), terminal());
        const std::string screen = expand_to_somaxconn(s);
        // Rows indented far beyond the list still show their values.
        EXPECT_NE(line_with(screen, "2097152"), "") << screen;
        EXPECT_NE(line_with(screen, "- kern"), "") << screen;
        screens.push_back(screen);
        s.send_keys({"p"});
        ASSERT_TRUE(s.wait_for_text("<Close>"));
        EXPECT_EQ(e2e::box_with(s.screen(), "OID").title, ".somaxconn") << s.screen();
        s.send_keys({"Enter"});
        ASSERT_TRUE(wait_gone(s, "<Close>"));
        s.send_keys({"Home", "Enter"});
        ASSERT_TRUE(s.wait_for_text("+ kern"));
        s.send_keys({"q"});
        EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
    }
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0], screens[1]);
}

TEST_F(FaultCasesE2E, LongAndEmptyLabels) {
    // Labels of 200 characters: wider than the list, yet the values keep a
    // column of their own with a blank before it.
    {
        const std::string e(200, 'E'), s_label(200, 'S'), l(200, 'L');
        tmux_session s(checked(e2e::fake_program({}, {"-V", "-e", e, "-s", s_label, "-l", l})),
                       terminal());
        const std::string screen = expand_to_somaxconn(s);
        for (const char *value : {"FakeBSD", "12000", "2097152"}) {
            const std::string line = line_with(screen, value);
            const size_t at = line.find(value);
            ASSERT_NE(at, std::string::npos) << value << "\n" << screen;
            EXPECT_EQ(line[at - 1], ' ') << line;
            const size_t after = at + std::string(value).size();
            EXPECT_EQ(line.find_first_not_of(' ', after), line.find("│", after)) << line;
        }
        s.send_keys({"q"});
        EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
    }
    // Empty labels for expandable and for expanded nodes: the state still
    // comes from the prefix, so expanding and collapsing work as usual.
    struct empty_case {
        std::vector<std::string> options;
        std::string collapsed, expanded, leaf_row;
    };
    const std::vector<empty_case> cases = {
        {{"-e", "", "-l", "."}, "│kern", "│- kern", ". .ostype"},
        {{"-s", "", "-l", "."}, "│+ kern", "│  kern", ". .ostype"},
    };
    for (const empty_case &c : cases) {
        SCOPED_TRACE(c.expanded);
        tmux_session s(checked(e2e::fake_program({}, c.options)), terminal());
        ASSERT_TRUE(s.wait_for_text(c.collapsed)) << s.screen();
        s.send_keys({"Enter"});
        ASSERT_TRUE(s.wait_for_text(c.leaf_row)) << s.screen();
        EXPECT_NE(s.screen().find(c.expanded), std::string::npos) << s.screen();
        s.send_keys({"Enter"});
        ASSERT_TRUE(wait_gone(s, c.leaf_row)) << s.screen();
        EXPECT_NE(s.screen().find(c.collapsed), std::string::npos) << s.screen();
        s.send_keys({"q"});
        EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
    }
}

} // namespace
