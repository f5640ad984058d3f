#include "memmap/process_memory.h"

namespace quarry {

bool MayRead(const RegionInfo& region) {
    // A committed region always has a protection; 0 would be one the system could not give.
    return region.state == kMemCommit && region.protect != 0 && (region.protect & kPageGuard) == 0 &&
           (region.protect & 0xFF) != kPageNoAccess;
}

std::uint64_t ProcessMemory::ReadableLength(std::uint64_t address, std::uint64_t length, const RegionInfo* known,
                                            RegionInfo* last) {
    std::uint64_t at = address;
    // Each region the bytes touch, from the first on, up to one that may not be read.
    while (at - address < length) {
        RegionInfo region;
        if (known && RegionHolds(*known, at)) region = *known;
        else if (!QueryRegion(at, region) || !RegionHolds(region, at)) break;
        known = nullptr;
        if (last) *last = region;
        if (!MayRead(region)) break;
        const std::uint64_t inRegion = region.regionSize - (at - region.baseAddress);  // no overflow at the top
        if (length - (at - address) <= inRegion) return length;
        at += inRegion;
    }
    return at - address;
}

std::optional<std::size_t> ProcessMemory::Read(std::uint64_t address, std::span<std::uint8_t> bytes,
                                               const RegionInfo* known) {
    if (ReadableLength(address, bytes.size(), known, nullptr) < bytes.size()) return std::nullopt;
    return ReadPages(address, bytes);
}

std::optional<std::size_t> ProcessMemory::ReadReadable(std::uint64_t address, std::span<std::uint8_t> bytes,
                                                       const RegionInfo* known, RegionInfo* last) {
    const auto length = static_cast<std::size_t>(ReadableLength(address, bytes.size(), known, last));
    if (length == 0) return std::nullopt;
    return ReadPages(address, bytes.first(length));
}

bool ProcessMemory::ReadAll(std::uint64_t address, std::span<std::uint8_t> bytes, const RegionInfo* known) {
    return Read(address, bytes, known) == bytes.size();
}

}  // namespace quarry
