// Runs the program's entry point in-process with a command line and captures
// what it writes to standard output and standard error.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "app/startup.h"
#include "tests/support/command_line.h"
#include "tests/support/dialog_double.h"
#include "tests/support/temp_files.h"

namespace app_test {

struct program_run {
    int status;
    std::string out;
    std::string err;
};

// Points file descriptor `fd` at a temporary file until destroyed, then
// restores it; text() reads what was written in between.
class fd_capture {
  public:
    explicit fd_capture(int fd) : fd_(fd), file_("app-test-capture") {
        std::fflush(nullptr);
        saved_ = dup(fd_);
        const int to = open(file_.path().c_str(), O_WRONLY | O_CLOEXEC);
        dup2(to, fd_);
        close(to);
    }
    ~fd_capture() { restore(); }
    fd_capture(const fd_capture &) = delete;
    fd_capture &operator=(const fd_capture &) = delete;

    std::string text() {
        restore();
        return test_support::read_file(file_.path());
    }

  private:
    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(nullptr);
        dup2(saved_, fd_);
        close(saved_);
        saved_ = -1;
    }
    int fd_;
    test_support::temp_file file_;
    int saved_;
};

// A scripted answer of a dialog: its code and, for a menu, the focus it leaves.
inline dialog_double::response answer(int code, std::optional<int> focus = std::nullopt) {
    dialog_double::response r;
    r.code = code;
    r.focus = focus;
    return r;
}

// A dialog that fails with `error` as the library's error text.
inline dialog_double::response failure(const std::string &error) {
    dialog_double::response r;
    r.code = BOXKIT_ERROR;
    r.error = error;
    return r;
}

// "mibscope" followed by `args`.
inline std::vector<std::string> program_args(const std::vector<std::string> &args) {
    std::vector<std::string> all = {"mibscope"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

// Calls mibscope_main with "mibscope" followed by `args`.
// The options keep pointing into the argument texts after the run, as they do
// in the program, so the texts live until the next run.
inline program_run run_program(const std::vector<std::string> &args) {
    static std::optional<test_support::command_line> command;
    command.reset();
    command.emplace(program_args(args));

    fd_capture out(STDOUT_FILENO);
    fd_capture err(STDERR_FILENO);
    const int status = mibscope::mibscope_main(command->argc(), command->argv());
    std::string out_text = out.text();
    std::string err_text = err.text();
    return program_run{status, out_text, err_text};
}

// For death tests: the child's standard output goes to standard error, where
// EXPECT_EXIT matches it.
inline void run_program_to_stderr(const std::vector<std::string> &args) {
    std::fflush(nullptr);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    test_support::command_line command(program_args(args));
    std::exit(mibscope::mibscope_main(command.argc(), command.argv()));
}

} // namespace app_test
