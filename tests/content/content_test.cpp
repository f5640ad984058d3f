// The content pane's text: the hex dump's lines verbatim, and what the pane shows for a row
// read through the scripted system, which records every read.
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

// Against a target that would give the bytes of any page: the page at the row's own address,
// only where every page of it may be read, and the message elsewhere.
TEST(ContentPane, ShowsOnePageFromTheRowsAddressWhereTheReadRuleAllowsOrTheMessage) {
    using S = test::StackShaped;
    test::ScriptedTargetSystem target = S::Target();
    Bytes page(4096, 0xEE);
    const std::pair<std::uint64_t, bool> rows[] = {
        {S::kBase, false}, {S::kNoAccess, false}, {S::kGuard, false}, {S::kReadWrite, true},
        {S::kReadWrite + 0x1000, true},  // a region row's own address, past its allocation's base
        {S::kReadWrite + 0x1800, true},  // across the boundary into the read-only page
        {S::kGuard + 0x800, false},      // from the guard page into the read-write one
        {S::kReadOnly + 0x800, false},   // from the read-only page into the guard page after it
    };
    for (const auto& [address, readable] : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << address);
        EXPECT_EQ(RowMemoryText(target, address, page), readable ? Dump(test::PatternAt(address, 4096), address) : kReadFailedText);
    }
    EXPECT_EQ(target.reads.size(), 3u);
    EXPECT_TRUE(S::OnlyReadablePagesRead(target));
}

}  // namespace
}  // namespace quarry
