// The hex dump written the plain way: every piece formatted on its own with swprintf and
// appended to the text. The benchmark measures FormatHexDump against it, and the hex dump
// fuzzer compares their texts, so the fast one is held to the obvious one's output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <string>

namespace quarry::plain {

template <typename... Args>
void AppendFormatted(std::u16string& text, const wchar_t* format, Args... args) {
    wchar_t piece[32];
    const int length = std::swprintf(piece, 32, format, args...);
    if constexpr (sizeof(wchar_t) == sizeof(char16_t)) {
        text.append(reinterpret_cast<const char16_t*>(piece), static_cast<std::size_t>(length));
    } else {
        // 32-bit wchar_t (Linux): every piece is ASCII.
        for (int i = 0; i < length; ++i) text += static_cast<char16_t>(piece[i]);
    }
}

inline wchar_t ShownChar(std::uint8_t byte) {
    const bool itself = (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
                        (byte >= 'A' && byte <= 'Z') || byte == ' ';
    return itself ? static_cast<wchar_t>(byte) : L'.';
}

// "%p" of a 64-bit Windows build is 16 upper-case digits; the C runtimes we build with
// print it in lower case (mingw-w64) or with "0x" (glibc), so the address is written as
// what that "%p" prints.
inline void AppendAddress(std::u16string& text, std::uint64_t address) {
    AppendFormatted(text, L"%016llX    ", static_cast<unsigned long long>(address));
}

inline void FormatHexDump(const std::uint8_t* bytes, std::uint32_t length, std::uint64_t displayBase,
                          std::u16string& text) {
    text.clear();
    const std::uint32_t fullLines = length / 16;
    for (std::uint32_t i = 0; i < fullLines; ++i) {
        const std::uint8_t* line = bytes + 16 * i;
        AppendAddress(text, displayBase + 16 * i);
        for (int j = 0; j < 16; ++j) {
            AppendFormatted(text, L"%02X ", static_cast<unsigned>(line[j]));
            if (j == 7) AppendFormatted(text, L"- ");
        }
        AppendFormatted(text, L"  ");
        for (int j = 0; j < 16; ++j) AppendFormatted(text, L"%c", ShownChar(line[j]));
        AppendFormatted(text, L"\r\n");
    }
    const std::uint32_t rest = length % 16;
    const std::uint8_t* tail = bytes + 16 * fullLines;
    if (rest > 0) AppendAddress(text, displayBase + 16 * fullLines);
    for (std::uint32_t k = 0; k < 16; ++k) {
        if (k < rest)
            AppendFormatted(text, L"%02X ", static_cast<unsigned>(tail[k]));
        else
            AppendFormatted(text, L"   ");
        if (k == 7 && rest > 0) AppendFormatted(text, L"- ");
    }
    AppendFormatted(text, L"  ");
    for (std::uint32_t k = 0; k < 16; ++k) {
        if (k < rest)
            AppendFormatted(text, L"%c", ShownChar(tail[k]));
        else
            AppendFormatted(text, L"  ");
    }
    AppendFormatted(text, L"\r\n");
}

}  // namespace quarry::plain
