// Helpers for the end-to-end tests: a program started in tmux through a shell
// that reports, once the program has ended, whether the terminal's modes were
// given back and the exit status; and small readers of the screen.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <sys/types.h>

#include "tests/support/temp_files.h"
#include "tests/support/tmux_session.h"

namespace e2e {

// The shell line that runs "$@" and then prints tty=restored (or tty=changed)
// and rc=<status>, and exits with that status.
inline std::vector<std::string> checked(const std::vector<std::string> &argv) {
    std::vector<std::string> command = {
        "/bin/sh", "-c",
        "before=$(stty -g); \"$@\"; rc=$?; "
        "if [ \"$(stty -g)\" = \"$before\" ]; then echo tty=restored; else echo tty=changed; fi; "
        "echo rc=$rc; exit $rc",
        "sh"};
    command.insert(command.end(), argv.begin(), argv.end());
    return command;
}

// The command line of the program on the in-memory kernel with the fixture
// MIB: its own leading switches (`own`), then "--" and the program's options.
inline std::vector<std::string> fake_program(const std::vector<std::string> &own,
                                             const std::vector<std::string> &options) {
    std::vector<std::string> argv = {E2E_FAKE_PROGRAM, "--mib", E2E_FIXTURE_MIB};
    argv.insert(argv.end(), own.begin(), own.end());
    argv.push_back("--");
    argv.insert(argv.end(), options.begin(), options.end());
    return argv;
}

using test_support::read_file;

// One file of a fixture /proc/sys: its path below the root, its content, its mode.
struct fixture_file {
    std::string path;
    std::string content;
    mode_t mode = 0644;
};

// The root of the program built on the /proc/sys layer (E2E_FIXTURE_PROGRAM),
// built afresh with `files`: the program reads it at start-up.
inline std::filesystem::path fresh_fixture_sys(const std::vector<fixture_file> &files) {
    const std::filesystem::path root = E2E_FIXTURE_SYS;
    std::filesystem::remove_all(root);
    for (const fixture_file &f : files)
        test_support::write_file(root / f.path, f.content, f.mode);
    return root;
}

// Why a program cannot be run under valgrind here, or the empty text when it can.
inline std::string valgrind_unavailable() {
#if defined(__SANITIZE_ADDRESS__)
    return "the program is built with the address sanitizer, which valgrind cannot run";
#else
    if (std::system("valgrind --version >/dev/null 2>&1") != 0)
        return "valgrind is not available";
    return "";
#endif
}

// `argv` under valgrind's leak check, its report written to `log`; valgrind
// exits with status 99 when it found an error.
inline std::vector<std::string> under_valgrind(const std::string &log,
                                               const std::vector<std::string> &argv) {
    std::vector<std::string> command = {"valgrind",
                                        "--leak-check=full",
                                        "--errors-for-leak-kinds=definite,indirect",
                                        "--show-leak-kinds=definite,indirect",
                                        "--error-exitcode=99",
                                        "--log-file=" + log};
    command.insert(command.end(), argv.begin(), argv.end());
    return command;
}

inline tmux_test::session_options terminal(int width = 100, int height = 30) {
    return tmux_test::session_options{width, height, {"LANG=C.UTF-8"}};
}

// The screen's lines.
inline std::vector<std::string> lines(const std::string &screen) {
    std::vector<std::string> r;
    std::istringstream in(screen);
    for (std::string line; std::getline(in, line);)
        r.push_back(line);
    return r;
}

// The line holding `text`, or "" when none does.
inline std::string line_with(const std::string &screen, const std::string &text) {
    for (const std::string &line : lines(screen))
        if (line.find(text) != std::string::npos)
            return line;
    return "";
}

// Column (in bytes from the line's start) of `text` on the first line that holds
// it; -1 when none does. Lines of one box start with the same border bytes, so
// differences of columns on them are differences of screen columns.
inline long column_of(const std::string &screen, const std::string &text) {
    for (const std::string &line : lines(screen)) {
        const size_t at = line.find(text);
        if (at != std::string::npos)
            return static_cast<long>(at);
    }
    return -1;
}

// Waits until the screen no longer holds `text`. Each pass of the main loop
// clears the screen before the menu comes back, so a caller waits for what the
// new screen shows before it relies on what has gone.
inline bool wait_gone(tmux_test::tmux_session &s, const std::string &text) {
    return s.wait_until(
        [&](const std::string &screen) { return screen.find(text) == std::string::npos; });
}

// The screen's last line (the focused row's bottom text), without its
// leading blanks.
inline std::string bottom_of(const std::string &screen) {
    const std::vector<std::string> l = lines(screen);
    const std::string last = l.empty() ? "" : l.back();
    const size_t start = last.find_first_not_of(' ');
    return start == std::string::npos ? "" : last.substr(start);
}

// Waits until the bottom line is `text`.
inline bool wait_bottom(tmux_test::tmux_session &s, const std::string &text) {
    return s.wait_until([&](const std::string &screen) { return bottom_of(screen) == text; });
}

// Presses Down until the focused row's bottom text is `name`; false when the
// focus stops moving first or after `limit` presses.
inline bool move_down_to(tmux_test::tmux_session &s, const std::string &name, int limit = 100) {
    std::string bottom = bottom_of(s.screen());
    for (int i = 0; i < limit && bottom != name; ++i) {
        const std::string before = bottom;
        s.send_keys({"Down"});
        if (!s.wait_until(
                [&](const std::string &screen) {
                    bottom = bottom_of(screen);
                    return bottom != before;
                },
                std::chrono::milliseconds(500)))
            return false;
    }
    return bottom == name;
}

// A line as its screen cells, one UTF-8 character each (the screens of these
// tests hold no wide characters).
inline std::vector<std::string> cells(const std::string &line) {
    std::vector<std::string> r;
    for (unsigned char c : line) {
        if ((c & 0xC0) == 0x80 && !r.empty())
            r.back() += static_cast<char>(c);
        else
            r.emplace_back(1, static_cast<char>(c));
    }
    return r;
}

// What one bordered box shows: the title in its top border, and its text rows
// down to the line above its buttons, each without the border, the one blank
// of padding and trailing blanks; trailing empty rows left out.
struct box_view {
    std::string title;
    std::vector<std::string> text;
};

// The box whose text holds `anchor`: the nearest left border "│" left of the
// anchor's first occurrence gives the box's column. Empty when no line holds
// `anchor`.
inline box_view box_with(const std::string &screen, const std::string &anchor) {
    const std::vector<std::string> rows = lines(screen);
    std::vector<std::vector<std::string>> grid;
    for (const std::string &line : rows)
        grid.push_back(cells(line));
    auto cell = [&](size_t row, size_t col) -> std::string {
        return row < grid.size() && col < grid[row].size() ? grid[row][col] : "";
    };
    box_view box;
    size_t row = 0;
    long left = -1;
    for (; row < grid.size() && left < 0; ++row) {
        const size_t at = rows[row].find(anchor);
        if (at == std::string::npos)
            continue;
        const long col = static_cast<long>(cells(rows[row].substr(0, at)).size());
        for (left = col - 1; left >= 0 && cell(row, static_cast<size_t>(left)) != "│"; --left) {
        }
    }
    if (left < 0)
        return box;
    const size_t col = static_cast<size_t>(left);
    size_t first = row - 1;
    while (first > 0 && cell(first - 1, col) == "│")
        --first;
    if (first > 0) {
        for (size_t c = col + 1; c < grid[first - 1].size() && cell(first - 1, c) != "┐"; ++c)
            if (cell(first - 1, c) != "─")
                box.title += cell(first - 1, c);
    }
    for (size_t r = first; r < grid.size() && cell(r, col) == "│"; ++r) {
        std::string text;
        for (size_t c = col + 1; c < grid[r].size() && cell(r, c) != "│"; ++c)
            text += cell(r, c);
        if (!text.empty() && text[0] == ' ')
            text.erase(0, 1);
        text.erase(text.find_last_not_of(' ') + 1);
        box.text.push_back(text);
    }
    while (!box.text.empty() && box.text.back().empty())
        box.text.pop_back();
    return box;
}

// Waits for the program to end and returns what the shell reported after it.
inline std::string ending(tmux_test::tmux_session &s) {
    if (!s.wait_for_exit(std::chrono::seconds(10)))
        return "(still running)";
    return s.output();
}

} // namespace e2e
