// A terminal program under a pseudo-terminal that this process drives as its
// terminal: keys are written to the program, and its output is read until the
// screen has been redrawn, that is until the program has written something
// and is again blocked waiting for input.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace bench {

// What one screen update cost, seen from the terminal.
struct frame {
    bool ok;      // false: the program ended or the time limit passed first
    double us;    // from the key (or the start) to the last byte of the update
    size_t bytes; // bytes of terminal output in the update
};

class pty_session {
  public:
    // Starts `argv` on a new pseudo-terminal of `lines` x `cols` with the
    // given TERM; exits the process with a message when that fails.
    pty_session(const std::vector<std::string> &argv, int lines, int cols, const char *term);
    ~pty_session();
    pty_session(const pty_session &) = delete;
    pty_session &operator=(const pty_session &) = delete;

    // Waits for the first screen the program shows and then waits for input;
    // timed from just before the program was started.
    frame first_frame(double limit_ms);
    // Sends the bytes of one key and waits for the redraw it causes.
    frame press(const std::string &key, double limit_ms);
    // Sends `key` (normally the program's quit key) and waits for the
    // program to end; kills it after `limit_ms`. Returns its exit status, or
    // -1 when it had to be killed.
    int finish(const std::string &key, double limit_ms);

  private:
    frame wait_frame(double start_us, double limit_ms);
    void drain(frame &f, double &last_us);
    bool waiting_for_input() const;
    bool ended();

    int master_ = -1;
    pid_t pid_ = -1;
    int status_ = 0;
    double started_us_ = 0;
};

} // namespace bench
