// Drives a program through a pseudo-terminal; see pty_session.h.
#include "bench/pty_session.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/timing.h"

namespace bench {

namespace {

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "pty_session: %s: %s\n", what, std::strerror(errno));
    std::exit(2);
}

// The first line of a small /proc file, or the empty text.
std::string read_proc(const std::string &path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char buf[512];
    const ssize_t n = read(fd, buf, sizeof buf - 1);
    close(fd);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// System calls in which a curses program waits for a key (x86-64 and
// aarch64 numbers): read, poll, select, pselect6, ppoll, epoll_wait, epoll_pwait.
bool is_input_wait(long nr) {
#if defined(__x86_64__)
    return nr == 0 || nr == 7 || nr == 23 || nr == 270 || nr == 271 || nr == 232 || nr == 281;
#elif defined(__aarch64__)
    return nr == 63 || nr == 72 || nr == 73 || nr == 22;
#else
#error "unsupported architecture: list the system calls that wait for input"
#endif
}

} // namespace

pty_session::pty_session(const std::vector<std::string> &argv, int lines, int cols,
                         const char *term) {
    winsize size{};
    size.ws_row = static_cast<unsigned short>(lines);
    size.ws_col = static_cast<unsigned short>(cols);
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    started_us_ = now_us();
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ < 0)
        fail("forkpty");
    if (pid_ == 0) {
        setenv("TERM", term, 1);
        execvp(args[0], args.data());
        std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
        _exit(127);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
}

pty_session::~pty_session() {
    if (pid_ > 0 && !ended()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
    if (master_ >= 0)
        close(master_);
}

bool pty_session::ended() {
    if (pid_ <= 0)
        return true;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) {
        pid_ = -1;
        return true;
    }
    return false;
}

// Blocked (state S) in a system call that waits for input.
bool pty_session::waiting_for_input() const {
    const std::string dir = "/proc/" + std::to_string(pid_);
    const std::string stat = read_proc(dir + "/stat");
    const size_t paren = stat.rfind(')');
    if (paren == std::string::npos || paren + 2 >= stat.size() || stat[paren + 2] != 'S')
        return false;
    const std::string call = read_proc(dir + "/syscall");
    if (call.empty() || call[0] < '0' || call[0] > '9')
        return false; // "running", or not available
    return is_input_wait(std::strtol(call.c_str(), nullptr, 10));
}

void pty_session::drain(frame &f, double &last_us) {
    char buf[65536];
    for (;;) {
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n > 0) {
            f.bytes += static_cast<size_t>(n);
            last_us = now_us();
            continue;
        }
        return; // EAGAIN, or EIO once the program has closed the terminal
    }
}

frame pty_session::wait_frame(double start_us, double limit_ms) {
    frame f{false, 0, 0};
    double last_us = start_us;
    const timespec step{0, 50 * 1000}; // 50 us between looks at the program's state
    for (;;) {
        pollfd p{master_, POLLIN, 0};
        ppoll(&p, 1, &step, nullptr);
        drain(f, last_us);
        if (f.bytes > 0 && waiting_for_input()) {
            drain(f, last_us);
            f.ok = true;
            f.us = last_us - start_us;
            return f;
        }
        if (ended() || now_us() - start_us > limit_ms * 1000) {
            drain(f, last_us);
            return f;
        }
    }
}

frame pty_session::first_frame(double limit_ms) {
    return wait_frame(started_us_, limit_ms);
}

frame pty_session::press(const std::string &key, double limit_ms) {
    frame scrap{false, 0, 0};
    double last = 0;
    drain(scrap, last); // nothing of an earlier update counts
    const double start = now_us();
    if (write(master_, key.data(), key.size()) != static_cast<ssize_t>(key.size()))
        return {false, 0, 0};
    return wait_frame(start, limit_ms);
}

int pty_session::finish(const std::string &key, double limit_ms) {
    if (!key.empty() && pid_ > 0 &&
        write(master_, key.data(), key.size()) != static_cast<ssize_t>(key.size()))
        return -1;
    const double start = now_us();
    frame scrap{false, 0, 0};
    double last = 0;
    while (!ended()) {
        drain(scrap, last);
        if (now_us() - start > limit_ms * 1000) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
            pid_ = -1;
            return -1;
        }
        usleep(200);
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

} // namespace bench
