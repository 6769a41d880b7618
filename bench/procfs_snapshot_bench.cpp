// Times a snapshot of a parameter tree (oidtree_mib plus a walk counting its
// nodes, then oidtree_freemib) against `find <root> -perm -u=r` run as a
// process on the same tree: one directory read per directory and one stat per
// entry, which is the least any snapshot must do. Two trees: the real
// /proc/sys and a synthetic tree of 100,000 nodes built on tmpfs for the run
// and removed afterwards. Prints the time ratios and the memory per node.
#include "platform/oidtree.h"
#include "platform/procfs/snapshot.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char **environ;

namespace {

constexpr int top_dirs = 10;
constexpr int mid_dirs = 99;
constexpr int leaf_files = 100;
constexpr long synthetic_nodes = top_dirs + top_dirs * mid_dirs + top_dirs * mid_dirs * leaf_files;
static_assert(synthetic_nodes == 100000);

std::string synthetic_root;

void fail(const char *what) {
    std::fprintf(stderr, "procfs_snapshot_bench: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

// 10 directories of 99 directories of 100 files, named like /proc/sys's own
// (some directory names with dots, as network interfaces have), each file
// holding a short value.
void build_synthetic_tree(const std::string &root) {
    if (mkdir(root.c_str(), 0755) != 0)
        fail("mkdir");
    const int root_fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    if (root_fd < 0)
        fail("open root");
    char name[64];
    for (int t = 0; t < top_dirs; ++t) {
        std::snprintf(name, sizeof name, "subsystem%d", t);
        if (mkdirat(root_fd, name, 0555) != 0)
            fail("mkdirat");
        const int top_fd = openat(root_fd, name, O_RDONLY | O_DIRECTORY);
        if (top_fd < 0)
            fail("openat");
        for (int m = 0; m < mid_dirs; ++m) {
            std::snprintf(name, sizeof name, m % 3 == 0 ? "eth%d.%d" : "device_%d_%d", m, t);
            if (mkdirat(top_fd, name, 0555) != 0)
                fail("mkdirat");
            const int mid_fd = openat(top_fd, name, O_RDONLY | O_DIRECTORY);
            if (mid_fd < 0)
                fail("openat");
            for (int f = 0; f < leaf_files; ++f) {
                std::snprintf(name, sizeof name, "parameter_number_%d", f);
                const int fd =
                    openat(mid_fd, name, O_WRONLY | O_CREAT | O_EXCL, f % 4 == 0 ? 0444 : 0644);
                if (fd < 0 || write(fd, "1\n", 2) != 2)
                    fail("create file");
                close(fd);
            }
            close(mid_fd);
        }
        close(top_fd);
    }
    close(root_fd);
}

void remove_synthetic_tree() {
    if (synthetic_root.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(synthetic_root, ec);
    synthetic_root.clear();
}

long count_nodes(const oidtree_list *list) {
    long count = 0;
    if (list == nullptr)
        return 0;
    for (const oidtree_object *n = list->first; n != nullptr; n = n->next)
        count += 1 + count_nodes(n->children);
    return count;
}

// root null: the program's own entry point (root /proc/sys).
oidtree_list *snapshot_of(const char *root) {
    return root == nullptr ? oidtree_mib() : mibscope::procfs::take_snapshot(root);
}

void snapshot_tree(benchmark::State &state, const char *root) {
    long nodes = 0;
    for (auto _ : state) {
        oidtree_list *list = snapshot_of(root);
        if (list == nullptr) {
            state.SkipWithError("the tree cannot be read");
            return;
        }
        nodes = count_nodes(list);
        benchmark::DoNotOptimize(nodes);
        oidtree_freemib(list);
    }
    state.counters["nodes"] = static_cast<double>(nodes);
}

void find_tree(benchmark::State &state, const char *root) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char find[] = "find", perm[] = "-perm", mode[] = "-u=r";
    std::string where = root;
    char *argv[] = {find, where.data(), perm, mode, nullptr};
    for (auto _ : state) {
        pid_t pid;
        if (posix_spawnp(&pid, "find", &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot run find");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

void snapshot_procsys(benchmark::State &state) {
    snapshot_tree(state, nullptr);
}
void find_procsys(benchmark::State &state) {
    find_tree(state, "/proc/sys");
}
void snapshot_synthetic(benchmark::State &state) {
    snapshot_tree(state, synthetic_root.c_str());
}
void find_synthetic(benchmark::State &state) {
    find_tree(state, synthetic_root.c_str());
}

// Keeps each benchmark's median wall time per iteration, in milliseconds.
class recording_reporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" &&
                !run.error_occurred)
                wall_ms[run.run_name.function_name] =
                    run.GetAdjustedRealTime() *
                    benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                    benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    std::map<std::string, double> wall_ms;
};

long resident_bytes() {
    long pages_total = 0, pages_resident = 0;
    FILE *f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr)
        return -1;
    const int got = std::fscanf(f, "%ld %ld", &pages_total, &pages_resident);
    std::fclose(f);
    return got == 2 ? pages_resident * sysconf(_SC_PAGESIZE) : -1;
}

long name_bytes(const oidtree_list *list) {
    long bytes = 0;
    if (list == nullptr)
        return 0;
    for (const oidtree_object *n = list->first; n != nullptr; n = n->next)
        bytes += static_cast<long>(std::strlen(n->name)) + name_bytes(n->children);
    return bytes;
}

// Memory a held snapshot costs per node beyond the length of its name: what
// the layer reserved, and how much the process's resident set grew.
void report_memory(const char *label, const char *root) {
    const long rss_before = resident_bytes();
    oidtree_list *list = snapshot_of(root);
    const long rss_after = resident_bytes();
    if (list == nullptr)
        return;
    const double nodes = static_cast<double>(count_nodes(list));
    const double names = static_cast<double>(name_bytes(list));
    const double reserved = static_cast<double>(mibscope::procfs::snapshot_bytes(list));
    std::printf("memory %-10s %8.0f nodes, average name %5.1f bytes; per node beyond its name: "
                "%6.1f bytes reserved, %6.1f bytes resident\n",
                label, nodes, names / nodes, (reserved - names) / nodes,
                (static_cast<double>(rss_after - rss_before) - names) / nodes);
    oidtree_freemib(list);
}

void print_ratio(const recording_reporter &r, const char *label, const std::string &snapshot,
                 const std::string &find) {
    const auto s = r.wall_ms.find(snapshot), f = r.wall_ms.find(find);
    if (s == r.wall_ms.end() || f == r.wall_ms.end())
        return;
    std::printf("ratio  %-10s snapshot %8.3f ms / find %8.3f ms = %.2f (target at most 1.50)\n",
                label, s->second, f->second, s->second / f->second);
}

} // namespace

int main(int argc, char **argv) {
    const char *shm = "/dev/shm";
    struct stat st;
    const char *tmp = stat(shm, &st) == 0 && S_ISDIR(st.st_mode) ? shm : "/tmp";
    synthetic_root = std::string(tmp) + "/procfs-bench-" + std::to_string(getpid());
    build_synthetic_tree(synthetic_root);
    std::atexit(remove_synthetic_tree);

    // Other work on the machine makes single runs noisy: each benchmark is
    // repeated and its median compared.
    const std::pair<const char *, void (*)(benchmark::State &)> runs[] = {
        {"snapshot/procsys", snapshot_procsys},
        {"find/procsys", find_procsys},
        {"snapshot/synthetic100k", snapshot_synthetic},
        {"find/synthetic100k", find_synthetic},
    };
    for (const auto &[name, function] : runs)
        benchmark::RegisterBenchmark(name, function)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);

    benchmark::Initialize(&argc, argv);
    recording_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n");
    print_ratio(reporter, "/proc/sys", "snapshot/procsys", "find/procsys");
    print_ratio(reporter, "synthetic", "snapshot/synthetic100k", "find/synthetic100k");
    report_memory("/proc/sys", nullptr);
    report_memory("synthetic", synthetic_root.c_str());
    remove_synthetic_tree();
    return 0;
}
