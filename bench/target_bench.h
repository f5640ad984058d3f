// The walk over a real process under the system's own query: the test target with tens of
// thousands of allocations, against a bare VirtualQueryEx loop over it in the same run.
#pragma once

#include <cstddef>

#include "bench/bench_report.h"
#include "bench/tree_list_bench.h"

namespace quarry::bench {

void BenchRealTarget(Report& report, BenchWindow& window, std::size_t allocations);

}  // namespace quarry::bench
