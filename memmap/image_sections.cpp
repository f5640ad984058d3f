#include "memmap/image_sections.h"

#include <algorithm>
#include <optional>

#include "memmap/little_endian.h"

namespace quarry {
namespace {

constexpr std::uint16_t kDosSignature = 0x5A4D;
constexpr std::size_t kNtHeaderOffsetField = 0x3C;
constexpr std::size_t kSectionCountField = 6;    // from the NT headers
constexpr std::size_t kMagicField = 0x18;        // from the NT headers
constexpr std::uint16_t kMagic32 = 0x10B;
constexpr std::uint16_t kMagic64 = 0x20B;
// Signature, file header and the fixed-size optional header of each kind; the size that the
// file header records is deliberately not used.
constexpr std::uint64_t kSectionTable32 = 0xF8;
constexpr std::uint64_t kSectionTable64 = 0x108;
constexpr std::size_t kSectionEntrySize = 40;
constexpr std::size_t kSectionNameSize = 8;
constexpr std::size_t kSectionAddressField = 12;

struct SectionTableSpan {
    std::size_t offset = 0;
    std::size_t count = 0;  // only the entries that lie wholly inside the bytes read
};

std::optional<SectionTableSpan> LocateSectionTable(std::span<const std::uint8_t> header) {
    if (header.size() < kNtHeaderOffsetField + 4) return std::nullopt;
    const auto ntOffset = static_cast<std::int32_t>(Load32(header, kNtHeaderOffsetField));
    if (ntOffset < 0) return std::nullopt;
    // 64-bit sums: a 31-bit offset plus a field offset cannot wrap.
    const std::uint64_t nt = static_cast<std::uint64_t>(ntOffset);
    if (nt + kMagicField + 2 > header.size()) return std::nullopt;
    const std::uint16_t magic = Load16(header, nt + kMagicField);
    std::uint64_t table = 0;
    if (magic == kMagic32)
        table = nt + kSectionTable32;
    else if (magic == kMagic64)
        table = nt + kSectionTable64;
    else
        return std::nullopt;
    const std::size_t claimed = Load16(header, nt + kSectionCountField);
    const std::size_t fitting = table < header.size() ? (header.size() - table) / kSectionEntrySize : 0;
    return SectionTableSpan{static_cast<std::size_t>(table), std::min(claimed, fitting)};
}

std::string_view SectionName(std::span<const std::uint8_t> entry) {
    const auto* name = reinterpret_cast<const char*>(entry.data());
    const auto length = std::find(name, name + kSectionNameSize, '\0') - name;
    return {name, static_cast<std::size_t>(length)};
}

}  // namespace

bool ParseImageSections(std::uint64_t imageBase, std::span<const std::uint8_t> header, SectionTable& sections,
                        const SectionNameDecoder& decodeName) {
    if (header.size() < 2 || Load16(header, 0) != kDosSignature) return false;
    sections.Set(imageBase, u"Header");
    const std::optional<SectionTableSpan> table = LocateSectionTable(header);
    if (!table) return true;
    for (std::size_t i = 0; i < table->count; ++i) {
        const auto entry = header.subspan(table->offset + i * kSectionEntrySize, kSectionEntrySize);
        sections.Set(imageBase + Load32(entry, kSectionAddressField), decodeName(SectionName(entry)));
    }
    return true;
}

}  // namespace quarry
