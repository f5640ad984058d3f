// Names for the regions of a loaded image: "Header" at the image base and each section's
// name at the address where the section begins, read from the image's first bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "memmap/address_table.h"

namespace quarry {

// How much of an image's start the walk reads; every field parsed lies inside it.
inline constexpr std::size_t kImageHeaderReadSize = 1024;

// Turns a section name's bytes (at most 8, cut at the first zero) into text.
using SectionNameDecoder = std::function<std::u16string(std::string_view)>;

// Adds the image's entries to `sections`: "Header" at `imageBase` whenever `header` begins
// with the DOS signature, then one entry for each complete section entry that lies inside
// `header`, later entries replacing earlier ones at the same address. Nothing but "Header" is
// added when the NT headers lie outside `header` or their magic is neither the 32-bit nor the
// 64-bit one. Returns whether the DOS signature was found.
bool ParseImageSections(std::uint64_t imageBase, std::span<const std::uint8_t> header, SectionTable& sections,
                        const SectionNameDecoder& decodeName);

}  // namespace quarry
