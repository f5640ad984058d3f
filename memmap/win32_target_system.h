// The memory map's view of a real process: each question of TargetSystem answered by the
// Windows calls that answer it, and nothing more.
#pragma once

#include <windows.h>

#include "memmap/target_system.h"
#include "treelist/row_writer.h"

namespace quarry {

class Win32TargetSystem final : public TargetSystem {
public:
    // `process` stays its opener's; the target process handling opens it with 0x100418
    // (synchronize, query information, read and operate on memory).
    explicit Win32TargetSystem(HANDLE process) : process_(process) {}

    std::uint32_t ProcessId() override;
    bool QueryRegion(std::uint64_t address, RegionInfo& region) override;
    bool ReadMemory(std::uint64_t address, std::span<std::uint8_t> bytes) override;
    std::u16string ModuleFileName(std::uint64_t moduleBase) override;
    std::u16string MappedFileName(std::uint64_t address) override;
    std::u16string LogicalDriveStrings() override;
    std::u16string DosDeviceName(const std::u16string& driveName) override;
    std::vector<ThreadEntry> SnapshotThreads() override;
    std::optional<ThreadBasics> QueryThread(std::uint32_t threadId) override;
    std::vector<std::uint64_t> SnapshotHeaps() override;
    std::uint64_t QueryPebAddress() override;
    std::uint32_t HeapFrontEndKind(std::span<const std::uint8_t> headerCopy) override;
    std::u16string AnsiToText(std::string_view bytes) override;

private:
    HANDLE process_;
};

// One VirtualQueryEx of `process` at `address`, as the region record the core uses; the
// walk, the pane and the dump all ask it.
bool QueryRegionOf(HANDLE process, std::uint64_t address, RegionInfo& region);

// The target address as the pointer the system calls take; never dereferenced here.
inline const void* AddressPointer(std::uint64_t address) {
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address));
}

// Walks the process behind `process` into `rows`; a target that ends during the walk ends it
// with the rows written so far, also where the system would leave a question unanswered.
void BuildMemoryMap(HANDLE process, RowWriter& rows);

}  // namespace quarry
