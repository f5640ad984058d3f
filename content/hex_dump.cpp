#include "content/hex_dump.h"

#include <algorithm>
#include <cstring>

#include "text/numbers.h"

namespace quarry {
namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::size_t kFullLineUnits = 90;
constexpr std::size_t kBlankClosingUnits = 84;

// Letters, digits and the space show as themselves; everything else as a full stop.
constexpr bool IsShownAsItself(std::uint8_t byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           byte == ' ';
}

// Each byte's hex slot ("XX ") and character, made once: the pane formats a page for every
// row shown, and a lookup and a copy per piece beat computing the digits each time.
struct ByteTexts {
    char16_t hex[256][3];
    char16_t shown[256];
};

constexpr ByteTexts MakeByteTexts() {
    ByteTexts texts{};
    for (int byte = 0; byte < 256; ++byte) {
        texts.hex[byte][0] = kHexDigits[byte >> 4];
        texts.hex[byte][1] = kHexDigits[byte & 0xF];
        texts.hex[byte][2] = u' ';
        texts.shown[byte] = IsShownAsItself(static_cast<std::uint8_t>(byte)) ? char16_t(byte) : u'.';
    }
    return texts;
}

constexpr ByteTexts kByteTexts = MakeByteTexts();

constexpr char16_t ShownChar(std::uint8_t byte) { return kByteTexts.shown[byte]; }

char16_t* WriteSpaces(char16_t* out, std::size_t count) { return std::fill_n(out, count, u' '); }

// Two digits at a time, from the byte table.
char16_t* WriteAddress(char16_t* out, std::uint64_t address) {
    for (int shift = 56; shift >= 0; shift -= 8, out += 2)
        std::memcpy(out, kByteTexts.hex[(address >> shift) & 0xFF], 2 * sizeof(char16_t));
    return WriteSpaces(out, 4);
}

char16_t* WriteByteSlot(char16_t* out, std::uint8_t byte) {
    std::memcpy(out, kByteTexts.hex[byte], sizeof kByteTexts.hex[byte]);
    return out + 3;
}

char16_t* WriteSeparator(char16_t* out) {
    *out++ = u'-';
    *out++ = u' ';
    return out;
}

char16_t* WriteLineEnd(char16_t* out) {
    *out++ = u'\r';
    *out++ = u'\n';
    return out;
}

char16_t* WriteFullLine(char16_t* out, const std::uint8_t* line, std::uint64_t address) {
    out = WriteAddress(out, address);
    for (std::size_t j = 0; j < kBytesPerLine; ++j) {
        out = WriteByteSlot(out, line[j]);
        if (j == 7) out = WriteSeparator(out);
    }
    out = WriteSpaces(out, 2);
    for (std::size_t j = 0; j < kBytesPerLine; ++j) *out++ = ShownChar(line[j]);
    return WriteLineEnd(out);
}

// The closing line keeps the full line's columns: missing bytes leave three-space hex
// slots and two-space character slots; the separator stands whenever any byte does.
char16_t* WriteClosingLine(char16_t* out, const std::uint8_t* rest, std::size_t count, std::uint64_t address) {
    if (count > 0) out = WriteAddress(out, address);
    for (std::size_t k = 0; k < kBytesPerLine; ++k) {
        out = k < count ? WriteByteSlot(out, rest[k]) : WriteSpaces(out, 3);
        if (k == 7 && count > 0) out = WriteSeparator(out);
    }
    out = WriteSpaces(out, 2);
    for (std::size_t k = 0; k < kBytesPerLine; ++k) {
        if (k < count)
            *out++ = ShownChar(rest[k]);
        else
            out = WriteSpaces(out, 2);
    }
    return WriteLineEnd(out);
}

}  // namespace

void FormatHexDump(const std::uint8_t* bytes, std::uint32_t length, std::uint64_t displayBase,
                   std::u16string& text) {
    const std::size_t fullLines = length / kBytesPerLine;
    const std::size_t rest = length % kBytesPerLine;
    const std::size_t closingUnits = rest > 0 ? 106 - rest : kBlankClosingUnits;

    // Sized once and written in place: the pane formats a page for every row shown.
    text.resize(fullLines * kFullLineUnits + closingUnits);
    char16_t* out = text.data();
    for (std::size_t i = 0; i < fullLines; ++i)
        out = WriteFullLine(out, bytes + i * kBytesPerLine, displayBase + i * kBytesPerLine);
    WriteClosingLine(out, bytes + fullLines * kBytesPerLine, rest, displayBase + fullLines * kBytesPerLine);
}

}  // namespace quarry
