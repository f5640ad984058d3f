// The Windows side of the dump: DumpFile answered by the file calls, and the dump of a
// target's regions into an open file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "memmap/process_memory.h"
#include "memmap/region_dump.h"

namespace quarry {

class Win32DumpFile final : public DumpFile {
public:
    // `file` stays its opener's and needs write access.
    explicit Win32DumpFile(HANDLE file) : file_(file) {}

    bool Write(std::span<const std::uint8_t> bytes) override;
    bool Skip(std::uint64_t count) override;

private:
    HANDLE file_;
};

// The system's page size.
std::uint32_t SystemPageSize();

// Copies the regions of `memory` at `addresses` into `file`, back to back from its current
// position, through one page taken from the process heap; stops at the first that fails.
bool DumpRegions(HANDLE file, ProcessMemory& memory, std::span<const std::uint64_t> addresses);

}  // namespace quarry
