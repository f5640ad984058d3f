// FormatHexDump on any bytes at any display base: the same text as the benchmark's plain
// swprintf formulation, a second implementation written for the comparison anyway.
#include <cstring>

#include "bench/plain_hex_dump.h"
#include "content/hex_dump.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t base = 0;
    const std::size_t baseBytes = std::min(size, sizeof base);
    std::memcpy(&base, data, baseBytes);
    const auto length = static_cast<std::uint32_t>(size - baseBytes);
    std::u16string text = u"replaced", plain;
    quarry::FormatHexDump(data + baseBytes, length, base, text);
    quarry::plain::FormatHexDump(data + baseBytes, length, base, plain);
    quarry::fuzz::Expect(text == plain, "the same text as the plain formulation");
    return 0;
}
