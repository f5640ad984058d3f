#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "treelist/cell_store.h"

namespace quarry {
namespace {

constexpr int kColumns = 7;
constexpr RowHandle kRow = 0x7F3A1020;
const std::u16string kNone = u"<none>";

// What GetCellText copies, or kNone; a failed read must leave the buffer alone.
std::u16string Read(const CellStore& store, RowHandle row, int column, int headerCount = kColumns,
                    int capacity = 1024) {
    std::vector<char16_t> buffer(1024, u'#');
    if (store.GetCellText(row, column, headerCount, buffer.data(), capacity)) return buffer.data();
    EXPECT_EQ(buffer[0], u'#');
    return kNone;
}

std::vector<std::u16string> ReadRow(const CellStore& store, RowHandle row) {
    std::vector<std::u16string> cells;
    for (int column = 0; column < store.CellCount(row); ++column) cells.push_back(Read(store, row, column));
    return cells;
}

TEST(CellStore, CellsHoldWhatWasSetAndNothingElse) {
    CellStore store;
    ASSERT_TRUE(store.AppendRow(kRow, kColumns, u"00400000", kNoRow));
    EXPECT_EQ(ReadRow(store, kRow),
              (std::vector<std::u16string>{u"00400000", kNone, kNone, kNone, kNone, kNone, kNone}));

    EXPECT_TRUE(store.SetCellText(kRow, 4, kColumns, u"Read/Write"));
    EXPECT_TRUE(store.SetCellText(kRow, 2, kColumns, nullptr));  // set, and empty
    EXPECT_TRUE(store.SetCellText(kRow, 6, kColumns, u"C:\\windows\\system32\\kernel32.dll"));
    EXPECT_TRUE(store.SetCellText(kRow, 4, kColumns, u"Read"));     // shorter
    EXPECT_TRUE(store.SetCellText(kRow, 2, kColumns, u"Mapped"));  // longer
    EXPECT_TRUE(store.SetCellText(kRow, 2, kColumns, u"Images"));  // same length
    EXPECT_TRUE(store.SetCellText(kRow, 0, kColumns, u"changed"));
    // A text read from the store may go straight back into it.
    EXPECT_TRUE(store.SetCellText(kRow, 4, kColumns, store.CellText(kRow, 4)));
    EXPECT_TRUE(store.SetCellText(kRow, 5, kColumns, store.CellText(kRow, 0)));
    EXPECT_EQ(ReadRow(store, kRow), (std::vector<std::u16string>{u"changed", kNone, u"Images", kNone, u"Read",
                                                                 u"changed", u"C:\\windows\\system32\\kernel32.dll"}));

    ASSERT_TRUE(store.AppendRow(kRow + 16, kColumns, nullptr, kNoRow));
    EXPECT_EQ(Read(store, kRow + 16, 0), u"");
}

TEST(CellStore, ColumnsOutsideTheHeaderOrTheRowFailAndChangeNothing) {
    CellStore store;
    ASSERT_TRUE(store.AppendRow(kRow, kColumns, u"row", kNoRow));
    EXPECT_FALSE(store.SetCellText(kRow, kColumns, kColumns, u"x"));      // at the header's count
    EXPECT_FALSE(store.SetCellText(kRow, kColumns, kColumns + 1, u"x"));  // a column added after the row
    EXPECT_FALSE(store.SetCellText(kRow, -1, kColumns, u"x"));
    EXPECT_FALSE(store.SetCellText(kRow + 8, 1, kColumns, u"x"));  // a row not held
    EXPECT_FALSE(store.SetCellText(kNoRow, 1, kColumns, u"x"));
    EXPECT_EQ(Read(store, kRow, kColumns, kColumns + 1), kNone);
    EXPECT_EQ(Read(store, kRow, -1), kNone);
    // The row has cell 1; a header of one column hides it.
    EXPECT_FALSE(store.SetCellText(kRow, 1, 1, u"x"));
    ASSERT_TRUE(store.SetCellText(kRow, 1, kColumns, u"Image"));
    EXPECT_EQ(Read(store, kRow, 1, 1), kNone);
    EXPECT_EQ(ReadRow(store, kRow), (std::vector<std::u16string>{u"row", u"Image", kNone, kNone, kNone, kNone, kNone}));
}

TEST(CellStore, TextThatDoesNotFitWithItsTerminatorIsNotCopied) {
    CellStore store;
    ASSERT_TRUE(store.AppendRow(kRow, kColumns, u"abc", kNoRow));
    EXPECT_EQ(Read(store, kRow, 0, kColumns, 4), u"abc");
    EXPECT_EQ(Read(store, kRow, 0, kColumns, 3), kNone);
    EXPECT_EQ(Read(store, kRow, 0, kColumns, 0), kNone);
    EXPECT_FALSE(store.GetCellText(kRow, 0, kColumns, nullptr, 1024));
    // The copy command's capacity of 1023 against a text of 1023 characters.
    const std::u16string longText(1023, u'x');
    ASSERT_TRUE(store.SetCellText(kRow, 6, kColumns, longText.c_str()));
    EXPECT_EQ(Read(store, kRow, 6, kColumns, 1023), kNone);
    EXPECT_EQ(Read(store, kRow, 6, kColumns, 1024), longText);
}

TEST(CellStore, InsertRefusesRowsWithoutCellsAndRenewsAKnownHandleAndItsColour) {
    CellStore store;
    EXPECT_FALSE(store.AppendRow(kNoRow, kColumns, u"x", kNoRow));
    EXPECT_FALSE(store.AppendRow(kRow, 0, u"x", kNoRow));
    EXPECT_FALSE(store.SetRowColor(kRow, 0xDCFADC));  // adds nothing
    EXPECT_EQ(store.GetRowColor(kRow), 0xFFFFFFu);
    EXPECT_EQ(store.RowCount(), 0u);

    ASSERT_TRUE(store.AppendRow(kRow, kColumns, u"first", kNoRow));
    EXPECT_EQ(store.GetRowColor(kRow), 0xFFFFFFu);
    ASSERT_TRUE(store.SetRowColor(kRow, 0xDCDCFA));
    ASSERT_TRUE(store.SetCellText(kRow, 6, kColumns, u"a text that moves the row to a new block"));
    EXPECT_EQ(store.GetRowColor(kRow), 0xDCDCFAu);
    ASSERT_TRUE(store.AppendRow(kRow, 2, u"second", kNoRow));
    EXPECT_EQ(store.RowCount(), 1u);
    EXPECT_EQ(ReadRow(store, kRow), (std::vector<std::u16string>{u"second", kNone}));
    EXPECT_EQ(store.GetRowColor(kRow), 0xFFFFFFu);
}

TEST(CellStore, ManyColumnsKeepTheirOwnSetFlags) {
    constexpr int kWide = 40;
    CellStore store;
    ASSERT_TRUE(store.AppendRow(kRow, kWide, u"zero", kNoRow));
    for (int column : {15, 16, 17, 39}) ASSERT_TRUE(store.SetCellText(kRow, column, kWide, u"set"));
    std::vector<int> setColumns;
    for (int column = 0; column < kWide; ++column)
        if (store.CellText(kRow, column)) setColumns.push_back(column);
    EXPECT_EQ(setColumns, (std::vector<int>{0, 15, 16, 17, 39}));
}

TEST(CellStore, DeleteAllRowsMakesEveryLookupFailAndTheStoreUsableAgain) {
    // Aligned addresses like real item handles, and handles that share their low 32 bits.
    std::vector<RowHandle> rows{0x100000010, 0x200000010, 0x10};
    for (RowHandle i = 0; i < 1000; ++i) rows.push_back(0x1E0000 + i * 48);
    const auto textOf = [](RowHandle row) { return std::u16string(u"row ") + static_cast<char16_t>(u'0' + row % 10); };

    CellStore store;
    for (RowHandle row : rows) {
        ASSERT_TRUE(store.AppendRow(row, kColumns, textOf(row).c_str(), kNoRow));
        ASSERT_TRUE(store.SetRowColor(row, static_cast<std::uint32_t>(row & 0xFFFFFF)));
    }
    EXPECT_EQ(store.RowCount(), rows.size());
    for (RowHandle row : rows) {
        EXPECT_EQ(Read(store, row, 0), textOf(row));
        EXPECT_EQ(store.GetRowColor(row), row & 0xFFFFFF);
    }

    store.DeleteAllRows();
    EXPECT_EQ(store.RowCount(), 0u);
    for (RowHandle row : rows) {
        EXPECT_EQ(Read(store, row, 0), kNone);
        EXPECT_FALSE(store.SetCellText(row, 1, kColumns, u"x"));
        EXPECT_FALSE(store.SetRowColor(row, 0));
        EXPECT_EQ(store.GetRowColor(row), 0xFFFFFFu);
    }
    ASSERT_TRUE(store.AppendRow(rows[5], kColumns, u"again", kNoRow));
    EXPECT_EQ(Read(store, rows[5], 0), u"again");
}

// Walks the record in pre-order, as Find does, naming each row by cell 0.
std::u16string PreOrder(const CellStore& store, RowHandle parent = kNoRow) {
    std::u16string walked;
    for (RowHandle row = store.FirstChild(parent); row != kNoRow; row = store.NextSibling(row)) {
        EXPECT_EQ(store.Parent(row), parent);
        walked += store.CellText(row, 0);
        walked += PreOrder(store, row);
    }
    return walked;
}

TEST(CellStore, TheRecordKeepsEachRowsPlaceAndValueThroughCellChanges) {
    CellStore store;
    const RowHandle a = 0x10, b = 0x20, a1 = 0x30, a0 = 0x40, a2 = 0x50, b1 = 0x60;
    ASSERT_TRUE(store.AppendRow(a, kColumns, u"a", kNoRow));
    ASSERT_TRUE(store.AppendRow(b, kColumns, u"b", kNoRow));
    ASSERT_TRUE(store.AppendRow(a1, kColumns, u"1", a));
    ASSERT_TRUE(store.InsertRow(a0, kColumns, u"0", a, kNoRow));  // first child
    ASSERT_TRUE(store.InsertRow(a2, kColumns, u"2", a, a1));      // after a1, now last
    ASSERT_TRUE(store.AppendRow(b1, kColumns, u"x", b));
    EXPECT_EQ(PreOrder(store), u"a012bx");
    EXPECT_EQ(store.LastChild(a), a2);
    EXPECT_EQ(store.LastChild(kNoRow), b);

    // A parent not held, or a sibling of another parent, cannot place a row.
    EXPECT_FALSE(store.AppendRow(0x70, kColumns, u"?", 0x80));
    EXPECT_FALSE(store.InsertRow(0x70, kColumns, u"?", b, a1));
    EXPECT_FALSE(store.Holds(0x70));

    // Values and places survive cells that move the row to a new block, and a renewed handle.
    ASSERT_TRUE(store.SetRowValue(a1, 0x7FFE'0000'1000));
    ASSERT_TRUE(store.SetCellText(a1, 6, kColumns, u"a text long enough to need a new block"));
    ASSERT_TRUE(store.AppendRow(b, kColumns, u"B", kNoRow));
    EXPECT_EQ(store.RowValue(a1), 0x7FFE'0000'1000u);
    EXPECT_EQ(store.RowValue(a0), 0u);
    EXPECT_EQ(PreOrder(store), u"a012Bx");
    EXPECT_FALSE(store.SetRowValue(0x70, 1));
    EXPECT_EQ(store.RowValue(0x70), 0u);

    store.DeleteAllRows();
    EXPECT_EQ(store.FirstChild(kNoRow), kNoRow);
    EXPECT_EQ(store.RowValue(a1), 0u);
}

}  // namespace
}  // namespace quarry
