// Expanding and collapsing a wide node, and start-up to the first menu, on a
// synthetic tree in the in-memory kernel.
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/main_window.h"
#include "app/navigation.h"
#include "app/options.h"
#include "app/startup.h"
#include "platform/oidtree.h"
#include "tests/support/command_line.h"
#include "tests/support/fake_kernel.h"

namespace {

// Top-level node w with `children` integer leaves, followed by `trailing`
// top-level leaves that move whenever w expands or collapses.
std::string wide_tree(int64_t children, int64_t trailing) {
    std::string mib = "w | node | RD\n";
    for (int64_t i = 0; i < children; ++i)
        mib += "w.c" + std::to_string(i) + " | int | RD | I | " + std::to_string(i) + "\n";
    for (int64_t i = 0; i < trailing; ++i)
        mib += "t" + std::to_string(i) + " | int | RD | I | 1\n";
    return mib;
}

struct window_on_tree {
    mibscope::main_window w{};
    window_on_tree() {
        w.tree = oidtree_mib();
        w.node_count = mibscope::count_nodes(w.tree);
        w.rows = static_cast<boxkit_menuitem *>(std::calloc(w.node_count, sizeof *w.rows));
        w.row_nodes =
            static_cast<oidtree_object **>(std::calloc(w.node_count, sizeof *w.row_nodes));
        mibscope::fill_first_rows(w);
    }
    ~window_on_tree() {
        mibscope::release_previews(w.rows, 0, w.row_count);
        std::free(w.rows);
        std::free(w.row_nodes);
        oidtree_freemib(w.tree);
    }
};

// One iteration: expand w (focus 0), then collapse it.
void BM_ExpandCollapse(benchmark::State &state) {
    const int64_t children = state.range(0);
    const int64_t trailing = state.range(1);
    fake_kernel::load(wide_tree(children, trailing));
    mibscope::opts = mibscope::default_options();
    mibscope::opts.show_values = state.range(2) != 0;
    window_on_tree t;
    for (auto _ : state) {
        t.w.focus = 0;
        mibscope::toggle_subtree(t.w); // expand
        mibscope::toggle_subtree(t.w); // collapse
    }
    if (t.w.row_count != trailing + 1)
        state.SkipWithError("rows not restored");
    state.counters["rows_per_s"] = benchmark::Counter(
        static_cast<double>(children), benchmark::Counter::kIsIterationInvariantRate);
    mibscope::opts = mibscope::default_options();
}
BENCHMARK(BM_ExpandCollapse)
    ->ArgNames({"children", "trailing", "values"})
    ->Args({10000, 0, 0})
    ->Args({10000, 0, 1})
    ->Args({10000, 10000, 0})
    ->Args({10000, 100000, 0})
    ->Args({1000, 0, 0})
    ->Args({100000, 0, 0})
    ->Args({1000, 0, 1})
    ->Args({100000, 0, 1})
    ->Unit(benchmark::kMicrosecond);

// The program's entry point on the synthetic tree: snapshot, row arrays,
// first rows, one menu (closed with ESC by the quiet dialogs) and shutdown.
void BM_StartupToFirstMenu(benchmark::State &state) {
    fake_kernel::load(wide_tree(10000, state.range(0)));
    test_support::command_line command(state.range(1) != 0
                                           ? std::vector<std::string>{"mibscope", "-V"}
                                           : std::vector<std::string>{"mibscope"});
    for (auto _ : state) {
        if (mibscope::mibscope_main(command.argc(), command.argv()) != 0)
            state.SkipWithError("start-up failed");
    }
    mibscope::opts = mibscope::default_options();
}
BENCHMARK(BM_StartupToFirstMenu)
    ->ArgNames({"top_level", "values"})
    ->Args({100, 0})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
