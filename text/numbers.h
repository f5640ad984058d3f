// Numbers as the program writes them, locale-free: upper-case hexadecimal (addresses are 16
// zero-filled digits, as "%p" prints on a 64-bit build), decimal and kilobytes; and the one
// hexadecimal parser for what users type and files hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarry {

inline constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// Writes the low `digits` nibbles of `value`, most significant first, zero-filled; returns
// the end. Allocation-free, for the walk's many cells.
inline char16_t* WriteHex(char16_t* out, std::uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) *out++ = kHexDigits[(value >> shift) & 0xF];
    return out;
}
// At most 20 digits; returns the end.
char16_t* WriteDecimal(char16_t* out, std::uint64_t value);

void AppendHex(std::u16string& text, std::uint64_t value, int digits);
inline void AppendAddress(std::u16string& text, std::uint64_t address) { AppendHex(text, address, 16); }
void AppendDecimal(std::u16string& text, std::uint64_t value);

std::u16string DecimalText(std::uint64_t value);
// "N KB" for a count of kilobytes: the true count at any size.
std::u16string KilobyteText(std::uint64_t kilobytes);

// The value of one hexadecimal digit of either case; -1 for any other unit.
constexpr int HexDigitValue(char16_t c) {
    return c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10 : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
}

// Hexadecimal digits of either case, 1 to 16 of them, after an optional "0x" or "0X";
// nothing for anything else.
std::optional<std::uint64_t> ParseHex(std::u16string_view text);

}  // namespace quarry
