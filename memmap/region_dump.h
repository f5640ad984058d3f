// Saving target memory to a file: the bytes of a region at their offsets, pages that cannot
// be read as zero bytes, one page of memory whatever the size.
#pragma once

#include <cstdint>
#include <span>

#include "memmap/process_memory.h"

namespace quarry {

// The dump file, written from its current position on.
class DumpFile {
public:
    virtual ~DumpFile() = default;

    // True only when every byte was written.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Moves the position `count` bytes on and extends the file to it, so the skipped bytes
    // read as zeros; false when either step fails.
    virtual bool Skip(std::uint64_t count) = 0;
};

// Copies the region that holds `address`, from `address` on for the region's size, into
// `file` through `page`, the one-page copy buffer. Fails when the region cannot be queried,
// when `page` is empty (no buffer could be had) or when the file refuses a write or a skip;
// the file then keeps what was written before.
bool DumpRegion(ProcessMemory& memory, DumpFile& file, std::uint64_t address, std::span<std::uint8_t> page);

// The regions at `addresses`, back to back, as for an allocation's region rows; stops at
// the first region that fails.
bool DumpRegions(ProcessMemory& memory, DumpFile& file, std::span<const std::uint64_t> addresses,
                 std::span<std::uint8_t> page);

}  // namespace quarry
