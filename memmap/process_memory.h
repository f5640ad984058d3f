// What reading the target's memory needs from the system: the region at an address and the
// bytes there. The content pane and the dump go through it, so their logic runs against a
// real process and against a table of scripted answers alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "memmap/target_system.h"

namespace quarry {

class ProcessMemory {
public:
    virtual ~ProcessMemory() = default;

    // The region that holds `address`; false when the target cannot say.
    virtual bool QueryRegion(std::uint64_t address, RegionInfo& region) = 0;
    // Reads at most bytes.size() bytes at `address`: the count read, or nothing when the
    // read fails. The system may report success with fewer bytes, even none.
    virtual std::optional<std::size_t> Read(std::uint64_t address, std::span<std::uint8_t> bytes) = 0;
};

}  // namespace quarry
