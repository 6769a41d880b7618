// What only a real terminal shows: the driver program runs inside tmux, keys
// are typed into it and the screen is read back; what the dialog returned is
// what the driver prints after boxkit_end. Taking the terminal over and
// giving it back, signals, colours and attributes, keys, mouse reports and
// resizes as a terminal sends them, UTF-8 input, and texts that must never
// reach the terminal as control sequences. The dialogs' own logic is tested
// on the in-memory screen (menu_test.cpp and the others beside this file).
#include <csignal>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/tmux_session.h"

namespace {

using tmux_test::tmux_session;

struct terminal {
    int width = 80;
    int height = 24;
    std::string locale = "C.UTF-8";
    std::string type = ""; // TERM; empty: tmux's own
};

class Dialog : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!tmux_test::tmux_available())
            GTEST_SKIP() << "tmux is not installed";
    }

    // Starts the driver with `args` and waits until `ready` is on the screen.
    std::unique_ptr<tmux_session> open(const std::vector<std::string> &args,
                                       const std::string &ready, terminal term = {}) {
        std::vector<std::string> command = {BOXKIT_DRIVER};
        command.insert(command.end(), args.begin(), args.end());
        std::vector<std::string> env = {"LC_ALL=" + term.locale, "LANG=" + term.locale};
        if (!term.type.empty())
            env.push_back("TERM=" + term.type);
        auto session = std::make_unique<tmux_session>(
            command, tmux_test::session_options{term.width, term.height, env});
        EXPECT_TRUE(session->started());
        EXPECT_TRUE(session->wait_for_text(ready)) << session->screen();
        return session;
    }

    // Types `keys` and returns what the driver printed when it ended.
    static std::string close_with(tmux_session &s, const std::vector<std::string> &keys) {
        s.send_keys(keys);
        EXPECT_TRUE(s.wait_for_exit()) << s.screen();
        EXPECT_EQ(s.exit_status(), 0);
        return s.output();
    }
};

