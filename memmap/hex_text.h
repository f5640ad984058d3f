// Upper-case hexadecimal digits for UTF-16 texts: addresses ("%p" on a 64-bit build is
// 16 zero-filled digits), type values and dump bytes. Locale-free and allocation-free.
#pragma once

#include <cstdint>
#include <string>

namespace quarry {

inline constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// Writes the low `digits` nibbles of `value`, most significant first, zero-filled.
inline char16_t* WriteHex(char16_t* out, std::uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) *out++ = kHexDigits[(value >> shift) & 0xF];
    return out;
}

inline void AppendHex(std::u16string& text, std::uint64_t value, int digits) {
    const std::size_t start = text.size();
    text.resize(start + static_cast<std::size_t>(digits));
    WriteHex(text.data() + start, value, digits);
}

// An address as the program shows it everywhere: 16 digits, no prefix.
inline void AppendAddress(std::u16string& text, std::uint64_t address) { AppendHex(text, address, 16); }

}  // namespace quarry
