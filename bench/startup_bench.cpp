// Start-up on this machine's /proc/sys: the snapshot alone, and the program's
// entry point up to its first menu (closed at once by the quiet dialogs).
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/options.h"
#include "app/startup.h"
#include "platform/oidtree.h"
#include "tests/support/command_line.h"

namespace {

void BM_SnapshotAlone(benchmark::State &state) {
    for (auto _ : state) {
        oidtree_list *tree = oidtree_mib();
        if (tree == nullptr) {
            state.SkipWithError("no /proc/sys");
            break;
        }
        benchmark::DoNotOptimize(tree);
        oidtree_freemib(tree);
    }
}
BENCHMARK(BM_SnapshotAlone)->Unit(benchmark::kMillisecond);

void BM_StartupToFirstMenu(benchmark::State &state) {
    test_support::command_line command(state.range(0) != 0
                                           ? std::vector<std::string>{"mibscope", "-V"}
                                           : std::vector<std::string>{"mibscope"});
    for (auto _ : state) {
        if (mibscope::mibscope_main(command.argc(), command.argv()) != 0) {
            state.SkipWithError("start-up failed");
            break;
        }
    }
    mibscope::opts = mibscope::default_options();
}
BENCHMARK(BM_StartupToFirstMenu)->ArgName("values")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
