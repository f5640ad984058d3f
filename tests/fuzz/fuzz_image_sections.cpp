// ParseImageSections on any first bytes of an image, the first 8 input bytes being the image
// base: nothing is read past the header, which ends where the fuzzer's buffer does
// (AddressSanitizer), names reach the decoder cut at their first zero and at most 8 bytes
// long, and the result says whether the DOS signature is there.
#include <cstring>

#include "fuzz_input.h"
#include "memmap/image_sections.h"

using quarry::fuzz::Expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t base = 0;
    const std::size_t baseBytes = std::min(size, sizeof base);
    std::memcpy(&base, data, baseBytes);
    const std::span header(data + baseBytes, size - baseBytes);
    quarry::SectionTable sections;
    const bool signature = quarry::ParseImageSections(base, header, sections, [](std::string_view name) {
        Expect(name.size() <= 8 && name.find('\0') == std::string_view::npos, "a name cut at its first zero, 8 bytes at most");
        return std::u16string(name.begin(), name.end());
    });
    Expect(signature == (header.size() >= 2 && header[0] == 'M' && header[1] == 'Z'), "the result tells the DOS signature");
    return 0;
}
