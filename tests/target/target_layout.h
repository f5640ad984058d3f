// The test target's layout and the words of its report, shared by QuarryTestTarget.exe and
// the tests that check it. Platform-neutral, so tests can recompute the pattern anywhere.
#pragma once

#include <cstdint>
#include <string>

namespace quarry::target {

// Preferred addresses: fixed, 64 KB-aligned and back to back, so that allocations that
// touch are told apart by their base alone. One that is taken gives way to any address;
// the report always says where each range is.
inline constexpr std::uint64_t kPageSize = 4096;
inline constexpr std::uint64_t kPatternAllocAddress = 0x3A0000000;
inline constexpr std::uint64_t kPatternAllocSize = 1024 * 1024;  // its first 64 KB committed
inline constexpr std::uint64_t kPatternCommittedSize = 64 * 1024;
inline constexpr std::uint64_t kReservedAllocAddress = kPatternAllocAddress + kPatternAllocSize;
inline constexpr std::uint64_t kReservedAllocSize = 256 * 1024;
// Four patterned pages: read-write, guard, no-access, read-write. Reading the middle two
// would return their bytes under Wine, so any read of them shows.
inline constexpr std::uint64_t kGuardedAllocAddress = kReservedAllocAddress + kReservedAllocSize;
inline constexpr std::uint64_t kGuardedAllocSize = 4 * kPageSize;
inline constexpr std::uint64_t kGuardPageOffset = kPageSize, kNoAccessPageOffset = 2 * kPageSize;
inline constexpr std::uint64_t kMappedFileSize = 64 * 1024;
// The mapped file, in the temporary folder; the process id keeps two targets apart.
inline std::wstring MappedFileName(std::uint32_t pid) { return L"QuarryTestTarget-" + std::to_wstring(pid) + L".bin"; }
// A line on the target's input ("grow") commits 64 KB more of the pattern allocation and
// adds an allocation of 64 KB here (its first page committed); the answer is "grown <address>".
inline constexpr std::uint64_t kGrownAllocAddress = kGuardedAllocAddress + 128 * 1024;
// "--allocations N" adds N allocations of 64 KB, the first page committed; "--committed-mib N"
// one allocation of N MiB, all committed, for the searches.
inline constexpr std::uint64_t kExtraAllocationSize = 64 * 1024;

inline constexpr wchar_t kDllName[] = L"QuarryTestDll.dll";
// Exactly eight characters: the longest name a section header holds without a string table.
inline constexpr char kDllSectionName[] = ".quarry8";
inline constexpr char kDllSectionMarker[] = "QuarryTestDll: known bytes of .quarry8";

// Byte `offset` of a patterned range. The period, 251, is prime, so the pattern never lines
// up with pages and any shifted or misplaced byte shows; the seed tells ranges apart.
inline constexpr std::uint8_t kPatternAllocSeed = 0;
inline constexpr std::uint8_t kMappedFileSeed = 101;
inline constexpr std::uint8_t kGuardedAllocSeed = 53;
constexpr std::uint8_t PatternByte(std::uint64_t offset, std::uint8_t seed) {
    return static_cast<std::uint8_t>((offset * 31 + 7 + seed) % 251);
}

// The report, one fact a line, a name and a decimal number: "pid", the addresses of
// pattern_alloc, reserved_alloc and guarded_alloc, "thread" for each of two
// threads, the addresses of mapped_file, dll_section (the page of the DLL's own section) and
// dll; with the option "allocations <N> 65536 4096" or "committed <address>";
// "ready" last. "error <what>" ends it early when the layout cannot be built.
inline constexpr char kFactAllocations[] = "allocations";

}  // namespace quarry::target