bool contains(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> lines_of(const std::string &screen) {
    std::vector<std::string> lines;
    std::istringstream in(screen);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Column (in characters) where `part` starts on the first line holding it.
long column_of(const std::string &screen, const std::string &part) {
    for (const std::string &line : lines_of(screen)) {
        const size_t at = line.find(part);
        if (at == std::string::npos)
            continue;
        long column = 0;
        for (size_t i = 0; i < at; ++i)
            if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80)
                ++column;
        return column;
    }
    return -1;
}

// Row of the first line holding `part`.
long row_of(const std::string &screen, const std::string &part) {
    const std::vector<std::string> lines = lines_of(screen);
    for (size_t i = 0; i < lines.size(); ++i)
        if (contains(lines[i], part))
            return static_cast<long>(i);
    return -1;
}

// What an xterm-style terminal sends for a mouse event: the button code, the
// column and the row, each offset by 32 (and the position counted from 1).
std::string mouse_report(int button, long column, long row) {
    return std::string("\x1b[M") + static_cast<char>(32 + button) + static_cast<char>(33 + column) +
           static_cast<char>(33 + row);
}

// A click: the left button pressed and released.
std::string mouse_click(long column, long row) {
    return mouse_report(0, column, row) + mouse_report(3, column, row);
}

// Display columns of a line of the screen (box-drawing characters count one).
long width_of(const std::string &line) {
    long column = 0;
    for (char c : line)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++column;
    return column;
}

TEST_F(Dialog, MarkupReachesTheTerminalAsBoldAndUnderline) {
    auto s = open({"msgbox", "--markup", "--text", "\\Zbbold\\Zn and \\Zuunder\\Zn"}, "<OK>");
    const std::string attributes = s->screen(true);
    EXPECT_TRUE(contains(attributes, "\x1b[1mbold")) << attributes;
    EXPECT_TRUE(contains(attributes, "\x1b[4munder")) << attributes;
    EXPECT_TRUE(contains(close_with(*s, {"Enter"}), "rc=0"));
}

// Whether `label` in the screen's cells (screen(true)) starts right after an
// attribute change, that is, looks different from what stands before it.
bool starts_new_look(const std::string &cells, const std::string &label) {
    const size_t at = cells.find(label);
    if (at == std::string::npos || at < 3 || cells[at - 1] != 'm')
        return false;
    const size_t esc = cells.rfind("\x1b[", at - 1);
    return esc != std::string::npos && cells.find_first_not_of("0123456789;", esc + 2) == at - 1;
}

TEST_F(Dialog, KeysOfTheTerminalReachTheDialogs) {
    // Moving in a menu of 50 rows (15 to a page): End 49, PgUp 34, Up 33,
    // Home 0, Down 1, PgDn 16, Down 17, Up 16.
    auto s = open({"menu", "--rows", "50", "--main-menu"}, "<Quit>");
    s->send_keys({"End", "PageUp", "Up", "Home", "Down", "PageDown", "Down", "Up"});
    EXPECT_TRUE(s->wait_for_text("17/50")) << s->screen();
    s->send_keys({"F1"});
    EXPECT_TRUE(s->wait_for_text(" Help ")) << s->screen();
    s->send_keys({"Escape"});
    EXPECT_TRUE(s->wait_until([](const std::string &now) { return !contains(now, " Help "); }));
    // Buttons: Tab 1, Tab 2, BTab 1, Right 2, Left 1: Properties.
    const std::string out = close_with(*s, {"Tab", "Tab", "BTab", "Right", "Left", "Enter"});
    EXPECT_TRUE(contains(out, "rc=7")) << out;
    EXPECT_TRUE(contains(out, "focus=16")) << out;
}

TEST_F(Dialog, FocusedButtonIsHighlightedAndOnlyWorkingShortcutsAreMarked) {
    // "c" presses Copy, the first button starting with it: Cancel's C and the
    // "[" of [Quit] press nothing and stay unmarked. A marked first letter
    // has a look of its own, so an escape sequence cuts its label in the cells.
    const std::vector<std::string> menu = {"menu", "--rows",   "2",     "--left1",
                                           "Copy", "--right1", "[Quit]"};
    for (const std::string type : {"xterm-mono", ""}) { // monochrome, then colours
        for (const bool shortcuts : {false, true}) {
            std::vector<std::string> args = menu;
            if (shortcuts)
                args.push_back("--shortcuts");
            auto s = open(args, "[Quit]", {60, 14, "C.UTF-8", type});
            const std::string cells = s->screen(true);
            const std::string where = type + (shortcuts ? " shortcuts\n" : "\n") + cells;
            // The focused button (the first) is highlighted, the others not.
            EXPECT_TRUE(starts_new_look(cells, shortcuts ? "<" : "<Copy>")) << where;
            EXPECT_FALSE(starts_new_look(cells, "<Cancel>")) << where;
            if (type == "xterm-mono") {
                EXPECT_TRUE(contains(cells, shortcuts ? "\x1b[7m<\x1b[4mC" : "\x1b[7m<Copy>"))
                    << where;
            }
            EXPECT_EQ(contains(cells, "<OK>"), !shortcuts) << where;
            EXPECT_TRUE(contains(cells, "<Cancel>")) << where;
            EXPECT_TRUE(contains(cells, "<[Quit]>")) << where;
            EXPECT_TRUE(contains(close_with(*s, {shortcuts ? "c" : "Enter"}), "rc=6")) << where;
        }
    }
}

TEST_F(Dialog, MouseClicksFocusRowsAndPressButtonsAndTheWheelScrolls) {
    auto s = open({"menu", "--rows", "50", "--main-menu"}, "<Quit>");
    std::string screen = s->screen();
    s->type(mouse_click(column_of(screen, "row 3"), row_of(screen, "row 3")));
    EXPECT_TRUE(s->wait_for_text("bottom 3")) << s->screen();
    s->type(mouse_report(65, column_of(screen, "row 3"), row_of(screen, "row 3"))); // wheel down
    EXPECT_TRUE(s->wait_until([](const std::string &now) {
        return !contains(now, "row 2\n") && !contains(now, "row 2 ");
    })) << s->screen();
    screen = s->screen();
    EXPECT_TRUE(contains(screen, "row 17"));
    s->type(mouse_click(column_of(screen, "<Quit>") + 1, row_of(screen, "<Quit>")));
    ASSERT_TRUE(s->wait_for_exit()) << s->screen();
    const std::string out = s->output();
    EXPECT_TRUE(contains(out, "rc=9")) << out;
    EXPECT_TRUE(contains(out, "focus=3")) << out;
}

const std::string form_field(const std::string &initial, int max_length, int flags = 24) {
    return "|0|0|" + initial + "|0|0|20|" + std::to_string(max_length) + "|" +
           std::to_string(flags);
}

TEST_F(Dialog, FormEditsItsFieldAndReturnsTheValue) {
    auto s = open({"form", "--esc", "--text", "New value:", "--field", form_field("hello", 50)},
                  "hello");
    s->type(" w\xc3\xb6rld");
    s->send_keys({"BSpace", "Home", "Delete", "End", "Left", "Left"});
    s->type("\xe6\x97\xa5");
    const std::string out = close_with(*s, {"Enter"});
    EXPECT_TRUE(contains(out, "rc=0")) << out;
    EXPECT_TRUE(contains(out, "value0=ello w\xc3\xb6\xe6\x97\xa5rl\n")) << out;
}

TEST_F(Dialog, ResizingTheTerminalRedrawsTheOpenDialog) {
    const std::string text = "A paragraph long enough that it has to be wrapped again when the "
                             "terminal becomes narrower than it was when the box opened.";
    auto s = open({"msgbox", "--text", text}, "<OK>");
    s->resize(40, 12);
    EXPECT_TRUE(s->wait_until([](const std::string &now) {
        const std::vector<std::string> lines = lines_of(now);
        if (lines.size() > 12 || !contains(now, "<OK>"))
            return false;
        for (const std::string &line : lines)
            if (width_of(line) > 40)
                return false;
        return contains(now, "narrower");
    })) << s->screen();
    EXPECT_TRUE(contains(close_with(*s, {"Enter"}), "rc=0"));
}

TEST_F(Dialog, EscapeSequencesInTextsAreDrawnHarmlessly) {
    for (const std::string locale : {"C.UTF-8", "C"}) {
        auto s = open({"msgbox", "--title", "T\\e[7m", "--text",
                       "A\\e[2J\\e]0;pwned\\x07B\\x9b"
                       "C\\x7f"},
                      "<OK>", {60, 12, locale});
        const std::string screen = s->screen();
        EXPECT_TRUE(contains(screen, "A^[[2J^[]0;pwned^GB")) << locale << "\n" << screen;
        EXPECT_TRUE(contains(screen, "C^?"));
        EXPECT_TRUE(contains(screen, "T^[[7m"));
        EXPECT_TRUE(contains(screen, locale == "C" ? "B?C"
                                                   : "B\xef\xbf\xbd"
                                                     "C"));
        close_with(*s, {"Enter"});
    }
}

TEST_F(Dialog, InitFailsClearlyWithoutAUsableTerminal) {
    struct {
        std::vector<std::string> command;
        const char *message;
    } const cases[] = {
        {{"sh", "-c", std::string(BOXKIT_DRIVER) + " msgbox --text x < /dev/null"},
         "init failed: standard input is not a terminal"},
        {{"sh", "-c", std::string(BOXKIT_DRIVER) + " msgbox --text x | cat"},
         "init failed: standard output is not a terminal"},
        {{"env", "TERM=xyz", BOXKIT_DRIVER, "msgbox", "--text", "x"},
         "init failed: unknown terminal type \"xyz\""},
        {{"env", "TERM=", BOXKIT_DRIVER, "msgbox", "--text", "x"},
         "init failed: the TERM environment variable is not set"},
        {{"env", "TERM=dumb", BOXKIT_DRIVER, "msgbox", "--text", "x"},
         "init failed: terminal type \"dumb\" cannot position the cursor"},
    };
    for (const auto &c : cases) {
        tmux_session s(c.command);
        ASSERT_TRUE(s.wait_for_exit());
        EXPECT_TRUE(contains(s.output(), c.message)) << s.output();
    }
}

TEST_F(Dialog, SignalsLeaveTheTerminalRestored) {
    struct {
        int signal;
        int status;
    } const cases[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}};
    for (const auto &c : cases) {
        auto s = open({"menu", "--rows", "5", "--main-menu"}, "<Quit>");
        if (c.signal == SIGINT)
            s->send_keys({"C-c"});
        else
            ::kill(s->pid(), c.signal);
        ASSERT_TRUE(s->wait_for_exit());
        EXPECT_EQ(s->exit_status(), c.status);
        // The program's screen is gone: the terminal is back on its normal screen.
        EXPECT_FALSE(contains(s->output(), "Navigate")) << s->output();
    }

    // A signal ignored before the dialogs start (as under nohup) stays ignored.
    tmux_session ignoring(
        {"sh", "-c",
         "trap '' HUP; exec " + std::string(BOXKIT_DRIVER) + " menu --rows 5 --main-menu"});
    ASSERT_TRUE(ignoring.wait_for_text("<Quit>"));
    ::kill(ignoring.pid(), SIGHUP);
    EXPECT_TRUE(contains(close_with(ignoring, {"q"}), "rc=9"));
}

} // namespace
