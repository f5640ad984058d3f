#include "memmap/win32_region_dump.h"

#include <limits>

#include "framework/handles.h"

namespace quarry {

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

std::uint32_t SystemPageSize() {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    return system.dwPageSize;
}

bool DumpRegions(HANDLE file, ProcessMemory& memory, std::span<const std::uint64_t> addresses) {
    const std::size_t pageSize = SystemPageSize();
    const UniqueHeapBlock<std::uint8_t> page = AllocateHeapBlock<std::uint8_t>(pageSize);
    // Without its buffer the dump fails like a region that cannot be copied.
    const std::span<std::uint8_t> buffer = page ? std::span(page.get(), pageSize) : std::span<std::uint8_t>();
    Win32DumpFile out(file);
    return DumpRegions(memory, out, addresses, buffer);
}

}  // namespace quarry
