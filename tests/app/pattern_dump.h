// The test target's patterned bytes as Quarry must show and save them, and the files Quarry
// saves them into.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "content/hex_dump.h"
#include "target/target_layout.h"

namespace quarry::test {

// The pane's text for one page of a patterned range at `address`: the hex dump's own lines,
// which its tests check byte by byte; here what matters is which bytes at which address.
inline std::wstring PatternDump(std::uint64_t address, std::uint8_t seed) {
    std::vector<std::uint8_t> page(target::kPageSize);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = target::PatternByte(i, seed);
    std::u16string text;
    FormatHexDump(page.data(), static_cast<std::uint32_t>(page.size()), address, text);
    return {text.begin(), text.end()};
}

// The pattern allocation's dump file: its committed bytes, then zeros up to its full size.
inline std::vector<std::uint8_t> PatternAllocationFile() {
    std::vector<std::uint8_t> bytes(target::kPatternAllocSize, 0);
    for (std::uint64_t i = 0; i < target::kPatternCommittedSize; ++i)
        bytes[i] = target::PatternByte(i, target::kPatternAllocSeed);
    return bytes;
}

// The guarded allocation's dump file: its first and last pages, and zeros for the guard and
// no-access pages between them, which must not be read.
inline std::vector<std::uint8_t> GuardedAllocationFile() {
    std::vector<std::uint8_t> bytes(target::kGuardedAllocSize, 0);
    for (const std::uint64_t page : {std::uint64_t{0}, target::kGuardedAllocSize - target::kPageSize})
        for (std::uint64_t i = page; i < page + target::kPageSize; ++i) bytes[i] = target::PatternByte(i, target::kGuardedAllocSeed);
    return bytes;
}

// A file in the temporary folder for Quarry to save into; deleted with this.
struct SavedFile {
    explicit SavedFile(const std::wstring& name)
        : path(std::filesystem::temp_directory_path().wstring() + L"quarry-" + std::to_wstring(GetCurrentProcessId()) +
               name) {}
    ~SavedFile() { DeleteFileW(path.c_str()); }

    std::vector<std::uint8_t> Bytes() const {
        std::ifstream file(std::filesystem::path(path), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    const std::wstring path;
};

}  // namespace quarry::test
