#include "memmap/region_dump.h"

#include <algorithm>

namespace quarry {
namespace {

// One chunk of at most a page of `region`: its bytes when they can be read, zeros in the
// file otherwise.
bool CopyChunk(ProcessMemory& memory, DumpFile& file, const RegionInfo& region, std::uint64_t address,
               std::span<std::uint8_t> chunk, std::uint64_t& copied) {
    const std::optional<std::size_t> read = memory.Read(address, chunk, &region);
    // A read that claims success with no bytes would never move the copy on: it counts as
    // an unreadable page, like one that failed.
    if (!read || *read == 0 || *read > chunk.size()) {
        copied = chunk.size();
        return file.Skip(chunk.size());
    }
    copied = *read;
    return file.Write(chunk.first(*read));
}

}  // namespace

bool DumpRegion(ProcessMemory& memory, DumpFile& file, std::uint64_t address, std::span<std::uint8_t> page) {
    RegionInfo region;
    if (!memory.QueryRegion(address, region) || page.empty()) return false;
    std::uint64_t remaining = region.regionSize;
    // Nothing of a region the rule forbids is read (uncommitted, guard or no-access pages):
    // its zeros go in one step.
    if (!MayRead(region)) return remaining == 0 || file.Skip(remaining);
    while (remaining > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(page.size(), remaining));
        std::uint64_t copied = 0;
        if (!CopyChunk(memory, file, region, address, page.first(chunk), copied)) return false;
        remaining -= copied;
        address += copied;
    }
    return true;
}

bool DumpRegions(ProcessMemory& memory, DumpFile& file, std::span<const std::uint64_t> addresses,
                 std::span<std::uint8_t> page) {
    for (const std::uint64_t address : addresses)
        if (!DumpRegion(memory, file, address, page)) return false;
    return true;
}

}  // namespace quarry
