// The test target's patterned bytes as Quarry must show and save them, made here without
// the program's own formatter, so that a fault there cannot hide in the expectation; and the
// files Quarry saves them into.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "target/target_layout.h"

namespace quarry::test {

// The pane's text for one page of a patterned range at `address`: 256 dump lines, then the
// blank closing line.
inline std::wstring PatternDump(std::uint64_t address, std::uint8_t seed) {
    std::wstring text;
    wchar_t piece[32];
    for (std::uint64_t line = 0; line < target::kPageSize / 16; ++line) {
        swprintf(piece, 32, L"%016llX    ", static_cast<unsigned long long>(address + 16 * line));
        text += piece;
        std::wstring characters;
        for (std::uint64_t column = 0; column < 16; ++column) {
            const std::uint8_t byte = target::PatternByte(16 * line + column, seed);
            swprintf(piece, 32, column == 7 ? L"%02X - " : L"%02X ", byte);
            text += piece;
            const bool plain = (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
                               (byte >= 'A' && byte <= 'Z') || byte == ' ';
            characters += plain ? static_cast<wchar_t>(byte) : L'.';
        }
        text += L"  " + characters + L"\r\n";
    }
    return text + std::wstring(82, L' ') + L"\r\n";
}

// The pattern allocation's dump file: its committed bytes, then zeros up to its full size.
inline std::vector<std::uint8_t> PatternAllocationFile() {
    std::vector<std::uint8_t> bytes(target::kPatternAllocSize, 0);
    for (std::uint64_t i = 0; i < target::kPatternCommittedSize; ++i)
        bytes[i] = target::PatternByte(i, target::kPatternAllocSeed);
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
