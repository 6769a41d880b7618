// Measurements of mibscope against its peers, one kind per subcommand, each
// printed as `key=value` pairs on one line for bench/run to put in its table.
// Every time is the median of repeated runs.
//
//   peer_bench tree <dir> deep|flat <n>|wide <children> <trailing>
//       builds a parameter tree below <dir> (which must not exist)
//   peer_bench snapshot <root> <reps>
//       the snapshot in this process: time, nodes, memory per node
//   peer_bench spawn <reps> -- <command...>
//       a peer run as a process, its output thrown away
//   peer_bench readvalues <dir> <reps>
//       reading every file of one directory once, in this process
//   peer_bench startup <reps> -- <program...>
//       the program under a pseudo-terminal, up to its first menu
//   peer_bench keys down|page|endhome|navigate <presses> -- <program...>
//       key presses in the program's first menu, each until the redraw ends
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/pty_session.h"
#include "bench/timing.h"
#include "platform/oidtree.h"
#include "platform/procfs/snapshot.h"

extern char **environ;

namespace {

constexpr int term_lines = 40;
constexpr int term_cols = 120;
constexpr const char *term_name = "xterm-256color";
constexpr double frame_limit_ms = 60000;

// xterm's keys with the keypad in application mode, as curses asks for.
const std::string key_down = "\033OB", key_up = "\033OA", key_pgdn = "\033[6~",
                  key_pgup = "\033[5~", key_home = "\033OH", key_end = "\033OF";
const std::string key_navigate = "n", key_quit = "q";

[[noreturn]] void fail(const std::string &what) {
    std::fprintf(stderr, "peer_bench: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(2);
}

[[noreturn]] void usage() {
    std::fprintf(stderr, "usage: see the comment at the top of bench/peer_bench.cpp\n");
    std::exit(2);
}

// ---- trees -----------------------------------------------------------------

void make_dir(const std::string &path) {
    if (mkdir(path.c_str(), 0755) != 0)
        fail("mkdir " + path);
}

void make_file(const std::string &path, mode_t mode, const char *value) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    const auto length = static_cast<ssize_t>(std::strlen(value));
    if (fd < 0 || write(fd, value, static_cast<size_t>(length)) != length)
        fail("create " + path);
    close(fd);
}

std::string numbered(const char *stem, long i, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%0*ld", stem, digits, i);
    return buf;
}

// 10 directories of 99 directories of 100 files: 100,000 nodes, named like
// /proc/sys's own (a third of the middle directories have dots, as network
// interfaces do), a quarter of the files read-only.
void deep_tree(const std::string &root) {
    make_dir(root);
    for (int t = 0; t < 10; ++t) {
        const std::string top = root + "/" + numbered("subsystem", t, 1);
        make_dir(top);
        for (int m = 0; m < 99; ++m) {
            char name[64];
            std::snprintf(name, sizeof name, m % 3 == 0 ? "eth%d.%d" : "device_%d_%d", m, t);
            const std::string mid = top + "/" + name;
            make_dir(mid);
            for (int f = 0; f < 100; ++f)
                make_file(mid + "/" + numbered("parameter_number_", f, 1), f % 4 == 0 ? 0444 : 0644,
                          "1\n");
        }
    }
}

// `n` top-level parameters: the first menu shows n rows.
void flat_tree(const std::string &root, long n) {
    make_dir(root);
    for (long i = 0; i < n; ++i)
        make_file(root + "/" + numbered("param_", i, 6), 0644, "42\n");
}

// The directory w with `children` parameters, then `trailing` top-level
// parameters that move down and up again when w expands and collapses.
void wide_tree(const std::string &root, long children, long trailing) {
    make_dir(root);
    make_dir(root + "/w");
    for (long i = 0; i < children; ++i)
        make_file(root + "/w/" + numbered("child_", i, 6), 0644, "1234567\n");
    for (long i = 0; i < trailing; ++i)
        make_file(root + "/" + numbered("x_", i, 6), 0644, "1\n");
}

int cmd_tree(int argc, char **argv) {
    if (argc < 2)
        usage();
    const std::string root = argv[0], shape = argv[1];
    if (shape == "deep" && argc == 2)
        deep_tree(root);
    else if (shape == "flat" && argc == 3)
        flat_tree(root, std::atol(argv[2]));
    else if (shape == "wide" && argc == 4)
        wide_tree(root, std::atol(argv[2]), std::atol(argv[3]));
    else
        usage();
    return 0;
}

// ---- snapshot in this process ---------------------------------------------

long status_kib(const char *field) {
    FILE *f = std::fopen("/proc/self/status", "r");
    if (f == nullptr)
        return -1;
    char line[256];
    long value = -1;
    const size_t len = std::strlen(field);
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::strncmp(line, field, len) == 0 && line[len] == ':')
            value = std::atol(line + len + 1);
    std::fclose(f);
    return value;
}

