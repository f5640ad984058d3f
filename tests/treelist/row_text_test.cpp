// Copy's clipboard text from a row's cells, the shape of a Details text that names a file,
// and the arithmetic of the tree-list's horizontal scrolling.
#include <gtest/gtest.h>

#include "treelist/horizontal_scroll.h"
#include "treelist/row_text.h"

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

TEST(HasDrivePathShape, WantsMoreThanTwoCharactersWithAColonSecond) {
    EXPECT_TRUE(HasDrivePathShape(u"C:\\windows\\system32\\kernel32.dll"));
    EXPECT_TRUE(HasDrivePathShape(u"z:x"));
    for (const char16_t* no : {u"", u"C:", u"\\Device\\HarddiskVolume1\\a.dll", u".text", u"C;\\a"})
        EXPECT_FALSE(HasDrivePathShape(no));
}

TEST(HorizontalScroll, EveryCodeStaysWhereTheScrollBarCanShowIt) {
    constexpr int kTotal = 715, kPage = 500;  // the main window's seven columns
    const struct {
        int code, position, thumb, max, page, expected;
    } cases[] = {
        {kScrollLineLeft, 10, 0, kTotal, kPage, 4},      {kScrollLineLeft, 3, 0, kTotal, kPage, 0},
        {kScrollLineRight, 212, 0, kTotal, kPage, 216},  // max - page + 1
        {kScrollPageLeft, 600, 0, kTotal, kPage, 100},   {kScrollPageRight, 100, 0, kTotal, kPage, 216},
        {kScrollToLeft, 150, 0, kTotal, kPage, 0},       {kScrollToRight, 0, 0, kTotal, kPage, 216},
        {8, 123, 0, kTotal, kPage, 123},                 // end of scrolling keeps the position
        {kScrollThumbTrack, 0, 150, kTotal, kPage, 150}, {kScrollThumbPosition, 0, 300, kTotal, kPage, 216},
        {kScrollThumbTrack, 0, 800, kTotal, 0, kTotal},  {kScrollThumbTrack, 0, 0x8000, 40000, kPage, 0},  // 16 bits, signed
        {kScrollToRight, 0, 0, 0, 800, 0},               {kScrollLineLeft, 40, 0, 0, 800, 0},  // columns that fit
    };
    for (const auto& c : cases)
        EXPECT_EQ(NewScrollPosition(c.code, static_cast<std::uint16_t>(c.thumb), c.position, c.max, c.page), c.expected)
            << c.code << " from " << c.position;
    EXPECT_TRUE(NeedsHorizontalScrollBar(kTotal, 500));
    EXPECT_FALSE(NeedsHorizontalScrollBar(kTotal, kTotal));
    // After a resize the last column ends at the right edge, left of the vertical scroll bar.
    EXPECT_EQ(PulledBackScrollPosition(500, 16, 100, kTotal), 100);
    EXPECT_EQ(PulledBackScrollPosition(600, 16, 216, kTotal), 131);
    EXPECT_EQ(PulledBackScrollPosition(1000, 16, 216, kTotal), 0);
}

}  // namespace
}  // namespace quarry
