// The memory map's view of a real process: each question of TargetSystem answered by the
// Windows calls that answer it, and nothing more.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/handles.h"
#include "memmap/target_system.h"
#include "memmap/row_writer.h"

namespace quarry {

class Win32TargetSystem final : public TargetSystem {
public:
    // Asks through a duplicate of `process` of its own, so that a call left behind by the
    // hang guard never asks a handle its opener has closed, or one the system has since
    // given to another process. The target process handling opens it with 0x100418
    // (synchronize, query information, read and operate on memory); a null handle, or one
    // that cannot be duplicated, makes every question fail.
    explicit Win32TargetSystem(HANDLE process);

    std::uint32_t ProcessId() override;
    bool QueryRegion(std::uint64_t address, RegionInfo& region) override;
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

protected:
    std::optional<std::size_t> ReadPages(std::uint64_t address, std::span<std::uint8_t> bytes) override;

private:
    UniqueHandle process_;
};

// Everything Quarry asks of the process behind `process`, through the hang guard: a target
// that ends while a question is out fails it, and every later one at once. Refresh, the
// pane and the dump of one target share one, and with it what is known of the target's end.
std::shared_ptr<TargetSystem> OpenTargetSystem(HANDLE process);

// The target address as the pointer the system calls take; never dereferenced here.
inline const void* AddressPointer(std::uint64_t address) {
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address));
}

// Walks the process behind `process` into `rows` through a TargetSystem of its own; a target
// that ends during the walk ends it with the rows written so far, also where the system
// would leave a question unanswered.
void BuildMemoryMap(HANDLE process, RowWriter& rows);

}  // namespace quarry
