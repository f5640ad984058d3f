// FormatHexDump on any bytes at any display base: the text has the length the line layout
// gives, every line ends in "\r\n" and nowhere else, and it equals the plain swprintf
// formulation's text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "bench/plain_hex_dump.h"
#include "content/hex_dump.h"
#include "fuzz_input.h"

using quarry::fuzz::Expect;

namespace {

std::size_t ExpectedUnits(std::size_t length) {
    const std::size_t rest = length % 16;
    return 90 * (length / 16) + (rest > 0 ? 106 - rest : 84);
}

// Line ends exactly where the layout puts them: after each 90-unit line and at the end.
void ExpectLineEnds(const std::u16string& text, std::size_t length) {
    const std::size_t lines = length / 16 + 1;
    std::size_t ends = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != u'\r' && text[at] != u'\n') continue;
        Expect(text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n', "a line end is \\r\\n");
        const bool fullLineEnd = (at + 2) % 90 == 0 && (at + 2) / 90 <= length / 16;
        Expect(fullLineEnd || at + 2 == text.size(), "line ends only after each line");
        ++ends;
        ++at;
    }
    Expect(ends == lines, "one line per 16 bytes and the closing line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t base = 0;
    const std::size_t baseBytes = size < sizeof base ? size : sizeof base;
    std::memcpy(&base, data, baseBytes);
    const std::uint8_t* bytes = data + baseBytes;
    const auto length = static_cast<std::uint32_t>(size - baseBytes);

    std::u16string text = u"replaced";
    quarry::FormatHexDump(bytes, length, base, text);
    Expect(text.size() == ExpectedUnits(length), "90 units a full line, then the closing line");
    ExpectLineEnds(text, length);

    std::u16string plain;
    quarry::plain::FormatHexDump(bytes, length, base, plain);
    Expect(text == plain, "the same text as the plain formulation");
    return 0;
}