void count(const oidtree_list *list, long &nodes, long &name_bytes) {
    if (list == nullptr)
        return;
    for (const oidtree_object *n = list->first; n != nullptr; n = n->next) {
        ++nodes;
        name_bytes += static_cast<long>(std::strlen(n->name));
        count(n->children, nodes, name_bytes);
    }
}

int cmd_snapshot(int argc, char **argv) {
    if (argc != 2)
        usage();
    const char *root = argv[0];
    const int reps = std::atoi(argv[1]);

    // Memory first, in a fresh heap: how far the peak resident set rises
    // while one snapshot is taken and held.
    const long rss_before = status_kib("VmRSS");
    oidtree_list *held = mibscope::procfs::take_snapshot(root);
    if (held == nullptr)
        fail(std::string("snapshot of ") + root);
    const long peak = status_kib("VmHWM");
    long nodes = 0, names = 0;
    count(held, nodes, names);
    const double reserved = static_cast<double>(mibscope::procfs::snapshot_bytes(held));
    oidtree_freemib(held);

    std::vector<double> ms;
    for (int i = 0; i < reps; ++i) {
        const double start = bench::now_us();
        oidtree_list *list = mibscope::procfs::take_snapshot(root);
        if (list == nullptr)
            fail(std::string("snapshot of ") + root);
        long n = 0, b = 0;
        count(list, n, b);
        oidtree_freemib(list);
        ms.push_back((bench::now_us() - start) / 1000);
    }
    const double per_node = nodes > 0 ? 1.0 / static_cast<double>(nodes) : 0;
    std::printf("snapshot_ms=%.3f nodes=%ld avg_name=%.1f peak_rss_per_node=%.1f "
                "reserved_per_node=%.1f\n",
                bench::median(ms), nodes, static_cast<double>(names) * per_node,
                (static_cast<double>(peak - rss_before) * 1024 - static_cast<double>(names)) *
                    per_node,
                (reserved - static_cast<double>(names)) * per_node);
    return 0;
}

// ---- peers as processes ----------------------------------------------------

