#include "tests/support/tmux_session.h"

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace tmux_test {

namespace {

constexpr auto poll_interval = std::chrono::milliseconds(20);
const char session_name[] = "main";

// Runs argv and returns its standard output; `*status` gets its exit status
// (-1 when it could not be run). Standard error is discarded.
std::string run(const std::vector<std::string> &argv, int *status) {
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    int out[2];
    if (status)
        *status = -1;
    if (pipe2(out, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    if (rc == 0) {
        char buf[4096];
        ssize_t n;
        while ((n = read(out[0], buf, sizeof buf)) > 0)
            text.append(buf, static_cast<size_t>(n));
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        if (status && WIFEXITED(wstatus))
            *status = WEXITSTATUS(wstatus);
    }
    close(out[0]);
    return text;
}

std::string trim_trailing_blank_lines(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

bool tmux_available() {
    int status = -1;
    run({"tmux", "-V"}, &status);
    return status == 0;
}

tmux_session::tmux_session(const std::vector<std::string> &command, session_options options) {
    static std::atomic<int> counter{0};
    socket_ = "mibscope-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    char dir[] = "/tmp/tmux-session-XXXXXX";
    if (!mkdtemp(dir))
        return;
    dir_ = dir;
    // A shell runs the command and writes its exit status to a file (128 +
    // the signal number when a signal ended it); its trap keeps it alive when
    // Ctrl-C or a signal ends the command, and is reset for the command itself.
    // The server keeps the dead pane on screen, so that what the command
    // printed last can still be read.
    std::vector<std::string> args = {
        "tmux", "-L", socket_, "-f", "/dev/null", "start-server", ";", "set-option", "-g",
        "remain-on-exit", "on", ";", "set-option", "-g", "history-limit", "5000", ";",
        "new-session", "-d", "-s", session_name, "-x", std::to_string(options.width), "-y",
        std::to_string(options.height), "--", "sh", "-c",
        "trap : INT TERM HUP; \"$@\"; echo $? > \"$0.tmp\"; mv \"$0.tmp\" \"$0\"", dir_ + "/status",
        // env(1) so that the command's variables win over those tmux sets (TERM).
        "env"};
    for (const std::string &var : options.env)
        args.push_back(var);
    args.insert(args.end(), command.begin(), command.end());
    int status = -1;
    run(args, &status);
    started_ = status == 0;
}

tmux_session::~tmux_session() {
    tmux({"kill-server"});
    // The status file and its directory go with the session, so that a test
    // run leaves nothing behind in /tmp.
    if (!dir_.empty()) {
        std::filesystem::remove_all(dir_);
    }
}

std::string tmux_session::tmux(const std::vector<std::string> &args, int *status) {
    std::vector<std::string> argv = {"tmux", "-L", socket_};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, status);
}

void tmux_session::send_keys(const std::vector<std::string> &keys) {
    std::vector<std::string> args = {"send-keys", "-t", session_name};
    args.insert(args.end(), keys.begin(), keys.end());
    tmux(args);
}

void tmux_session::type(const std::string &text) {
    tmux({"send-keys", "-t", session_name, "-l", "--", text});
}

std::string tmux_session::screen(bool attributes) {
    std::vector<std::string> args = {"capture-pane", "-p", "-t", session_name};
    if (attributes)
        args.push_back("-e");
    return tmux(args);
}

bool tmux_session::wait_until(const std::function<bool(const std::string &)> &ready,
                              std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (ready(screen()))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(poll_interval);
    }
}

bool tmux_session::wait_for_text(const std::string &text, std::chrono::milliseconds timeout) {
    return wait_until([&](const std::string &s) { return s.find(text) != std::string::npos; },
                      timeout);
}

bool tmux_session::wait_for_exit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // Once the pane is dead too, tmux has read everything the command wrote.
        if (exit_status() >= 0 &&
            tmux({"display-message", "-p", "-t", session_name, "#{pane_dead}"}) == "1\n")
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(poll_interval);
    }
}

int tmux_session::exit_status() {
    if (dir_.empty())
        return -1;
    std::ifstream in(dir_ + "/status");
    int status = -1;
    if (!(in >> status))
        return -1;
    return status;
}

std::string tmux_session::output() {
    const std::string all =
        tmux({"capture-pane", "-p", "-J", "-t", session_name, "-S", "-", "-E", "-"});
    std::istringstream in(all);
    std::string line;
    std::string out;
    while (std::getline(in, line)) {
        if (line.rfind("Pane is dead", 0) == 0)
            continue;
        out += line;
        out += '\n';
    }
    return trim_trailing_blank_lines(out) + "\n";
}

void tmux_session::resize(int width, int height) {
    tmux({"resize-window", "-t", session_name, "-x", std::to_string(width), "-y",
          std::to_string(height)});
}

int tmux_session::pid() {
    // The pane runs the shell that waits for the command: the command is its child.
    const std::string shell = trim_trailing_blank_lines(
        tmux({"display-message", "-p", "-t", session_name, "#{pane_pid}"}));
    for (int tries = 0; tries < 250; ++tries) {
        std::ifstream children("/proc/" + shell + "/task/" + shell + "/children");
        int child = 0;
        if (children >> child)
            return child;
        std::this_thread::sleep_for(poll_interval);
    }
    return -1;
}

} // namespace tmux_test
