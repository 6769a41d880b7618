// Drives a terminal program inside tmux for tests: a detached session on a
// tmux server of its own, keys sent as a user types them, the screen read
// back as text. The server is killed when the session object goes.
//
//   tmux_test::tmux_session s({"/path/prog", "arg"}, {80, 24, {"LANG=C.UTF-8"}});
//   ASSERT_TRUE(s.wait_for_text("Quit"));
//   s.send_keys({"Down", "Enter"});
//   ASSERT_TRUE(s.wait_for_exit());
//   EXPECT_EQ(s.exit_status(), 0);
//   EXPECT_NE(s.output().find("rc=0"), std::string::npos);
//
// Every wait polls the screen about every 20 ms up to its timeout and never
// sleeps longer than that.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tmux_test {

// Whether tmux can be run on this machine (tests GTEST_SKIP without it).
bool tmux_available();

struct session_options {
    int width = 80;
    int height = 24;
    std::vector<std::string> env; // "NAME=value" pairs set for the command (TERM too)
};

class tmux_session {
  public:
    // Starts `command` (argv; run directly, not through a shell) in a new
    // detached session. started() tells whether tmux took it.
    explicit tmux_session(const std::vector<std::string> &command, session_options options = {});
    ~tmux_session();
    tmux_session(const tmux_session &) = delete;
    tmux_session &operator=(const tmux_session &) = delete;

    bool started() const { return started_; }

    // Keys by tmux's names, one key each: "Down", "Enter", "Escape", "F1",
    // "BSpace", "Tab", "BTab", "C-c", "q".
    void send_keys(const std::vector<std::string> &keys);
    // Types `text` literally, byte for byte.
    void type(const std::string &text);

    // The visible screen, one line per row, trailing blanks of each row
    // removed. With `attributes`, attribute changes appear as escape sequences.
    std::string screen(bool attributes = false);

    // Waits until the screen holds `text`; false at the timeout.
    bool wait_for_text(const std::string &text,
                       std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Waits until `ready(screen)` holds; false at the timeout.
    bool wait_until(const std::function<bool(const std::string &)> &ready,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Waits until the command has exited; false at the timeout.
    bool wait_for_exit(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // The command's exit status once it has exited; 128 + the signal number when a
    // signal ended it; -1 while it runs.
    int exit_status();
    // What the terminal shows once the command has exited, history included:
    // what it printed after giving the terminal back, lines that the terminal
    // wrapped joined again. Trailing empty lines and
    // tmux's own "Pane is dead" line are left out.
    std::string output();

    // Resizes the window (the program sees SIGWINCH).
    void resize(int width, int height);

    // Process id of the command, for sending it signals; -1 when it has none.
    int pid();

  private:
    std::string tmux(const std::vector<std::string> &args, int *status = nullptr);

    std::string socket_;
    std::string dir_; // holds the file with the exit status
    bool started_ = false;
};

} // namespace tmux_test
