// What names the target's private memory: its threads' environment blocks and stacks, its
// heaps with their front-end kind, and (through TargetSystem::QueryPebAddress) its process
// environment block.
#pragma once

#include <cstdint>
#include <string_view>

#include "memmap/address_table.h"
#include "memmap/target_system.h"

namespace quarry {

// Each heap of the target's heap list under its ordinal, counted from 1.
void CollectHeaps(TargetSystem& system, HeapTable& heaps);

// The environment block and stack limit of each thread of process `processId`; a thread that
// cannot be queried is left out, one whose environment block cannot be read has no stack entry.
void CollectThreads(TargetSystem& system, std::uint32_t processId, TebTable& tebs, StackTable& stacks);

// "COMPATABILITY", "LOOKASIDE" or "LOW FRAGMENTATION" for the heap at `heapBase`.
std::u16string_view HeapFrontEndText(TargetSystem& system, std::uint64_t heapBase);

}  // namespace quarry
