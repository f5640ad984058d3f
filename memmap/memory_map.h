// The address-space walk: turns the target's regions into the tree-list's two levels, one
// allocation row per allocation base with one region row per region under it.
#pragma once

#include "memmap/map_columns.h"
#include "memmap/target_system.h"
#include "memmap/row_writer.h"

namespace quarry {

// Walks the target's address space from address 0 into `rows`, which the caller has emptied.
// Reports nothing: what cannot be learnt is left blank, and a query that fails, or answers
// with a region that is empty, wraps around or does not move the walk on, ends the walk with
// the rows written so far.
void BuildMemoryMap(TargetSystem& system, RowWriter& rows);

}  // namespace quarry
