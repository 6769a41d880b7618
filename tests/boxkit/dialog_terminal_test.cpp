// The dialogs as a user meets them: the driver program runs inside tmux, keys
// are typed into it and the screen is read back; what the dialog returned is
// what the driver prints after boxkit_end.
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

const std::vector<std::string> main_menu_rows = {
    "menu",   "--main-menu",
    "--item", "+|0|kern|Kernel|kern",
    "--item", "|0|vm|Virtual memory|vm",
    "--item", "-|0|net||net",
    "--item", "|1|.inet|Internet|net.inet",
};

TEST_F(Dialog, MessageBoxShowsTitleMarkupAndWrappedText) {
    auto s = open({"msgbox", "--title", " Notice ", "--markup", "--width", "30", "--text",
                   "\\Zbbold\\Zn and \\Zuunder\\Zn, then words enough to wrap the line"},
                  "<OK>");
    const std::string screen = s->screen();
    EXPECT_TRUE(contains(screen, " Notice "));
    EXPECT_TRUE(contains(screen, "bold and under,"));
    EXPECT_FALSE(contains(screen, "\\Z"));
    EXPECT_TRUE(contains(screen, "│ bold and under, then words │")) << screen;
    EXPECT_TRUE(contains(screen, "│ enough to wrap the line    │"));
    const std::string attributes = s->screen(true);
    EXPECT_TRUE(contains(attributes, "\x1b[1mbold")) << attributes;
    EXPECT_TRUE(contains(attributes, "\x1b[4munder")) << attributes;
    // ESC is off: it leaves the box open, and Enter presses OK.
    EXPECT_TRUE(contains(close_with(*s, {"Escape", "Enter"}), "rc=0"));
}

TEST_F(Dialog, MarkupOffIsDrawnAsItStands) {
    auto s = open({"msgbox", "--text", "\\Zbnot bold\\Zn"}, "<OK>");
    EXPECT_TRUE(contains(s->screen(), "\\Zbnot bold\\Zn"));
    close_with(*s, {"Enter"});
}

TEST_F(Dialog, MessageBoxButtonsAndTheirCodes) {
    struct {
        std::vector<std::string> args;
        std::vector<std::string> keys;
        const char *rc;
    } const cases[] = {
        {{"--esc"}, {"Escape"}, "rc=5"},
        {{"--ok-label", "Close", "--shortcuts"}, {"C"}, "rc=0"},
        {{"--right1", "Later", "--shortcuts"}, {"l"}, "rc=9"},
        {{"--right1", "Later"}, {"Right", "Enter"}, "rc=9"},
        {{"--right1", "Later"}, {"l", "Enter"}, "rc=0"}, // shortcuts off: letters do nothing
        {{"--hide-ok"}, {"Enter"}, "rc=0"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = {"msgbox", "--text", "Pick one"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto s = open(args, "Pick one");
        EXPECT_TRUE(contains(close_with(*s, c.keys), c.rc)) << c.keys.front();
    }
}

TEST_F(Dialog, LongTextScrollsToItsLastLine) {
    std::string text;
    for (int i = 1; i <= 100; ++i)
        text += "line " + std::to_string(i) + "\\n";
    auto s = open({"msgbox", "--height", "12", "--text", text}, "line 1");
    EXPECT_TRUE(contains(s->screen(), "7%"));
    s->send_keys({"End"});
    EXPECT_TRUE(s->wait_for_text("line 100")) << s->screen();
    EXPECT_TRUE(contains(s->screen(), "100%"));
    s->send_keys({"PageUp", "Up"});
    EXPECT_TRUE(s->wait_for_text("line 86")) << s->screen();
    s->send_keys({"Home"});
    EXPECT_TRUE(s->wait_for_text("line 1 ")) << s->screen();
    close_with(*s, {"Enter"});
}

TEST_F(Dialog, AMebibyteOfTextIsReadableToItsLastByte) {
    const std::string path = ::testing::TempDir() + "boxkit_mebibyte.txt";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; out.tellp() < (1 << 20); ++i)
            out << "word" << i << (i % 13 == 0 ? "\n" : " ");
        out << "LAST-BYTES";
    }
    auto s = open({"msgbox", "--text-file", path}, "word0");
    s->send_keys({"End"});
    EXPECT_TRUE(s->wait_for_text("LAST-BYTES")) << s->screen();
    EXPECT_TRUE(contains(s->screen(), "100%"));
    EXPECT_TRUE(contains(close_with(*s, {"Enter"}), "rc=0"));
    std::remove(path.c_str());
}

