#include "memmap/process_memory.h"

namespace quarry {

bool MayRead(const RegionInfo& region) {
    // A committed region always has a protection; 0 would be one the system could not give.
    return region.state == kMemCommit && region.protect != 0 && (region.protect & kPageGuard) == 0 &&
           (region.protect & 0xFF) != kPageNoAccess;
}

std::optional<std::size_t> ProcessMemory::Read(std::uint64_t address, std::span<std::uint8_t> bytes,
                                               const RegionInfo* known) {
    std::uint64_t at = address;
    std::uint64_t left = bytes.size();
    // Each region the bytes touch, from the first on; a read across a boundary needs both.
    for (;;) {
        RegionInfo region;
        if (known && RegionHolds(*known, at)) region = *known;
        else if (!QueryRegion(at, region) || !RegionHolds(region, at)) return std::nullopt;
        if (!MayRead(region)) return std::nullopt;
        const std::uint64_t inRegion = region.regionSize - (at - region.baseAddress);  // no overflow at the top
        if (left <= inRegion) break;
        left -= inRegion;
        at += inRegion;
        known = nullptr;
    }
    return ReadPages(address, bytes);
}

bool ProcessMemory::ReadAll(std::uint64_t address, std::span<std::uint8_t> bytes, const RegionInfo* known) {
    return Read(address, bytes, known) == bytes.size();
}

}  // namespace quarry
