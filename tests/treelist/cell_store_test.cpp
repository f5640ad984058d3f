// The tree-list's record of its rows: cells, colours and values, read back whole after
// changes that move a row's cells to a new block. Find's search order walks their places;
// emptying it is the row record's test.
#include "treelist/cell_store.h"

#include <gtest/gtest.h>

namespace quarry {
namespace {

constexpr int kColumns = 7;
const std::u16string kUnset = u"<unset>";

// What GetCellText copies, or kUnset; a failed read must leave the buffer alone.
std::u16string Read(const CellStore& store, RowHandle row, int column, int headerCount = kColumns, int capacity = 1024) {
    std::vector<char16_t> buffer(1024, u'#');
    if (store.GetCellText(row, column, headerCount, buffer.data(), capacity)) return buffer.data();
    EXPECT_EQ(buffer[0], u'#');
    return kUnset;
}

std::vector<std::u16string> ReadRow(const CellStore& store, RowHandle row) {
    std::vector<std::u16string> cells;
    for (int column = 0; column < store.CellCount(row); ++column) cells.push_back(Read(store, row, column));
    return cells;
}

TEST(CellStore, CellsHoldWhatWasSetAndNothingElse) {
    constexpr RowHandle kRow = 0x7F3A1020;
    CellStore store;
    ASSERT_TRUE(store.AppendRow(kRow, kColumns, u"00400000", kNoRow));
    EXPECT_TRUE(store.SetCellText(kRow, 4, kColumns, u"Read/Write"));
    EXPECT_TRUE(store.SetCellText(kRow, 2, kColumns, nullptr));  // set, and empty
    EXPECT_TRUE(store.SetCellText(kRow, 6, kColumns, u"C:\\windows\\system32\\kernel32.dll"));
    EXPECT_TRUE(store.SetCellText(kRow, 4, kColumns, u"Read"));    // shorter
    EXPECT_TRUE(store.SetCellText(kRow, 2, kColumns, u"Mapped"));  // longer
    EXPECT_TRUE(store.SetCellText(kRow, 2, kColumns, u"Images"));  // as long
    EXPECT_TRUE(store.SetCellText(kRow, 0, kColumns, u"changed"));
    EXPECT_TRUE(store.SetCellText(kRow, 5, kColumns, store.CellText(kRow, 0)));  // its own text
    // Past the row's cells (a column added later): refused, nothing changes.
    EXPECT_FALSE(store.SetCellText(kRow, kColumns, kColumns + 1, u"x"));
    EXPECT_EQ(ReadRow(store, kRow), (std::vector<std::u16string>{u"changed", kUnset, u"Images", kUnset, u"Read",
                                                                 u"changed", u"C:\\windows\\system32\\kernel32.dll"}));

    // The copy command's capacity against a text of 1023 characters: whole, or nothing.
    const std::u16string longText(1023, u'x');
    ASSERT_TRUE(store.SetCellText(kRow, 3, kColumns, longText.c_str()));
    EXPECT_EQ(Read(store, kRow, 3, kColumns, 1023), kUnset);
    EXPECT_EQ(Read(store, kRow, 3, kColumns, 1024), longText);
}

TEST(CellStore, RowsKeepTheirValueAndColourAmongHandlesAlike) {
    CellStore store;
    const RowHandle a = 0x100000010, b = 0x200000010, a1 = 0x10, a2 = 0x50, b1 = 0x60;  // low halves alike
    ASSERT_TRUE(store.AppendRow(a, kColumns, u"a", kNoRow));
    ASSERT_TRUE(store.AppendRow(b, kColumns, u"b", kNoRow));
    ASSERT_TRUE(store.AppendRow(a1, kColumns, u"1", a));
    ASSERT_TRUE(store.AppendRow(a2, kColumns, u"2", a));
    ASSERT_TRUE(store.AppendRow(b1, kColumns, u"x", b));
    for (RowHandle row = 0x1000; row < 0x1000 + 1000 * 48; row += 48) ASSERT_TRUE(store.AppendRow(row, 2, u"", b1));
    EXPECT_EQ(store.RowCount(), 1005u);
    ASSERT_TRUE(store.SetRowValue(a1, 0x7FFE'0000'1000));
    ASSERT_TRUE(store.SetRowColor(a1, 0xDCFADC));
    ASSERT_TRUE(store.SetCellText(a1, 6, kColumns, u"a text long enough to need a new block"));
    EXPECT_EQ(store.RowValue(a1), 0x7FFE'0000'1000u);
    EXPECT_EQ(store.GetRowColor(a1), 0xDCFADCu);
}

}  // namespace
}  // namespace quarry
