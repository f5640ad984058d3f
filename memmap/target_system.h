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

#include "memmap/process_memory.h"

namespace quarry {

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

// Its memory is read by ProcessMemory's rule, like the pane's and the dump's.
class TargetSystem : public ProcessMemory {
public:
    virtual std::uint32_t ProcessId() = 0;
    // The walk's question: the region at `address`, asked in address order from 0, each at
    // the end of the one before. A system may answer it ahead; by default it is QueryRegion,
    // which fails past the end of the address space or when the target can no longer be asked.
    virtual bool WalkRegion(std::uint64_t address, RegionInfo& region) { return QueryRegion(address, region); }
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
