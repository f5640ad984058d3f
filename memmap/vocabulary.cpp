#include "memmap/vocabulary.h"

#include <array>

#include "text/numbers.h"

namespace quarry {
namespace {

struct ProtectEntry {
    std::uint32_t pageProtect;
    ProtectFlags flags;
};

// Whole-value matches: modifier bits are deliberately not split off.
constexpr std::array<ProtectEntry, 12> kProtectTable{{
    {0x001, kNoAccess},
    {0x002, kRead},
    {0x004, kRead | kWrite},
    {0x008, kRead | kWriteCopy},
    {0x010, kExecute},
    {0x020, kExecute | kRead},
    {0x040, kExecute | kRead | kWrite},
    {0x080, kExecute | kWriteCopy},
    {0x100, kGuard},
    {0x104, kGuard | kRead | kWrite},  // a thread stack's guard page
    {0x200, kNoCache},
    {0x400, kWriteCombine},
}};

struct FlagWord {
    ProtectFlag flag;
    const char16_t* word;
};

// Display order, which is not the order of the flag values.
constexpr std::array<FlagWord, 8> kWordOrder{{
    {kNoAccess, u"NoAccess"},
    {kGuard, u"Guard"},
    {kExecute, u"Execute"},
    {kRead, u"Read"},
    {kWrite, u"Write"},
    {kWriteCopy, u"WriteCopy"},
    {kNoCache, u"NoCache"},
    {kWriteCombine, u"WriteCombine"},
}};

}  // namespace

ProtectFlags ProtectToFlags(std::uint32_t pageProtect) {
    for (const ProtectEntry& entry : kProtectTable)
        if (entry.pageProtect == pageProtect) return entry.flags;
    return 0;
}

std::u16string FlagsToText(ProtectFlags flags) {
    if ((flags & 0xFF) == 0) return u"Reserved";
    std::u16string text;
    for (const FlagWord& entry : kWordOrder) {
        if ((flags & entry.flag) == 0) continue;
        if (!text.empty()) text += u'/';
        text += entry.word;
    }
    return text;
}

std::u16string TypeText(std::uint32_t type) {
    switch (type) {
        case kMemPrivate: return u"Private";
        case kMemMapped: return u"Mapped";
        case kMemImage: return u"Image";
        default: break;
    }
    std::u16string text = u"Unknown [";
    AppendHex(text, type, 8);
    text += u']';
    return text;
}

Colour TypeColour(std::uint32_t type) {
    switch (type) {
        case kMemPrivate: return kColourPrivate;
        case kMemMapped: return kColourMapped;
        case kMemImage: return kColourImage;
        default: return kColourWhite;
    }
}

}  // namespace quarry
