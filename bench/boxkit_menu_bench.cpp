// Cost of a key press in boxkit_menu against the number of rows. The menu
// runs in this process on a pseudo-terminal: a writer thread types the keys,
// a reader thread swallows the screen output, and every key is drawn in full
// (typeahead is off, so ncurses skips no redraw).
//
// Each iteration opens the main menu with N rows, feeds 1000 key presses of
// one kind and closes it with 'q' (Quit). "per_key" is the wall time of the
// whole call divided by the key count; BM_MenuOpenClose gives the part that
// opening and closing add, which grows with N (one pass over the rows).
//
// Run: build-bench/bench/boxkit_menu_bench
#include <atomic>
#include <benchmark/benchmark.h>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/boxkit.h"
#include "tests/boxkit/main_menu.h"

#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>

namespace {

int master_fd = -1;
std::atomic<bool> stopping{false};
std::string key_down, key_npage, key_end, key_home;

std::string capability(const char *name) {
    const char *value = tigetstr(const_cast<char *>(name));
    if (!value || value == reinterpret_cast<char *>(-1)) {
        std::fprintf(stderr, "terminal lacks %s\n", name);
        std::exit(1);
    }
    return value;
}

void write_all(const std::string &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master_fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

struct menu_rows {
    std::vector<std::string> names, bottoms;
    std::vector<boxkit_menuitem> items;
    explicit menu_rows(int n) {
        names.reserve(n);
        bottoms.reserve(n);
        for (int i = 0; i < n; ++i) {
            names.push_back(".node" + std::to_string(i));
            bottoms.push_back("kern.subtree.node" + std::to_string(i));
        }
        for (int i = 0; i < n; ++i)
            items.push_back({i % 3 == 0 ? "+" : "", false, static_cast<uint32_t>(i % 4),
                             names[i].c_str(), "", bottoms[i].c_str()});
    }
};

constexpr int keys_per_call = 1000;

// 1000 presses of one kind; a Home now and then keeps the focus moving
// (and the screen changing) whatever the row count.
std::string key_script(const std::string &kind) {
    std::string keys;
    for (int i = 0; i < keys_per_call; ++i) {
        if (kind == "end")
            keys += i % 2 == 0 ? key_end : key_home;
        else if (kind == "npage")
            keys += i % 6 == 5 ? key_home : key_npage;
        else
            keys += i % 50 == 49 ? key_home : key_down;
    }
    return keys;
}

void run_menu(benchmark::State &state, const std::string &keys, int key_count) {
    const int rows = static_cast<int>(state.range(0));
    menu_rows menu(rows);
    const boxkit_conf conf = main_menu_conf();
    for (auto _ : state) {
        std::thread typist([&] { write_all(keys + "q"); });
        int focus = 0;
        const int rc = boxkit_menu(&conf, main_menu_text, 0, 0, main_menu_list_height, rows,
                                   menu.items.data(), &focus);
        typist.join();
        if (rc != BOXKIT_RIGHT1) {
            state.SkipWithError("the menu did not close with Quit");
            break;
        }
        benchmark::DoNotOptimize(focus);
    }
    if (key_count > 0)
        state.counters["per_key"] = benchmark::Counter(
            key_count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_MenuDown(benchmark::State &state) {
    run_menu(state, key_script("down"), keys_per_call);
}
void BM_MenuPageDown(benchmark::State &state) {
    run_menu(state, key_script("npage"), keys_per_call);
}
void BM_MenuEndHome(benchmark::State &state) {
    run_menu(state, key_script("end"), keys_per_call);
}
void BM_MenuOpenClose(benchmark::State &state) {
    run_menu(state, "", 0);
}

BENCHMARK(BM_MenuDown)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_MenuPageDown)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_MenuEndHome)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_MenuOpenClose)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    // The report goes to the real standard output; the menu gets a terminal.
    const int report_fd = dup(STDOUT_FILENO);
    std::ofstream report("/proc/self/fd/" + std::to_string(report_fd), std::ios::app);
    int slave_fd = -1;
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 80;
    if (openpty(&master_fd, &slave_fd, nullptr, nullptr, &size) != 0) {
        std::perror("openpty");
        return 1;
    }
    dup2(slave_fd, STDIN_FILENO);
    dup2(slave_fd, STDOUT_FILENO);
    setenv("TERM", "xterm", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    std::thread drain([] {
        char buf[65536];
        while (!stopping && read(master_fd, buf, sizeof buf) > 0) {
        }
    });
    if (boxkit_init() != BOXKIT_OK) {
        report << "boxkit_init: " << boxkit_geterror() << "\n";
        return 1;
    }
    typeahead(-1);
    key_down = capability("kcud1");
    key_npage = capability("knp");
    key_end = capability("kend");
    key_home = capability("khome");

    // Colours only when the report goes to a terminal.
    benchmark::ConsoleReporter reporter(isatty(report_fd)
                                            ? benchmark::ConsoleReporter::OO_ColorTabular
                                            : benchmark::ConsoleReporter::OO_Tabular);
    reporter.SetOutputStream(&report);
    reporter.SetErrorStream(&report);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    boxkit_end();
    stopping = true;
    close(slave_fd);
    close(STDIN_FILENO);
    close(STDOUT_FILENO);
    drain.join();
    close(master_fd);
    return 0;
}
