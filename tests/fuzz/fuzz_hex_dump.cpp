// FormatHexDump on any bytes at any display base: nothing read or written out of bounds, and
// the whole text replaced by one line per 16 bytes and a closing line, each ended by "\r\n".
#include <algorithm>
#include <cstring>

#include "content/hex_dump.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t base = 0;
    const std::size_t baseBytes = std::min(size, sizeof base);
    std::memcpy(&base, data, baseBytes);
    const auto length = static_cast<std::uint32_t>(size - baseBytes);
    std::u16string text = u"replaced";
    quarry::FormatHexDump(data + baseBytes, length, base, text);
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n'));
    quarry::fuzz::Expect(text.ends_with(u"\r\n") && lines == length / 16 + 1, "a line per 16 bytes and a closing line");
    return 0;
}
