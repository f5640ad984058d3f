// The test target's layout and the words of its report, shared by QuarryTestTarget.exe and
// the tests that check it. Platform-neutral, so tests can recompute the pattern anywhere.
#pragma once

#include <cstdint>

namespace quarry::target {

// Preferred addresses: fixed and 64 KB-aligned, so rows look alike from run to run, and
// back to back, so allocations that touch are told apart by their base alone. The target
// takes any address when one is taken, and always reports the address it got.
inline constexpr std::uint64_t kPageSize = 4096;
inline constexpr std::uint64_t kPatternAllocAddress = 0x3A0000000;
inline constexpr std::uint64_t kPatternAllocSize = 1024 * 1024;
inline constexpr std::uint64_t kPatternCommittedSize = 64 * 1024;
inline constexpr std::uint64_t kReservedAllocAddress = kPatternAllocAddress + kPatternAllocSize;
inline constexpr std::uint64_t kReservedAllocSize = 256 * 1024;
inline constexpr std::uint64_t kGuardPageAddress = kReservedAllocAddress + kReservedAllocSize;
inline constexpr std::uint64_t kNoAccessPageAddress = kGuardPageAddress + 64 * 1024;
inline constexpr std::uint64_t kMappedFileSize = 64 * 1024;
inline constexpr int kThreadCount = 2;

// "--allocations N" adds N allocations to the layout, for walks over a big address space:
// each reserves 64 KB with its first page committed, so it shows as two regions.
inline constexpr char kOptionAllocations[] = "--allocations";
inline constexpr std::uint64_t kExtraAllocationSize = 64 * 1024;
inline constexpr std::uint64_t kMostExtraAllocations = 1000000;  // 64 GB of address space

inline constexpr wchar_t kTargetProgram[] = L"QuarryTestTarget.exe";
inline constexpr wchar_t kDllName[] = L"QuarryTestDll.dll";
// Exactly eight characters: the longest name a section header holds without a string table.
inline constexpr char kDllSectionName[] = ".quarry8";
inline constexpr char kDllSectionMarker[] = "QuarryTestDll: known bytes of .quarry8";

// Byte `offset` of a patterned range. The period, 251, is prime, so the pattern never lines
// up with pages and any shifted or misplaced byte shows; the seed tells ranges apart.
inline constexpr std::uint8_t kPatternAllocSeed = 0;
inline constexpr std::uint8_t kMappedFileSeed = 101;
constexpr std::uint8_t PatternByte(std::uint64_t offset, std::uint8_t seed) {
    return static_cast<std::uint8_t>((offset * 31 + 7 + seed) % 251);
}

// The report: one fact a line, "name value...", addresses in 16 upper-case hex digits,
// sizes in decimal, a path always last. "ready" ends it; "error <what>" replaces it.
inline constexpr char kFactPid[] = "pid";                        // pid <id>
inline constexpr char kFactPatternAlloc[] = "pattern_alloc";     // <addr> <size> <committed>
inline constexpr char kFactReservedAlloc[] = "reserved_alloc";   // <addr> <size>
inline constexpr char kFactGuardPage[] = "guard_page";           // <addr> <size>
inline constexpr char kFactNoAccessPage[] = "noaccess_page";     // <addr> <size>
inline constexpr char kFactThread[] = "thread";                  // <id>, once per thread
inline constexpr char kFactMappedFile[] = "mapped_file";         // <addr> <size> <path>
inline constexpr char kFactDll[] = "dll";                        // <base> <path>
inline constexpr char kFactAllocations[] = "allocations";        // <count> <size> <committed>, with the option only
inline constexpr char kFactReady[] = "ready";
inline constexpr char kFactError[] = "error";

}  // namespace quarry::target
