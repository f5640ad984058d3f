// Crafted image headers: the first bytes of a loaded image with the DOS signature, the NT
// header offset, the section count, the optional header magic and the section entries placed
// where a test says. Writes that fall outside the buffer are dropped, so that tests can craft
// headers running past the bytes read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarry::test {

struct CraftedSection {
    std::string name;  // up to 8 bytes; 8 leave no terminator
    std::uint32_t virtualAddress = 0;
};

struct CraftedImage {
    std::uint32_t ntOffset = 0xF0;
    std::uint16_t magic = 0x20B;
    std::size_t sectionTable = 0xF0 + 0x108;  // where the entries are written
    std::vector<CraftedSection> sections;
    int claimedSections = -1;  // the count the header states; -1 for the number of entries
    std::size_t size = 1024;
};

inline void StoreLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width && offset + i < bytes.size(); ++i, value >>= 8)
        bytes[offset + i] = static_cast<std::uint8_t>(value);
}

inline std::vector<std::uint8_t> CraftImageHeader(const CraftedImage& image) {
    std::vector<std::uint8_t> bytes(image.size, 0);
    StoreLittleEndian(bytes, 0, 0x5A4D, 2);
    StoreLittleEndian(bytes, 0x3C, image.ntOffset, 4);
    const std::size_t count = image.claimedSections >= 0 ? static_cast<std::size_t>(image.claimedSections) : image.sections.size();
    StoreLittleEndian(bytes, image.ntOffset + 6, count, 2);
    StoreLittleEndian(bytes, image.ntOffset + 0x18, image.magic, 2);
    for (std::size_t i = 0; i < image.sections.size(); ++i) {
        const std::size_t entry = image.sectionTable + i * 40;
        for (std::size_t c = 0; c < image.sections[i].name.size() && c < 8; ++c)
            StoreLittleEndian(bytes, entry + c, static_cast<unsigned char>(image.sections[i].name[c]), 1);
        StoreLittleEndian(bytes, entry + 8, 0x1000, 4);  // virtual size: not read, but not zero either
        StoreLittleEndian(bytes, entry + 12, image.sections[i].virtualAddress, 4);
    }
    return bytes;
}

}  // namespace quarry::test
