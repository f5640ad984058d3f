// ParseImageSections on any first bytes of an image: the first 8 input bytes are the image
// base, the rest the header. Nothing is read outside the header (AddressSanitizer), names
// reach the decoder cut at their first zero and at most 8 bytes long, and the table holds
// an entry at the base exactly when the DOS signature is there.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "memmap/image_sections.h"

using quarry::fuzz::Expect;

namespace {

std::u16string Latin1(std::string_view name) {
    Expect(name.size() <= 8, "a section name is at most 8 bytes");
    Expect(name.find('\0') == std::string_view::npos, "a section name is cut at its first zero");
    std::u16string text;
    for (const char c : name) text += static_cast<char16_t>(static_cast<unsigned char>(c));
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t base = 0;
    const std::size_t baseBytes = size < sizeof base ? size : sizeof base;
    std::memcpy(&base, data, baseBytes);
    // A copy of exactly the header's size, so that reading past it is caught.
    const std::size_t headerSize = size - baseBytes;
    const auto header = std::make_unique<std::uint8_t[]>(headerSize);
    if (headerSize > 0) std::memcpy(header.get(), data + baseBytes, headerSize);

    quarry::SectionTable sections;
    const bool signature = quarry::ParseImageSections(base, std::span(header.get(), headerSize), sections, Latin1);

    const bool dosSignature = headerSize >= 2 && header[0] == 0x4D && header[1] == 0x5A;
    Expect(signature == dosSignature, "the result tells whether the DOS signature is there");
    Expect(dosSignature == (sections.Find(base) != nullptr), "an entry at the base exactly with the signature");
    // "Header" and at most one entry per 40-byte section entry that fits in the header.
    Expect(sections.Size() <= (dosSignature ? 1 + headerSize / 40 : 0), "no more entries than the header holds");
    return 0;
}
