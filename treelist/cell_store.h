// The cells and colours behind the tree-list's rows, keyed by row handle. Platform-neutral:
// the window asks the header for its item count and passes it in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "treelist/row_writer.h"

namespace quarry {

// Colour (0x00BBGGRR) of a new row, and the answer for a row the store does not hold.
inline constexpr std::uint32_t kDefaultRowColour = 0xFFFFFF;

class CellStore {
public:
    // Adds the row, or replaces the entry of a handle met before: `cellCount` unset cells,
    // then cell 0 set to `text` (null: empty), colour white. The cell count never changes
    // afterwards. False, storing nothing, for no row or no cells.
    bool InsertRow(RowHandle row, int cellCount, const char16_t* text);

    // `headerCount` is the header's current item count. Both fail for a row not held, a
    // column at or beyond the header's count, or a column outside the row's own cells.
    bool SetCellText(RowHandle row, int column, int headerCount, const char16_t* text);
    // Also false for an unset cell, and when the text with its terminator does not fit
    // `capacity` units: then nothing is copied, rather than half a text.
    bool GetCellText(RowHandle row, int column, int headerCount, char16_t* buffer, int capacity) const;

    // A set cell's text, terminated, valid until the row's next change; null otherwise.
    const char16_t* CellText(RowHandle row, int column) const;
    // 0 for a row not held.
    int CellCount(RowHandle row) const;

    // False, adding nothing, for a row not held.
    bool SetRowColor(RowHandle row, std::uint32_t colour);
    std::uint32_t GetRowColor(RowHandle row) const;

    // Frees every row and gives the table's memory back.
    void DeleteAllRows();
    std::size_t RowCount() const { return rowCount_; }

private:
    // Open addressing on the handle's low 32 bits. Rows are only ever removed all at once,
    // so an empty slot (kNoRow) always ends a probe.
    struct Slot {
        RowHandle row = kNoRow;
        std::unique_ptr<char16_t[]> cells;  // one block per row; layout in cell_store.cpp
    };

    const Slot* Find(RowHandle row) const;
    Slot* Find(RowHandle row);
    Slot& FindOrAdd(RowHandle row);
    void Grow();

    std::vector<Slot> slots_;
    std::size_t rowCount_ = 0;
};

}  // namespace quarry
