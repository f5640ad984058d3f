// The tree-list's record of its rows: cells, colours, values and places in the tree, read
// back whole after changes that move a row's cells to a new block.
#include "treelist/cell_store.h"

#include <gtest/gtest.h>

namespace quarry {
namespace {

constexpr int kColumns = 7;
constexpr RowHandle kRow = 0x7F3A1020;
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
    CellStore store;
    ASSERT_TRUE(store.AppendRow(kRow, kColumns, u"00400000", kNoRow));
    ASSERT_TRUE(store.SetRowColor(kRow, 0xDCDCFA));
    EXPECT_TRUE(store.SetCellText(kRow, 4, kColumns, u"Read/Write"));
    EXPECT_TRUE(store.SetCellText(kRow, 2, kColumns, nullptr));  // set, and empty
    EXPECT_TRUE(store.SetCellText(kRow, 6, kColumns, u"C:\\windows\\system32\\kernel32.dll"));
    EXPECT_TRUE(store.SetCellText(kRow, 4, kColumns, u"Read"));    // shorter
    EXPECT_TRUE(store.SetCellText(kRow, 2, kColumns, u"Mapped"));  // longer
    EXPECT_TRUE(store.SetCellText(kRow, 2, kColumns, u"Images"));  // as long
    EXPECT_TRUE(store.SetCellText(kRow, 0, kColumns, u"changed"));
    EXPECT_TRUE(store.SetCellText(kRow, 5, kColumns, store.CellText(kRow, 0)));  // its own text
    // Outside the header's columns or the row's own, or no such row: refused, nothing changes.
    EXPECT_FALSE(store.SetCellText(kRow, kColumns, kColumns + 1, u"x"));
    EXPECT_FALSE(store.SetCellText(kRow, -1, kColumns, u"x"));
    EXPECT_FALSE(store.SetCellText(kRow, 1, 1, u"x"));
    EXPECT_FALSE(store.SetCellText(kRow + 8, 1, kColumns, u"x"));
    EXPECT_EQ(ReadRow(store, kRow), (std::vector<std::u16string>{u"changed", kUnset, u"Images", kUnset, u"Read",
                                                                 u"changed", u"C:\\windows\\system32\\kernel32.dll"}));
    EXPECT_EQ(store.GetRowColor(kRow), 0xDCDCFAu);
    EXPECT_EQ(Read(store, kRow, 6, 6), kUnset);  // a header of fewer columns hides the cell

    // The copy command's capacity against a text of 1023 characters: whole, or nothing.
    const std::u16string longText(1023, u'x');
    ASSERT_TRUE(store.SetCellText(kRow, 3, kColumns, longText.c_str()));
    EXPECT_EQ(Read(store, kRow, 3, kColumns, 1023), kUnset);
    EXPECT_EQ(Read(store, kRow, 3, kColumns, 1024), longText);

    ASSERT_TRUE(store.AppendRow(kRow + 16, kColumns, nullptr, kNoRow));
    EXPECT_EQ(Read(store, kRow + 16, 0), u"");
}

// The record in pre-order, as Find walks it, each row named by cell 0.
std::u16string PreOrder(const CellStore& store, RowHandle parent = kNoRow) {
    std::u16string walked;
    for (RowHandle row = store.FirstChild(parent); row != kNoRow; row = store.NextSibling(row)) {
        EXPECT_EQ(store.Parent(row), parent);
        walked += store.CellText(row, 0) + PreOrder(store, row);
    }
    return walked;
}

TEST(CellStore, RowsKeepTheirPlaceValueAndColourUntilAllAreDeleted) {
    CellStore store;
    const RowHandle a = 0x100000010, b = 0x200000010, a1 = 0x10, a0 = 0x40, a2 = 0x50, b1 = 0x60;  // low halves alike
    ASSERT_TRUE(store.AppendRow(a, kColumns, u"a", kNoRow));
    ASSERT_TRUE(store.AppendRow(b, kColumns, u"b", kNoRow));
    ASSERT_TRUE(store.AppendRow(a1, kColumns, u"1", a));
    ASSERT_TRUE(store.InsertRow(a0, kColumns, u"0", a, kNoRow));  // first child
    ASSERT_TRUE(store.InsertRow(a2, kColumns, u"2", a, a1));      // after a1, now last
    ASSERT_TRUE(store.AppendRow(b1, kColumns, u"x", b));
    for (RowHandle row = 0x1000; row < 0x1000 + 1000 * 48; row += 48) ASSERT_TRUE(store.AppendRow(row, 2, u"", b1));
    EXPECT_FALSE(store.AppendRow(0x70, kColumns, u"?", 0x80));    // parent not held
    EXPECT_FALSE(store.InsertRow(0x70, kColumns, u"?", b, a1));   // sibling of another parent
    EXPECT_FALSE(store.AppendRow(0x70, 0, u"?", kNoRow));         // no cells
    EXPECT_FALSE(store.SetRowColor(0x70, 1));
    EXPECT_EQ(store.RowCount(), 1006u);

    ASSERT_TRUE(store.SetRowValue(a1, 0x7FFE'0000'1000));
    ASSERT_TRUE(store.SetRowColor(a1, 0xDCFADC));
    ASSERT_TRUE(store.SetCellText(a1, 6, kColumns, u"a text long enough to need a new block"));
    ASSERT_TRUE(store.AppendRow(b, kColumns, u"B", kNoRow));  // a handle met before: fresh cells, same place
    EXPECT_EQ(store.RowValue(a1), 0x7FFE'0000'1000u);
    EXPECT_EQ(store.GetRowColor(a1), 0xDCFADCu);
    EXPECT_EQ(store.RowValue(a0), 0u);
    EXPECT_EQ(PreOrder(store), u"a012Bx");
    EXPECT_EQ(store.LastChild(a), a2);

    store.DeleteAllRows();
    EXPECT_EQ(store.RowCount(), 0u);
    EXPECT_EQ(store.FirstChild(kNoRow), kNoRow);
    EXPECT_EQ(Read(store, a1, 0), kUnset);
    EXPECT_EQ(store.GetRowColor(a1), 0xFFFFFFu);
    EXPECT_EQ(store.RowValue(a1), 0u);
    ASSERT_TRUE(store.AppendRow(a1, kColumns, u"again", kNoRow));
    EXPECT_EQ(ReadRow(store, a1), (std::vector<std::u16string>{u"again", kUnset, kUnset, kUnset, kUnset, kUnset, kUnset}));
}

}  // namespace
}  // namespace quarry
