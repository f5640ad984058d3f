#include "memmap/vocabulary.h"

#include <gtest/gtest.h>

namespace quarry {
namespace {

struct ProtectCase {
    std::uint32_t pageProtect;
    const char16_t* text;
};

TEST(Vocabulary, EveryProtectionValueHasItsText) {
    const ProtectCase cases[] = {
        {0x001, u"NoAccess"},        {0x002, u"Read"},
        {0x004, u"Read/Write"},      {0x008, u"Read/WriteCopy"},
        {0x010, u"Execute"},         {0x020, u"Execute/Read"},
        {0x040, u"Execute/Read/Write"}, {0x080, u"Execute/WriteCopy"},
        {0x100, u"Guard"},           {0x104, u"Guard/Read/Write"},
        {0x200, u"NoCache"},         {0x400, u"WriteCombine"},
        // Reserved regions and modifier combinations other than the stack guard page.
        {0x000, u"Reserved"},        {0x102, u"Reserved"},
        {0x204, u"Reserved"},        {0x404, u"Reserved"},
        {0x140, u"Reserved"},        {0x003, u"Reserved"},
        {0xFFFFFFFF, u"Reserved"},
    };
    for (const ProtectCase& c : cases)
        EXPECT_EQ(FlagsToText(ProtectToFlags(c.pageProtect)), c.text) << std::hex << c.pageProtect;
}

TEST(Vocabulary, FlagUnionsAreSpelledInDisplayOrder) {
    EXPECT_EQ(FlagsToText(kNoAccess | kRead), u"NoAccess/Read");
    EXPECT_EQ(FlagsToText(kGuard | kExecute | kRead), u"Guard/Execute/Read");
    EXPECT_EQ(FlagsToText(ProtectToFlags(0x20) | ProtectToFlags(0x04) | ProtectToFlags(0x80)),
              u"Execute/Read/Write/WriteCopy");
    const std::u16string all = FlagsToText(0xFF);
    EXPECT_EQ(all, u"NoAccess/Guard/Execute/Read/Write/WriteCopy/NoCache/WriteCombine");
    EXPECT_EQ(all.size(), 64u);
    // Bits outside the eight flags name nothing.
    EXPECT_EQ(FlagsToText(0x100), u"Reserved");
}

TEST(Vocabulary, TypesHaveTextsAndColours) {
    EXPECT_EQ(TypeText(0x20000), u"Private");
    EXPECT_EQ(TypeText(0x40000), u"Mapped");
    EXPECT_EQ(TypeText(0x1000000), u"Image");
    EXPECT_EQ(TypeText(0x80000), u"Unknown [00080000]");
    EXPECT_EQ(TypeText(0), u"Unknown [00000000]");
    EXPECT_EQ(TypeText(0xABCDEF12), u"Unknown [ABCDEF12]");

    EXPECT_EQ(TypeColour(0x20000), 0xDCFADCu);
    EXPECT_EQ(TypeColour(0x40000), 0xFADCDCu);
    EXPECT_EQ(TypeColour(0x1000000), 0xDCDCFAu);
    EXPECT_EQ(TypeColour(0x80000), 0xFFFFFFu);
    EXPECT_EQ(TypeColour(0), 0xFFFFFFu);
}

}  // namespace
}  // namespace quarry
