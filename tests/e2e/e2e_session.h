// Helpers for the end-to-end tests: a program started in tmux through a shell
// that reports, once the program has ended, whether the terminal's modes were
// given back and the exit status; and small readers of the screen.
#pragma once

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

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

// Waits for the program to end and returns what the shell reported after it.
inline std::string ending(tmux_test::tmux_session &s) {
    if (!s.wait_for_exit(std::chrono::seconds(10)))
        return "(still running)";
    return s.output();
}

} // namespace e2e
