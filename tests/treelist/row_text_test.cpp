// Copy's clipboard text from a row's cells.
#include "treelist/row_text.h"

#include <gtest/gtest.h>

namespace quarry {
namespace {

using Cells = std::vector<std::optional<std::u16string>>;  // nullopt: never set

// Reads like the tree-list: whole texts that fit, or nothing.
std::u16string CopyText(const Cells& cells) {
    return RowCopyText(static_cast<int>(cells.size()), [&cells](int column, char16_t* buffer, int capacity) {
        const auto& cell = cells[static_cast<std::size_t>(column)];
        if (!cell || cell->size() + 1 > static_cast<std::size_t>(capacity)) return false;
        std::copy(cell->c_str(), cell->c_str() + cell->size() + 1, buffer);
        return true;
    });
}

TEST(RowCopyText, QuotesSetCellsJoinsThemWithCommasAndLeavesOutUnsetAndOverlongOnes) {
    const std::u16string longest(1021, u'x');
    const std::vector<std::pair<Cells, std::u16string>> cases = {
        {{u"0000000000400000", u"Image", u"12 KB", u"12 KB", u"Read", u"3", u"C:\\a\\app.exe"},
         u"\"0000000000400000\",\"Image\",\"12 KB\",\"12 KB\",\"Read\",\"3\",\"C:\\a\\app.exe\""},
        {{{}, u"Private", {}, u"4 KB", {}, {}, {}}, u"\"Private\",\"4 KB\""},
        {{u"00600000", u"", u"Heap"}, u"\"00600000\",\"\",\"Heap\""},
        {{u"say \"hi\"", u"\""}, u"\"say \"hi\"\",\"\"\""},  // quotes are not escaped
        {{{}, {}}, u""},
        {{u"a", longest, std::u16string(1022, u'y'), u"b"}, u"\"a\",\"" + longest + u"\",\"b\""},
    };
    for (const auto& [cells, text] : cases) EXPECT_EQ(CopyText(cells), text);
}

}  // namespace
}  // namespace quarry
