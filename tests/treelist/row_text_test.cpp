// Copy's clipboard text from a row's cells, and the shape of a Details text that the file
// test accepts.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "treelist/row_text.h"

namespace quarry {
namespace {

using Cells = std::vector<std::optional<std::u16string>>;  // nullopt: never set

// Reads like the tree-list: whole texts that fit, or nothing.
CellReader ReaderOf(const Cells& cells, std::vector<int>* capacities = nullptr) {
    return [&cells, capacities](int column, char16_t* buffer, int capacity) {
        if (capacities) capacities->push_back(capacity);
        const auto& cell = cells.at(static_cast<std::size_t>(column));
        if (!cell || cell->size() + 1 > static_cast<std::size_t>(capacity)) return false;
        std::copy(cell->c_str(), cell->c_str() + cell->size() + 1, buffer);
        return true;
    };
}

std::u16string CopyText(const Cells& cells) { return RowCopyText(static_cast<int>(cells.size()), ReaderOf(cells)); }

TEST(RowCopyText, QuotesSetCellsJoinsThemWithCommasAndLeavesUnsetCellsOut) {
    EXPECT_EQ(CopyText({u"0000000000400000", u"Image", u"12 KB", u"12 KB", u"Read", u"3", u"C:\\a\\app.exe"}),
              u"\"0000000000400000\",\"Image\",\"12 KB\",\"12 KB\",\"Read\",\"3\",\"C:\\a\\app.exe\"");
    // Unset cells anywhere, the first among them: no empty quotes, no doubled comma.
    EXPECT_EQ(CopyText({{}, u"Private", {}, u"4 KB", {}, {}, {}}), u"\"Private\",\"4 KB\"");
    // A cell set to the empty text is a pair of quotes with nothing between.
    EXPECT_EQ(CopyText({u"00600000", u"", u"Heap"}), u"\"00600000\",\"\",\"Heap\"");
    // Quotes inside a cell are not escaped.
    EXPECT_EQ(CopyText({u"say \"hi\"", u"\""}), u"\"say \"hi\"\",\"\"\"");
    EXPECT_EQ(CopyText({{}, {}, {}}), u"");
    EXPECT_EQ(RowCopyText(0, ReaderOf({})), u"");
}

TEST(RowCopyText, TakesCellsUpTo1021CharactersAndLeavesLongerOnesOut) {
    const std::u16string longest(1021, u'x');
    const std::u16string tooLong(1022, u'y');
    std::vector<int> capacities;
    const Cells cells{u"a", longest, tooLong, std::u16string(5000, u'z'), u"b"};
    const std::u16string text = RowCopyText(static_cast<int>(cells.size()), ReaderOf(cells, &capacities));
    EXPECT_EQ(text, u"\"a\",\"" + longest + u"\",\"b\"");
    // Room for the text and its terminator, with the closing quote still inside the buffer.
    EXPECT_EQ(capacities, std::vector<int>(cells.size(), 1022));
}

TEST(RowCopyText, IgnoresAReaderThatLeavesItsTextUnterminated) {
    const CellReader filler = [](int column, char16_t* buffer, int capacity) {
        std::fill(buffer, buffer + capacity, column == 0 ? u'!' : u'\0');
        return true;
    };
    EXPECT_EQ(RowCopyText(2, filler), u"\"\"");
}

TEST(HasDrivePathShape, WantsMoreThanTwoCharactersWithAColonSecond) {
    EXPECT_TRUE(HasDrivePathShape(u"C:\\windows\\system32\\kernel32.dll"));
    EXPECT_TRUE(HasDrivePathShape(u"z:x"));
    for (const char16_t* no : {u"", u"C", u"C:", u"\\Device\\HarddiskVolume1\\a.dll", u".text", u"Heap 0 (LFH)",
                               u"Thread 1234 stack", u"::", u"C;\\a"})
        EXPECT_FALSE(HasDrivePathShape(no)) << std::string(no, no + std::char_traits<char16_t>::length(no));
}

}  // namespace
}  // namespace quarry
