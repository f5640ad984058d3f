#include "memmap/win32_process_memory.h"

#include <limits>
#include <memory>

#include "framework/handles.h"
#include "memmap/win32_target_system.h"

namespace quarry {

bool Win32ProcessMemory::QueryRegion(std::uint64_t address, RegionInfo& region) {
    return QueryRegionOf(process_, address, region);
}

std::optional<std::size_t> Win32ProcessMemory::Read(std::uint64_t address, std::span<std::uint8_t> bytes) {
    SIZE_T read = 0;
    // All or nothing: a partial copy reports failure, and its bytes are not used.
    if (!ReadProcessMemory(process_, AddressPointer(address), bytes.data(), bytes.size(), &read)) return std::nullopt;
    return read;
}

bool Win32DumpFile::Write(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > MAXDWORD) return false;  // chunks are a page; nothing larger comes here
    DWORD written = 0;
    // A short write (a full disk) is a failure too: the file would look complete but shifted.
    return WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool Win32DumpFile::Skip(std::uint64_t count) {
    if (count > static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max())) return false;
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(count);
    return SetFilePointerEx(file_, distance, nullptr, FILE_CURRENT) && SetEndOfFile(file_);
}

GuardedProcessMemory ProcessMemoryOf(HANDLE process) {
    return GuardedProcessMemory(std::make_shared<Win32ProcessMemory>(process), TargetCalls(process));
}

std::uint32_t SystemPageSize() {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    return system.dwPageSize;
}

bool DumpRegions(HANDLE file, HANDLE process, std::span<const std::uint64_t> addresses) {
    const std::size_t pageSize = SystemPageSize();
    const UniqueHeapBlock<std::uint8_t> page = AllocateHeapBlock<std::uint8_t>(pageSize);
    // Without its buffer the dump fails like a region that cannot be copied.
    const std::span<std::uint8_t> buffer = page ? std::span(page.get(), pageSize) : std::span<std::uint8_t>();
    GuardedProcessMemory memory = ProcessMemoryOf(process);
    Win32DumpFile out(file);
    return DumpRegions(memory, out, addresses, buffer);
}

}  // namespace quarry