TEST_F(Dialog, MenuButtonsComeInOrderAndHide) {
    auto all = open(
        {"menu", "--left1", "Navigate", "--left2", "Properties", "--right1", "Quit", "--rows", "3"},
        "<Quit>");
    EXPECT_TRUE(contains(all->screen(), "<Navigate>  <Properties>  <OK>  <Cancel>  <Quit>"));
    close_with(*all, {"Enter"});

    auto main = open(main_menu_rows, "<Quit>");
    const std::string screen = main->screen();
    EXPECT_TRUE(contains(screen, "<Navigate>  <Properties>  <Set Value>  <Quit>"));
    EXPECT_FALSE(contains(screen, "<OK>"));
    EXPECT_FALSE(contains(screen, "<Cancel>"));
    EXPECT_TRUE(contains(screen, "F1 for help. ESC or Q for quit."));
    close_with(*main, {"q"});
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

TEST_F(Dialog, MenuKeysPressButtons) {
    struct {
        std::vector<std::string> keys;
        const char *rc;
    } const main_menu[] = {
        {{"Enter"}, "rc=6"}, // the first visible button has the focus
        {{"Right", "Enter"}, "rc=7"},
        {{"Tab", "Tab", "Enter"}, "rc=8"},
        {{"Left", "Enter"}, "rc=9"}, // wraps around to Quit
        {{"BTab", "Enter"}, "rc=9"},
        {{"q"}, "rc=9"},
        {{"Q"}, "rc=9"},
        {{"n"}, "rc=6"},
        {{"P"}, "rc=7"},
        {{"s"}, "rc=8"},
        {{"Escape"}, "rc=5"},
    };
    for (const auto &c : main_menu) {
        auto s = open(main_menu_rows, "<Quit>");
        EXPECT_TRUE(contains(close_with(*s, c.keys), c.rc)) << c.keys.front();
    }
    const struct {
        std::vector<std::string> keys;
        const char *rc;
    } plain[] = {
        {{"Enter"}, "rc=0"},
        {{"Right", "Enter"}, "rc=1"},
        {{"Escape", "q", "Enter"}, "rc=0"}, // ESC off, no shortcuts
    };
    for (const auto &c : plain) {
        auto s = open({"menu", "--rows", "3"}, "<Cancel>");
        EXPECT_TRUE(contains(close_with(*s, c.keys), c.rc)) << c.keys.front();
    }
}

TEST_F(Dialog, MenuAlignsColumnsAndShowsTheBottomText) {
    std::vector<std::string> args = {"menu", "--align-left"};
    args.insert(args.end(), main_menu_rows.begin() + 2, main_menu_rows.end());
    auto s = open(args, "Internet");
    const std::string screen = s->screen();
    // Names line up whatever their prefix; a child is indented by its depth.
    EXPECT_EQ(column_of(screen, "+ kern"), column_of(screen, "  vm"));
    EXPECT_EQ(column_of(screen, "kern"), column_of(screen, "net"));
    EXPECT_EQ(column_of(screen, ".inet"), column_of(screen, "kern") + 1);
    // Descriptions form one column.
    EXPECT_EQ(column_of(screen, "Kernel"), column_of(screen, "Virtual memory"));
    EXPECT_EQ(column_of(screen, "Kernel"), column_of(screen, "Internet"));
    EXPECT_EQ(lines_of(screen).back(), " kern");
    s->send_keys({"Down", "Down", "Down"});
    EXPECT_TRUE(s->wait_until([](const std::string &now) {
        return lines_of(now).back() == " net.inet";
    })) << s->screen();
    EXPECT_TRUE(contains(close_with(*s, {"Enter"}), "focus=3"));

    auto hidden = open(main_menu_rows, "<Quit>");
    EXPECT_FALSE(contains(hidden->screen(), "Kernel"));
    close_with(*hidden, {"q"});
}

TEST_F(Dialog, MenuScrollsToTheLastOfTenThousandRows) {
    auto s = open({"menu", "--rows", "10000", "--main-menu"}, "<Quit>");
    EXPECT_TRUE(contains(s->screen(), "1/10000"));
    s->send_keys({"End"});
    EXPECT_TRUE(s->wait_for_text("10000/10000")) << s->screen();
    const std::string screen = s->screen();
    EXPECT_TRUE(contains(screen, "row 9999"));
    EXPECT_EQ(lines_of(screen).back(), " bottom 9999");
    // 80x24 less the margins leaves 15 rows for the list: a page.
    s->send_keys({"PageUp", "Up"});
    EXPECT_TRUE(s->wait_for_text("bottom 9983")) << s->screen();
    s->send_keys({"Home", "PageDown", "Down"});
    EXPECT_TRUE(s->wait_for_text("bottom 16")) << s->screen();
    const std::string out = close_with(*s, {"q"});
    EXPECT_TRUE(contains(out, "rc=9"));
    EXPECT_TRUE(contains(out, "focus=16"));
}

TEST_F(Dialog, HelpOpensOnF1AndReturnsToTheSameMenuState) {
    auto s = open({"menu", "--rows", "50", "--main-menu"}, "<Quit>");
    s->send_keys({"Down", "Down", "Down", "Right"});
    EXPECT_TRUE(s->wait_for_text("bottom 3"));
    s->send_keys({"F1"});
    EXPECT_TRUE(s->wait_for_text("Jump to the last node")) << s->screen();
    const std::string help = s->screen();
    EXPECT_TRUE(contains(help, " Help "));
    EXPECT_TRUE(contains(help, "Up / Down: Navigate"));
    EXPECT_FALSE(contains(help, "\\Z"));
    s->send_keys({"Escape"});
    EXPECT_TRUE(s->wait_until([](const std::string &now) { return !contains(now, " Help "); }));
    EXPECT_TRUE(contains(s->screen(), "bottom 3"));
    // Same row, same button (Properties).
    const std::string out = close_with(*s, {"Enter"});
    EXPECT_TRUE(contains(out, "rc=7"));
    EXPECT_TRUE(contains(out, "focus=3"));
}

TEST_F(Dialog, MenuFocusIsClampedAndEmptyMenusWork) {
    struct {
        std::vector<std::string> args;
        const char *focus;
    } const cases[] = {
        {{"--rows", "10", "--focus", "500"}, "focus=9"},
        {{"--rows", "10", "--focus", "-7"}, "focus=0"},
        {{"--rows", "0", "--focus", "3"}, "focus=0"},
        {{"--rows", "10", "--focus", "4"}, "focus=4"},
        {{"--item", "+|4294967295|deep|far|b", "--item", "|0|shallow|near|b"}, "focus=0"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = {"menu", "--text", "Pick"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto s = open(args, "<Cancel>");
        const std::string out = close_with(*s, {"Enter"});
        EXPECT_TRUE(contains(out, "rc=0")) << out;
        EXPECT_TRUE(contains(out, c.focus)) << out;
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

TEST_F(Dialog, FormTabMovesToTheButtons) {
    struct {
        std::vector<std::string> keys;
        const char *result;
    } const cases[] = {
        {{"Tab", "Enter"}, "rc=0\nfocus=0\nvalue0=abc"},
        {{"Tab", "Tab", "Enter"}, "rc=1\nfocus=0\nvalue0=abc"},
        {{"Tab", "Tab", "Tab", "x", "Enter"}, "rc=0\nfocus=0\nvalue0=abcx"}, // back in the field
        {{"Escape"}, "rc=5\nfocus=0\nvalue0=abc"},
    };
    for (const auto &c : cases) {
        auto s = open({"form", "--esc", "--field", form_field("abc", 50)}, "<Cancel>");
        EXPECT_TRUE(contains(close_with(*s, c.keys), c.result)) << c.keys.size();
    }
}

TEST_F(Dialog, FormLimitsTypingButKeepsALongInitialText) {
    auto limited = open({"form", "--field", form_field("", 5)}, "<Cancel>");
    limited->type("abcdefgh");
    EXPECT_TRUE(contains(close_with(*limited, {"Enter"}), "value0=abcde\n"));

    const std::string long_text = "start-" + std::string(70, 'x') + "-end";
    auto accepted = open({"form", "--field", form_field(long_text, 50)}, "-end");
    // The field shows the text's end, where the cursor is; Home scrolls back.
    EXPECT_FALSE(contains(accepted->screen(), "start-"));
    accepted->send_keys({"Home"});
    EXPECT_TRUE(accepted->wait_for_text("start-"));
    accepted->send_keys({"End"});
    accepted->type("y");
    EXPECT_TRUE(contains(close_with(*accepted, {"Enter"}), "value0=" + long_text + "\n"));

    auto shortened = open({"form", "--field", form_field(long_text, 50)}, "-end");
    shortened->send_keys({"BSpace"});
    const std::string out = close_with(*shortened, {"Enter"});
    EXPECT_TRUE(contains(out, "value0=" + long_text.substr(0, long_text.size() - 1) + "\n"));
}

TEST_F(Dialog, ResizeRedrawsTheOpenDialogAtTheNewSize) {
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

    auto menu = open({"menu", "--rows", "100", "--main-menu"}, "<Quit>");
    menu->send_keys({"End"});
    menu->resize(60, 15);
    EXPECT_TRUE(menu->wait_until([](const std::string &now) {
        return lines_of(now).size() <= 15 && contains(now, "row 99") && contains(now, "<Quit>");
    })) << menu->screen();
    EXPECT_TRUE(contains(close_with(*menu, {"q"}), "focus=99"));
}

TEST_F(Dialog, TinyTerminalsShowWhatFitsAndKeepWorking) {
    auto s = open({"menu", "--rows", "100", "--main-menu"}, "Navigate", {20, 6});
    EXPECT_TRUE(contains(s->screen(), "row 0"));
    s->send_keys({"End"});
    EXPECT_TRUE(s->wait_for_text("row 99")) << s->screen();
    const std::string out = close_with(*s, {"q"});
    EXPECT_TRUE(contains(out, "rc=9"));
    EXPECT_TRUE(contains(out, "focus=99"));

    // One column: the dialog cannot show itself, and still takes keys.
    std::vector<std::string> command = {BOXKIT_DRIVER, "form",    "--text",
                                        "A form",      "--field", form_field("abc", 50)};
    tmux_session narrow(command, {1, 5, {"LC_ALL=C.UTF-8"}});
    EXPECT_TRUE(narrow.wait_until(
        [](const std::string &now) { return now.find_first_not_of(" \n") != std::string::npos; }));
    narrow.type("d");
    std::string form_out = close_with(narrow, {"Enter"});
    std::erase(form_out, '\n');
    EXPECT_TRUE(contains(form_out, "value0=abcd")) << form_out;
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

TEST_F(Dialog, InfoboxReturnsAtOnce) {
    auto s = open({"infobox", "--text", "Getting kernel info..."}, "Getting kernel info...");
    EXPECT_FALSE(contains(s->screen(), "<OK>"));
    // The driver waits for a key only after boxkit_infobox has returned.
    EXPECT_TRUE(contains(close_with(*s, {"x"}), "rc=0"));
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
