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
    ASSERT_TRUE(store.InsertRow(kRow, kColumns, u"00400000"));
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

    ASSERT_TRUE(store.InsertRow(kRow + 16, kColumns, nullptr));
    EXPECT_EQ(Read(store, kRow + 16, 0), u"");
}

TEST(CellStore, ColumnsOutsideTheHeaderOrTheRowFailAndChangeNothing) {
    CellStore store;
    ASSERT_TRUE(store.InsertRow(kRow, kColumns, u"row"));
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
    ASSERT_TRUE(store.InsertRow(kRow, kColumns, u"abc"));
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
    EXPECT_FALSE(store.InsertRow(kNoRow, kColumns, u"x"));
    EXPECT_FALSE(store.InsertRow(kRow, 0, u"x"));
    EXPECT_FALSE(store.SetRowColor(kRow, 0xDCFADC));  // adds nothing
    EXPECT_EQ(store.GetRowColor(kRow), 0xFFFFFFu);
    EXPECT_EQ(store.RowCount(), 0u);

    ASSERT_TRUE(store.InsertRow(kRow, kColumns, u"first"));
    EXPECT_EQ(store.GetRowColor(kRow), 0xFFFFFFu);
    ASSERT_TRUE(store.SetRowColor(kRow, 0xDCDCFA));
    ASSERT_TRUE(store.SetCellText(kRow, 6, kColumns, u"a text that moves the row to a new block"));
    EXPECT_EQ(store.GetRowColor(kRow), 0xDCDCFAu);
    ASSERT_TRUE(store.InsertRow(kRow, 2, u"second"));
    EXPECT_EQ(store.RowCount(), 1u);
    EXPECT_EQ(ReadRow(store, kRow), (std::vector<std::u16string>{u"second", kNone}));
    EXPECT_EQ(store.GetRowColor(kRow), 0xFFFFFFu);
}

TEST(CellStore, ManyColumnsKeepTheirOwnSetFlags) {
    constexpr int kWide = 40;
    CellStore store;
    ASSERT_TRUE(store.InsertRow(kRow, kWide, u"zero"));
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
        ASSERT_TRUE(store.InsertRow(row, kColumns, textOf(row).c_str()));
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
    ASSERT_TRUE(store.InsertRow(rows[5], kColumns, u"again"));
    EXPECT_EQ(Read(store, rows[5], 0), u"again");
}

}  // namespace
}  // namespace quarry