int cmd_spawn(int argc, char **argv) {
    if (argc < 3 || std::strcmp(argv[1], "--") != 0)
        usage();
    const int reps = std::atoi(argv[0]);
    char **command = argv + 2;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<double> ms;
    for (int i = 0; i < reps; ++i) {
        const double start = bench::now_us();
        pid_t pid;
        if (posix_spawnp(&pid, command[0], &actions, nullptr, command, environ) != 0)
            fail(std::string("run ") + command[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        ms.push_back((bench::now_us() - start) / 1000);
    }
    posix_spawn_file_actions_destroy(&actions);
    std::printf("run_ms=%.3f\n", bench::median(ms));
    return 0;
}

// The least work an expansion with values does: open, read and close every
// file of the directory once.
int cmd_readvalues(int argc, char **argv) {
    if (argc != 2)
        usage();
    const std::string dir = argv[0];
    const int reps = std::atoi(argv[1]);
    std::vector<double> ms;
    long files = 0;
    for (int i = 0; i < reps; ++i) {
        const double start = bench::now_us();
        DIR *d = opendir(dir.c_str());
        if (d == nullptr)
            fail("opendir " + dir);
        files = 0;
        char buf[4096];
        while (const dirent *e = readdir(d)) {
            if (e->d_type != DT_REG)
                continue;
            const int fd = openat(dirfd(d), e->d_name, O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            if (read(fd, buf, sizeof buf) >= 0)
                ++files;
            close(fd);
        }
        closedir(d);
        ms.push_back((bench::now_us() - start) / 1000);
    }
    std::printf("read_ms=%.3f files=%ld\n", bench::median(ms), files);
    return 0;
}

// ---- the program under a pseudo-terminal ----------------------------------

std::vector<std::string> program_of(int argc, char **argv) {
    if (argc < 2 || std::strcmp(argv[0], "--") != 0)
        usage();
    return {argv + 1, argv + argc};
}

int cmd_startup(int argc, char **argv) {
    if (argc < 1)
        usage();
    const int reps = std::atoi(argv[0]);
    const std::vector<std::string> program = program_of(argc - 1, argv + 1);
    std::vector<double> ms;
    size_t bytes = 0;
    for (int i = 0; i < reps; ++i) {
        bench::pty_session s(program, term_lines, term_cols, term_name);
        const bench::frame f = s.first_frame(frame_limit_ms);
        if (!f.ok) {
            std::fprintf(stderr, "peer_bench: %s showed no menu\n", program[0].c_str());
            return 1;
        }
        if (s.finish(key_quit, 5000) != 0) {
            std::fprintf(stderr, "peer_bench: %s did not quit cleanly\n", program[0].c_str());
            return 1;
        }
        ms.push_back(f.us / 1000);
        bytes = f.bytes;
    }
    std::printf("startup_ms=%.3f bytes=%zu\n", bench::median(ms), bytes);
    return 0;
}

// Key presses timed one by one. The same sequence for every tree size, so
// that sizes compare: `down` walks 40 rows down and back up (scrolling the
// list both ways), `page` pages 3 screens down and back, `endhome` jumps
// between the ends, `navigate` expands and collapses the first row.
int cmd_keys(int argc, char **argv) {
    if (argc < 2)
        usage();
    const std::string scenario = argv[0];
    const int presses = std::atoi(argv[1]);
    const std::vector<std::string> program = program_of(argc - 2, argv + 2);

    std::vector<std::string> cycle;
    if (scenario == "down") {
        cycle.assign(40, key_down);
        cycle.insert(cycle.end(), 40, key_up);
    } else if (scenario == "page") {
        cycle.assign(3, key_pgdn);
        cycle.insert(cycle.end(), 3, key_pgup);
    } else if (scenario == "endhome") {
        cycle = {key_end, key_home};
    } else if (scenario == "navigate") {
        cycle = {key_navigate, key_navigate};
    } else {
        usage();
    }

    bench::pty_session s(program, term_lines, term_cols, term_name);
    if (!s.first_frame(frame_limit_ms).ok) {
        std::fprintf(stderr, "peer_bench: %s showed no menu\n", program[0].c_str());
        return 1;
    }
    // Odd and even places of the cycle separately: for navigate they are the
    // expansions and the collapses.
    std::vector<double> us[2];
    size_t bytes[2] = {0, 0};
    for (int i = 0; i < presses; ++i) {
        const size_t at = static_cast<size_t>(i) % cycle.size();
        const bench::frame f = s.press(cycle[at], frame_limit_ms);
        if (!f.ok) {
            std::fprintf(stderr, "peer_bench: no redraw after key %d\n", i);
            return 1;
        }
        us[at % 2].push_back(f.us);
        bytes[at % 2] = std::max(bytes[at % 2], f.bytes);
    }
    if (s.finish(key_quit, 5000) != 0) {
        std::fprintf(stderr, "peer_bench: %s did not quit cleanly\n", program[0].c_str());
        return 1;
    }
    std::vector<double> all = us[0];
    all.insert(all.end(), us[1].begin(), us[1].end());
    std::printf("key_us=%.1f even_us=%.1f odd_us=%.1f max_bytes=%zu\n", bench::median(all),
                bench::median(us[0]), bench::median(us[1]), std::max(bytes[0], bytes[1]));
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2)
        usage();
    const std::string command = argv[1];
    argc -= 2;
    argv += 2;
    if (command == "tree")
        return cmd_tree(argc, argv);
    if (command == "snapshot")
        return cmd_snapshot(argc, argv);
    if (command == "spawn")
        return cmd_spawn(argc, argv);
    if (command == "readvalues")
        return cmd_readvalues(argc, argv);
    if (command == "startup")
        return cmd_startup(argc, argv);
    if (command == "keys")
        return cmd_keys(argc, argv);
    usage();
}
