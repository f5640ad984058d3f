// The pane's text for a row, read through a scripted process: one page at the row's address
// whatever the region's size, or the fixed message.
#include "content/content_pane.h"

#include <gtest/gtest.h>

#include <vector>

#include "content/hex_dump.h"
#include "memmap/scripted_process_memory.h"

namespace quarry {
namespace {

using test::ScriptedProcessMemory;
using Reads = std::vector<std::pair<std::uint64_t, std::size_t>>;

constexpr std::uint64_t kRow = 0x3A0000000;

std::u16string DumpOf(const std::vector<std::uint8_t>& bytes, std::uint64_t base) {
    std::u16string text;
    FormatHexDump(bytes.data(), static_cast<std::uint32_t>(bytes.size()), base, text);
    return text;
}

TEST(ContentPaneText, DumpsOnePageFromTheRowsAddressWhateverTheRegionSize) {
    ScriptedProcessMemory memory;
    std::vector<std::uint8_t> block(0x10000);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 13);
    memory.memory[kRow] = block;
    std::vector<std::uint8_t> page(4096, 0xEE);

    const std::u16string text = RowMemoryText(memory, kRow + 0x2000, page);
    EXPECT_EQ(memory.reads, (Reads{{kRow + 0x2000, 4096}}));
    EXPECT_EQ(text, DumpOf({block.begin() + 0x2000, block.begin() + 0x3000}, kRow + 0x2000));
    EXPECT_EQ(text.substr(0, 16), u"00000003A0002000");
    EXPECT_EQ(text.size(), 23124u);
}

TEST(ContentPaneText, AFailedReadShowsTheMessageAndAnEmptyReadTheBlankLine) {
    ScriptedProcessMemory memory;
    std::vector<std::uint8_t> page(4096);
    EXPECT_EQ(RowMemoryText(memory, kRow, page), u"Failed to read process memory");
    memory.emptyReads = {kRow};
    EXPECT_EQ(RowMemoryText(memory, kRow, page), DumpOf({}, kRow));
}

}  // namespace
}  // namespace quarry
