#include "content/hex_dump.h"

#include <gtest/gtest.h>

#include <vector>

namespace quarry {
namespace {

std::u16string Dump(const std::vector<std::uint8_t>& bytes, std::uint64_t base) {
    std::u16string text = u"previous text is replaced";
    FormatHexDump(bytes.data(), static_cast<std::uint32_t>(bytes.size()), base, text);
    return text;
}

std::u16string Spaces(std::size_t n) { return std::u16string(n, u' '); }

std::size_t CountLineEnds(const std::u16string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find(u"\r\n"); at != std::u16string::npos; at = text.find(u"\r\n", at + 2)) ++count;
    return count;
}

TEST(HexDump, WorkedExampleVerbatim) {
    std::vector<std::uint8_t> bytes = {0x48, 0x65, 0x6C, 0x6C, 0x6F, 0x2C, 0x20, 0x57, 0x6F, 0x72,
                                       0x6C, 0x64, 0x21, 0x00, 0x01, 0x02, 0x61, 0x62, 0x20, 0x63};
    const std::u16string first =
        u"0000000000010000    48 65 6C 6C 6F 2C 20 57 - 6F 72 6C 64 21 00 01 02   Hello. World....\r\n";
    const std::u16string closing = u"0000000000010010    61 62 20 63 " + Spaces(12) + u"- " + Spaces(24) + u"  " +
                                   u"ab c" + Spaces(24) + u"\r\n";
    const std::u16string text = Dump(bytes, 0x10000);
    EXPECT_EQ(text, first + closing);
    EXPECT_EQ(first.size(), 90u);
    EXPECT_EQ(closing.size(), 102u);  // 100 visible characters and the line end
}

TEST(HexDump, EmptyAndWholeLineInputsEndWithABlankLine) {
    const std::u16string blank = Spaces(82) + u"\r\n";
    EXPECT_EQ(Dump({}, 0x1000), blank);
    // A null buffer with length 0 is what a caller passes after a read of nothing.
    std::u16string text;
    FormatHexDump(nullptr, 0, 0, text);
    EXPECT_EQ(text, blank);

    std::vector<std::uint8_t> sixteen(16, 0x41);
    const std::u16string dump = Dump(sixteen, 0);
    EXPECT_EQ(dump.substr(90), blank);
    EXPECT_EQ(dump.substr(0, 20), u"0000000000000000    ");
}

TEST(HexDump, OnePageHasTheExpectedShape) {
    std::vector<std::uint8_t> page(4096);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(i);
    const std::u16string text = Dump(page, 0x7FFE0000);
    EXPECT_EQ(text.size(), 23124u);
    EXPECT_EQ(CountLineEnds(text), 257u);
    EXPECT_EQ(text.substr(0, 16), u"000000007FFE0000");
    // Line 255 holds bytes F0..FF at base + 0xFF0.
    const std::u16string last = text.substr(255 * 90, 90);
    EXPECT_EQ(last, u"000000007FFE0FF0    F0 F1 F2 F3 F4 F5 F6 F7 - F8 F9 FA FB FC FD FE FF   "
                    u"................\r\n");
    EXPECT_EQ(text.substr(256 * 90), Spaces(82) + u"\r\n");
}

TEST(HexDump, ClosingLineLengthFollowsTheRemainder) {
    for (std::uint32_t r = 1; r < 16; ++r) {
        std::vector<std::uint8_t> bytes(32 + r, 0x7A);
        const std::u16string text = Dump(bytes, 0);
        ASSERT_EQ(text.size(), 2 * 90 + 106 - r) << r;
        const std::u16string closing = text.substr(180);
        EXPECT_EQ(closing.substr(0, 16), u"0000000000000020");
        // The separator always stands after the eighth slot.
        EXPECT_EQ(closing.substr(20 + 24, 2), u"- ") << r;
        EXPECT_EQ(closing.substr(closing.size() - 2), u"\r\n");
    }
}

TEST(HexDump, OnlyLettersDigitsAndSpaceShowAsThemselves) {
    std::vector<std::uint8_t> all(256);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint8_t>(i);
    const std::u16string text = Dump(all, 0);
    for (std::size_t value = 0; value < 256; ++value) {
        const char16_t shown = text[(value / 16) * 90 + 72 + value % 16];
        const bool itself = (value >= '0' && value <= '9') || (value >= 'a' && value <= 'z') ||
                            (value >= 'A' && value <= 'Z') || value == ' ';
        EXPECT_EQ(shown, itself ? char16_t(value) : u'.') << value;
    }
}

TEST(HexDump, AddressesWrapAtTheTopOfTheAddressSpace) {
    std::vector<std::uint8_t> bytes(20, 0);
    const std::u16string text = Dump(bytes, 0xFFFFFFFFFFFFFFF8ull);
    EXPECT_EQ(text.substr(0, 16), u"FFFFFFFFFFFFFFF8");
    EXPECT_EQ(text.substr(90, 16), u"0000000000000008");
}

}  // namespace
}  // namespace quarry
