// Taking over the terminal and giving it back on ncursesw: boxkit_init and
// boxkit_end, the look of each role, and the signal handlers that give the
// terminal back when the process is killed.
#include <array>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <string>
#include <unistd.h>

#include "platform/boxkit.h"
#include "platform/boxkit/curses_look.h"
#include "platform/boxkit/draw.h"
#include "platform/boxkit/error.h"
#include "platform/boxkit/screen.h"

// Last: it defines macros named like common words (lines, columns).
#include <term.h>

namespace boxkit {

namespace {

SCREEN *the_screen = nullptr;
// Written from a signal handler too, hence the plain flag.
volatile sig_atomic_t screen_up = 0;
bool locale_utf8 = false;

constexpr int handled_signals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous_actions[std::size(handled_signals)];

// The look of each role on a terminal with colours, one row per role in the
// order of the roles; each row gets a colour pair of its own.
struct colour_look {
    role r;
    short fg, bg;
    attr_t attrs;
};
constexpr colour_look colour_looks[] = {
    {role::backdrop, COLOR_WHITE, COLOR_BLUE, A_NORMAL},
    {role::box, COLOR_BLACK, COLOR_WHITE, A_NORMAL},
    {role::border, COLOR_BLACK, COLOR_WHITE, A_NORMAL},
    {role::title, COLOR_BLUE, COLOR_WHITE, A_BOLD},
    {role::button, COLOR_BLACK, COLOR_WHITE, A_NORMAL},
    {role::button_active, COLOR_WHITE, COLOR_BLUE, A_BOLD},
    {role::button_key, COLOR_RED, COLOR_WHITE, A_BOLD},
    {role::button_key_active, COLOR_YELLOW, COLOR_BLUE, A_BOLD},
    {role::item, COLOR_BLACK, COLOR_WHITE, A_NORMAL},
    {role::item_active, COLOR_WHITE, COLOR_BLUE, A_BOLD},
    {role::field, COLOR_WHITE, COLOR_BLUE, A_NORMAL},
    {role::indicator, COLOR_BLUE, COLOR_WHITE, A_NORMAL},
    {role::bottom_text, COLOR_WHITE, COLOR_BLUE, A_BOLD},
};
constexpr bool in_role_order() {
    for (size_t i = 0; i < std::size(colour_looks); ++i)
        if (static_cast<size_t>(colour_looks[i].r) != i)
            return false;
    return true;
}
static_assert(in_role_order(), "colour_looks has one row per role, in the order of the roles");
static_assert(static_cast<size_t>(role::bottom_text) + 1 == std::size(colour_looks),
              "every role has a colour look");

std::array<look, std::size(colour_looks)> looks;

// Ctrl-C, SIGTERM, SIGHUP: give the terminal back, then die of the signal as
// the process would have without us.
extern "C" void on_fatal_signal(int sig) {
    if (screen_up) {
        screen_up = 0;
        endwin();
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// The handlers in place before the terminal was taken over (ncurses installs
// some of its own while it starts), put back by boxkit_end.
void save_signal_handlers() {
    for (size_t i = 0; i < std::size(handled_signals); ++i)
        sigaction(handled_signals[i], nullptr, &previous_actions[i]);
}

// A signal that the process ignores (as under nohup) stays ignored.
void install_signal_handlers() {
    struct sigaction action {};
    action.sa_handler = on_fatal_signal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(handled_signals); ++i)
        if (previous_actions[i].sa_handler != SIG_IGN)
            sigaction(handled_signals[i], &action, nullptr);
}

void restore_signal_handlers() {
    for (size_t i = 0; i < std::size(handled_signals); ++i)
        sigaction(handled_signals[i], &previous_actions[i], nullptr);
}

// A text from the environment made safe for an error message.
std::string printable(const char *text) {
    std::string out;
    for (const char *p = text; *p && out.size() < 64; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        out += (c < 0x20 || c >= 0x7F) ? '?' : static_cast<char>(c);
    }
    return out;
}

void set_look(role r, attr_t attrs, short pair) {
    looks[static_cast<size_t>(r)] = {attrs, pair};
}

void choose_looks() {
    // Pair 0 is the terminal's own colours; the table's pairs start at 1.
    if (has_colors() && start_color() == OK &&
        static_cast<size_t>(COLOR_PAIRS) > std::size(colour_looks)) {
        short pair = 1;
        for (const colour_look &row : colour_looks) {
            init_pair(pair, row.fg, row.bg);
            set_look(row.r, row.attrs, pair);
            ++pair;
        }
        return;
    }
    // Monochrome: reverse video marks what has the focus.
    for (auto &l : looks)
        l = {A_NORMAL, 0};
    set_look(role::title, A_BOLD, 0);
    set_look(role::button_active, A_REVERSE, 0);
    set_look(role::button_key, A_UNDERLINE, 0);
    set_look(role::button_key_active, A_REVERSE | A_UNDERLINE, 0);
    set_look(role::item_active, A_REVERSE, 0);
    set_look(role::field, A_UNDERLINE, 0);
    set_look(role::bottom_text, A_BOLD, 0);
}

bool has_cursor_addressing() {
    char *cup = tigetstr(const_cast<char *>("cup"));
    return cup != nullptr && cup != reinterpret_cast<char *>(-1);
}

} // namespace

bool screen_active() {
    return screen_up != 0;
}

bool utf8_locale() {
    return locale_utf8;
}

look look_of(role r) {
    return looks[static_cast<size_t>(r)];
}

} // namespace boxkit

using namespace boxkit;

int boxkit_init(void) {
    if (screen_up)
        return BOXKIT_OK;
    if (!isatty(STDIN_FILENO)) {
        set_error("standard input is not a terminal");
        return BOXKIT_ERROR;
    }
    if (!isatty(STDOUT_FILENO)) {
        set_error("standard output is not a terminal");
        return BOXKIT_ERROR;
    }
    const char *term = std::getenv("TERM");
    if (!term || !*term) {
        set_error("the TERM environment variable is not set");
        return BOXKIT_ERROR;
    }
    // Probe the terminal description first: setupterm reports a failure
    // through `status` instead of printing and exiting.
    int status = 0;
    if (setupterm(term, STDOUT_FILENO, &status) != OK) {
        if (status == 0)
            set_error("unknown terminal type \"%s\"", printable(term).c_str());
        else
            set_error("no terminal description database found for \"%s\"", printable(term).c_str());
        return BOXKIT_ERROR;
    }
    const bool addressable = has_cursor_addressing();
    del_curterm(cur_term);
    if (!addressable) {
        set_error("terminal type \"%s\" cannot position the cursor", printable(term).c_str());
        return BOXKIT_ERROR;
    }
    const char *codeset = nl_langinfo(CODESET);
    locale_utf8 =
        codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);

    set_escdelay(25);
    save_signal_handlers();
    the_screen = newterm(term, stdout, stdin);
    if (!the_screen) {
        set_error("cannot start terminal type \"%s\"", printable(term).c_str());
        return BOXKIT_ERROR;
    }
    set_term(the_screen);
    cbreak();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    meta(stdscr, TRUE);
    curs_set(0);
    mousemask(BUTTON1_PRESSED | BUTTON1_CLICKED | BUTTON4_PRESSED | BUTTON5_PRESSED, nullptr);
    mouseinterval(0);
    choose_looks();
    screen_up = 1;
    install_signal_handlers();
    fill_backdrop();
    show();
    return BOXKIT_OK;
}

int boxkit_end(void) {
    if (!the_screen)
        return BOXKIT_OK;
    if (screen_up) {
        screen_up = 0;
        curs_set(1);
        endwin();
    }
    restore_signal_handlers();
    delscreen(the_screen);
    the_screen = nullptr;
    return BOXKIT_OK;
}
