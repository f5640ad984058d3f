// Words and colours that describe a region: the Protect and Type column texts and the
// row colour. Platform-neutral: the Windows constants are restated here by value.
#pragma once

#include <cstdint>
#include <string>

namespace quarry {

// The program's own protection set; its values are not the system's PAGE_* values.
enum ProtectFlag : std::uint32_t {
    kNoAccess = 0x01,
    kRead = 0x02,
    kWrite = 0x04,
    kExecute = 0x08,
    kWriteCopy = 0x10,
    kGuard = 0x20,
    kNoCache = 0x40,
    kWriteCombine = 0x80,
};
using ProtectFlags = std::uint32_t;

inline constexpr std::uint32_t kMemPrivate = 0x20000;
inline constexpr std::uint32_t kMemMapped = 0x40000;
inline constexpr std::uint32_t kMemImage = 0x1000000;

// Colours as 0x00BBGGRR.
using Colour = std::uint32_t;
inline constexpr Colour kColourPrivate = 0xDCFADC;
inline constexpr Colour kColourMapped = 0xFADCDC;
inline constexpr Colour kColourImage = 0xDCDCFA;
inline constexpr Colour kColourWhite = 0xFFFFFF;

// Only whole values of the protection table convert; any other value (0 for a reserved
// region, modifier combinations other than guard with read-write) is the empty set.
ProtectFlags ProtectToFlags(std::uint32_t pageProtect);

// "Reserved" for the empty set, otherwise the words joined by "/" in display order.
// Returned by value, so callers need not copy out of a shared buffer.
std::u16string FlagsToText(ProtectFlags flags);

// "Private", "Mapped", "Image" or "Unknown [XXXXXXXX]".
std::u16string TypeText(std::uint32_t type);

Colour TypeColour(std::uint32_t type);

}  // namespace quarry
