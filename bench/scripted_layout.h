// A big target played by the scripted system: the address space of a process with tens of
// thousands of allocations, as browsers, JVMs and databases have, in a realistic mix of
// images with sections, thread stacks and environment blocks, heaps, mapped files, reserved
// ranges and private memory, with free gaps between.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/memmap_scripted_system.h"

namespace quarry::bench {

struct ScriptedLayout {
    test::ScriptedTargetSystem system;
    std::size_t allocations = 0;
    std::size_t regions = 0;
    // The base of the last region: its row is the last row of the tree, and its address
    // text is in no other row.
    std::uint64_t lastRegion = 0;
};

// Exactly `allocations` allocations holding `regions` regions in all, the same on every run
// and every platform.
ScriptedLayout MakeScriptedLayout(std::size_t allocations, std::size_t regions);

}  // namespace quarry::bench
