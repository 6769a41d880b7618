// Runs the program's entry point in-process with a command line and captures
// what it writes to standard output and standard error.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/startup.h"
#include "tests/support/dialog_double.h"

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
    explicit fd_capture(int fd) : fd_(fd) {
        std::fflush(nullptr);
        char path[] = "/tmp/app_test_capture_XXXXXX";
        file_ = mkstemp(path);
        path_ = path;
        saved_ = dup(fd_);
        dup2(file_, fd_);
    }
    ~fd_capture() { restore(); }
    fd_capture(const fd_capture &) = delete;
    fd_capture &operator=(const fd_capture &) = delete;

    std::string text() {
        std::fflush(nullptr);
        std::ifstream in(path_);
        std::stringstream s;
        s << in.rdbuf();
        restore();
        return s.str();
    }

  private:
    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(nullptr);
        dup2(saved_, fd_);
        close(saved_);
        close(file_);
        unlink(path_.c_str());
        saved_ = -1;
    }
    int fd_;
    int file_;
    int saved_;
    std::string path_;
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

// Calls mibscope_main with "mibscope" followed by `args`.
// The options keep pointing into the argument texts after the run, as they do
// in the program, so the texts live until the next run.
inline program_run run_program(const std::vector<std::string> &args) {
    static std::vector<std::string> storage;
    storage = {"mibscope"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    fd_capture out(STDOUT_FILENO);
    fd_capture err(STDERR_FILENO);
    const int status = mibscope::mibscope_main(static_cast<int>(storage.size()), argv.data());
    std::string out_text = out.text();
    std::string err_text = err.text();
    return program_run{status, out_text, err_text};
}

// For death tests: the child's standard output goes to standard error, where
// EXPECT_EXIT matches it.
inline void run_program_to_stderr(const std::vector<std::string> &args) {
    std::fflush(nullptr);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    std::vector<std::string> storage{"mibscope"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::exit(mibscope::mibscope_main(static_cast<int>(storage.size()), argv.data()));
}

} // namespace app_test
