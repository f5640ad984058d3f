// quarry_bench: Quarry's figures on big targets, each beside a baseline measured in the same
// run on the same machine, printed as a Markdown table. scripts/bench builds and runs it;
// the Windows build needs a display for the tree-list. `quarry_bench search` runs only the
// memory search's figures and `quarry_bench quarrymap` only QuarryMap's, which take seconds
// rather than minutes.
#include <cstdio>
#include <cstring>

#include "bench/bench_report.h"
#include "bench/core_bench.h"
#include "bench/scripted_layout.h"

#ifdef _WIN32
#include "bench/target_bench.h"
#include "bench/tree_list_bench.h"
#endif

namespace {

constexpr std::size_t kScriptedAllocations = 25000;
constexpr std::size_t kScriptedRegions = 100000;
#ifdef _WIN32
constexpr std::size_t kTargetAllocations = 20000;
#endif

}  // namespace

int main(int argc, char** argv) {
    using namespace quarry::bench;
    Report report;
    if (argc > 1 && std::strcmp(argv[1], "search") == 0) {
        BenchMemorySearch(report);
#ifdef _WIN32
        BenchTargetSearch(report, 256);
#endif
        report.Print(stdout);
        return 0;
    }
    ScriptedLayout layout = MakeScriptedLayout(kScriptedAllocations, kScriptedRegions);
    if (argc > 1 && std::strcmp(argv[1], "quarrymap") == 0) {
        BenchQuarryMap(report, layout, BenchWalkAlone(report, layout));
        report.Print(stdout);
        return 0;
    }
    // `quarry_bench treelist`: the tree-list's figures only.
    const bool treeListOnly = argc > 1 && std::strcmp(argv[1], "treelist") == 0;
    if (!treeListOnly) BenchHexDump(report);
    const Seconds walkAlone = BenchWalkAlone(report, layout);
    BenchStoreSearch(report, layout);
    if (!treeListOnly) {
        BenchQuarryMap(report, layout, walkAlone);
        BenchMemorySearch(report);
    }
#ifdef _WIN32
    BenchWindow window;
    if (!window.Ready()) {
        std::fprintf(stderr, "quarry_bench: cannot create the tree-list window (no display?)\n");
        return 1;
    }
    BenchTreeList(report, window, layout, walkAlone);
    BenchRealTarget(report, window, kTargetAllocations);
    if (!treeListOnly) BenchTargetSearch(report, 256);
#else
    (void)walkAlone;
#endif
    report.Print(stdout);
    return 0;
}
