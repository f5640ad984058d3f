// The figures that need no window: the hex dump of one page, the walk over the big scripted
// target into a RowWriter that does nothing, and the memory search's matcher.
#pragma once

#include "bench/bench_report.h"
#include "bench/scripted_layout.h"

namespace quarry::bench {

void BenchHexDump(Report& report);

// The walk alone; its time is the baseline of the walk into the tree-list.
Seconds BenchWalkAlone(Report& report, ScriptedLayout& layout);

// Find's walk over the rows of the big target kept in a cell store of their own, without
// the tree-view: what the search costs on top of what the tree-view answers.
void BenchStoreSearch(Report& report, ScriptedLayout& layout);

// QuarryMap: the CSV export of the big map, against the walk alone, and --diff of two exports.
void BenchQuarryMap(Report& report, ScriptedLayout& layout, Seconds walkAlone);

// The memory search over a 256 MiB buffer of random bytes in 1 MiB chunks, as the reads feed
// it, beside a plain library search of the same bytes over the same buffer.
void BenchMemorySearch(Report& report);

}  // namespace quarry::bench
