#include "text/numbers.h"

#include "text/ascii.h"

namespace quarry {

char16_t* WriteDecimal(char16_t* out, std::uint64_t value) {
    char16_t digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) *out++ = digits[--count];
    return out;
}

void AppendHex(std::u16string& text, std::uint64_t value, int digits) {
    const std::size_t start = text.size();
    text.resize(start + static_cast<std::size_t>(digits));
    WriteHex(text.data() + start, value, digits);
}

void AppendDecimal(std::u16string& text, std::uint64_t value) {
    char16_t digits[20];
    text.append(digits, static_cast<std::size_t>(WriteDecimal(digits, value) - digits));
}

std::u16string DecimalText(std::uint64_t value) {
    std::u16string text;
    AppendDecimal(text, value);
    return text;
}

std::u16string KilobyteText(std::uint64_t kilobytes) { return DecimalText(kilobytes) + u" KB"; }

std::optional<std::uint64_t> ParseHex(std::u16string_view text) {
    if (text.size() > 2 && text[0] == u'0' && FoldAsciiCase(text[1]) == u'x') text.remove_prefix(2);
    if (text.empty() || text.size() > 16) return std::nullopt;
    std::uint64_t value = 0;
    for (const char16_t c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return value;
}

}  // namespace quarry
