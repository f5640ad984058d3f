// What the memory map learns from the system about one target process. The walk's logic
// talks to the system only through this interface, so it runs against a real process and
// against a table of scripted answers alike. Answers are plain data; a failure is false, an
// empty text or list, nothing, or 0, and the walk leaves blank what it could not learn.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarry {

inline constexpr std::uint32_t kMemCommit = 0x1000;
inline constexpr std::uint32_t kMemFree = 0x10000;

// The fields of the system's 48-byte region record that the walk uses.
struct RegionInfo {
    std::uint64_t baseAddress = 0;
    std::uint64_t allocationBase = 0;
    std::uint64_t regionSize = 0;
    std::uint32_t state = 0;
    std::uint32_t protect = 0;
    std::uint32_t type = 0;
};

// One entry of a thread snapshot, which lists the threads of every process.
struct ThreadEntry {
    std::uint32_t threadId = 0;
    std::uint32_t ownerProcessId = 0;
};

// What the native thread query reports about one thread.
struct ThreadBasics {
    std::uint64_t tebAddress = 0;
    std::uint32_t threadId = 0;
};

class TargetSystem {
public:
    virtual ~TargetSystem() = default;

    virtual std::uint32_t ProcessId() = 0;
    // The region that holds `address`; false past the end of the address space or when the
    // target can no longer be asked.
    virtual bool QueryRegion(std::uint64_t address, RegionInfo& region) = 0;
    // Fills all of `bytes` or fails.
    virtual bool ReadMemory(std::uint64_t address, std::span<std::uint8_t> bytes) = 0;
    // The file of the module loaded at `moduleBase`.
    virtual std::u16string ModuleFileName(std::uint64_t moduleBase) = 0;
    // The file mapped at `address` as the system names it: in device form, or already with a
    // drive letter, possibly behind "\??\".
    virtual std::u16string MappedFileName(std::uint64_t address) = 0;
    // The drive roots, each ending with a zero, in the system's order.
    virtual std::u16string LogicalDriveStrings() = 0;
    // The device that a drive name such as "C:" stands for.
    virtual std::u16string DosDeviceName(const std::u16string& driveName) = 0;
    virtual std::vector<ThreadEntry> SnapshotThreads() = 0;
    virtual std::optional<ThreadBasics> QueryThread(std::uint32_t threadId) = 0;
    // The target's heap ids (their base addresses), in heap-list order.
    virtual std::vector<std::uint64_t> SnapshotHeaps() = 0;
    virtual std::uint64_t QueryPebAddress() = 0;
    // The front-end kind recorded in a local copy of a heap header: 0 compatibility, 1
    // lookaside, 2 low fragmentation; 0 wherever it cannot be learnt without reading outside
    // the copy or following a pointer held in it.
    virtual std::uint32_t HeapFrontEndKind(std::span<const std::uint8_t> headerCopy) = 0;
    // A section name in the ANSI code page; empty when it cannot be converted.
    virtual std::u16string AnsiToText(std::string_view bytes) = 0;
};

}  // namespace quarry
