// The walk over a real process under the system's own query: the test target with tens of
// thousands of allocations, against a bare VirtualQueryEx loop over it in the same run.
#pragma once

#include <cstddef>

#include "bench/bench_report.h"
#include "bench/tree_list_bench.h"

namespace quarry::bench {

void BenchRealTarget(Report& report, BenchWindow& window, std::size_t allocations);

// A search for a text that is not there over the test target with `mib` MiB committed,
// against a bare loop of reads over the same readable runs in the same 1 MiB chunks.
void BenchTargetSearch(Report& report, std::size_t mib);

}  // namespace quarry::bench
