// The Windows side of reading the target and dumping it: ProcessMemory and DumpFile
// answered by the system calls that answer them, and the dump of regions into an open file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "memmap/guarded_target.h"
#include "memmap/process_memory.h"
#include "memmap/region_dump.h"

namespace quarry {

class Win32ProcessMemory final : public ProcessMemory {
public:
    // `process` stays its opener's; null makes every question fail.
    explicit Win32ProcessMemory(HANDLE process) : process_(process) {}

    bool QueryRegion(std::uint64_t address, RegionInfo& region) override;
    std::optional<std::size_t> Read(std::uint64_t address, std::span<std::uint8_t> bytes) override;

private:
    HANDLE process_;
};

class Win32DumpFile final : public DumpFile {
public:
    // `file` stays its opener's and needs write access.
    explicit Win32DumpFile(HANDLE file) : file_(file) {}

    bool Write(std::span<const std::uint8_t> bytes) override;
    bool Skip(std::uint64_t count) override;

private:
    HANDLE file_;
};

// The memory of the process behind `process`, whose questions fail rather than hang when
// the process ends while one is out.
GuardedProcessMemory ProcessMemoryOf(HANDLE process);

// The system's page size.
std::uint32_t SystemPageSize();

// Copies the regions of `process` at `addresses` into `file`, back to back from its current
// position, through one page taken from the process heap; stops at the first that fails.
bool DumpRegions(HANDLE file, HANDLE process, std::span<const std::uint64_t> addresses);

}  // namespace quarry
