// The content pane's text: the hex dump's lines verbatim, and what the pane shows for a row
// read through the scripted system.
#include <gtest/gtest.h>

#include "content/content_pane.h"
#include "content/hex_dump.h"
#include "support/memmap_scripted_system.h"

namespace quarry {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::u16string Dump(const Bytes& bytes, std::uint64_t base) {
    std::u16string text = u"previous text is replaced";
    FormatHexDump(bytes.data(), static_cast<std::uint32_t>(bytes.size()), base, text);
    return text;
}

const std::u16string kBlankLine = std::u16string(82, u' ') + u"\r\n";

TEST(HexDump, WritesSixteenBytesALineThenAClosingLineWithTheRest) {
    const Bytes hello = {'H', 'e', 'l', 'l', 'o', ',', ' ', 'W', 'o', 'r', 'l', 'd', '!', 0, 1, 2, 'a', 'b', ' ', 'c'};
    const Bytes digits = {'0', '9', 'A', 'Z', 'a', 'z', '/', ':', '@', '[', '`', '{', 0x7F, 0x80, 0xFF, ' ', '5', 0xC3, 'q', '~', 9, 10, 13, 'X', 0x20};
    const struct {
        Bytes bytes;
        std::uint64_t base;
        std::u16string text;
    } cases[] = {
        {hello, 0x10000,
         u"0000000000010000    48 65 6C 6C 6F 2C 20 57 - 6F 72 6C 64 21 00 01 02   Hello. World....\r\n"
         u"0000000000010010    61 62 20 63             -                           ab c                        \r\n"},
        {digits, 0xFFFFFFFFFFFFFFF8,
         u"FFFFFFFFFFFFFFF8    30 39 41 5A 61 7A 2F 3A - 40 5B 60 7B 7F 80 FF 20   09AZaz......... \r\n"
         u"0000000000000008    35 C3 71 7E 09 0A 0D 58 - 20                        5.q....X               \r\n"},
        {Bytes(16, 'A'), 0, u"0000000000000000    41 41 41 41 41 41 41 41 - 41 41 41 41 41 41 41 41   AAAAAAAAAAAAAAAA\r\n" + kBlankLine},
        {{}, 0x1000, kBlankLine},
    };
    for (const auto& c : cases) EXPECT_EQ(Dump(c.bytes, c.base), c.text);
}

constexpr std::uint64_t kAllocation = 0x3A0000000;

TEST(ContentPane, ShowsOnePageFromTheRowsAddressOrTheMessage) {
    test::ScriptedTargetSystem memory;
    Bytes block(0x10000);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 13);
    memory.AddRegion(kAllocation, kAllocation, block.size(), kMemCommit, 0x04, kMemPrivate);
    memory.memory[kAllocation] = block;
    Bytes page(4096, 0xEE);

    // A region row inside the allocation: its own address, not the allocation's base.
    const std::u16string text = RowMemoryText(memory, kAllocation + 0x2000, page);
    EXPECT_EQ(text.substr(0, 90), u"00000003A0002000    00 0D 1A 27 34 41 4E 5B - 68 75 82 8F 9C A9 B6 C3   ....4AN.hu......\r\n");
    EXPECT_EQ(text, Dump(Bytes(block.begin() + 0x2000, block.begin() + 0x3000), kAllocation + 0x2000));

    EXPECT_EQ(RowMemoryText(memory, kAllocation + 0xF800, page), kReadFailedText);  // half a page left
}

}  // namespace
}  // namespace quarry
