// The tree-list's own record of its rows, keyed by row handle: each row's cells, colour and
// value, and where it stands in the tree (parent, children, next sibling). Platform-neutral:
// the window passes in its column count, and asks the record rather than the tree-view for
// anything about the rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "memmap/row_writer.h"

namespace quarry {

// Colour (0x00BBGGRR) of a new row, and the answer for a row the store does not hold.
inline constexpr std::uint32_t kDefaultRowColour = 0xFFFFFF;
// The text on every row's pale colour, and on the content pane that takes it: dark whatever
// the system's theme, whose own text colour may be light.
inline constexpr std::uint32_t kRowTextColour = 0x000000;

class CellStore {
public:
    // Adds the row under `parent` (kNoRow: top level), right after its sibling `previous`
    // (kNoRow: as the first child): `cellCount` unset cells, then cell 0 set to `text` (null:
    // empty), colour white, value 0. The cell count never changes afterwards. A handle met
    // before keeps its place and gets fresh cells. False, storing nothing, for no row, no
    // cells, a parent not held, or a `previous` that is not a child of `parent`.
    bool InsertRow(RowHandle row, int cellCount, const char16_t* text, RowHandle parent, RowHandle previous);
    // As the last child of `parent`.
    bool AppendRow(RowHandle row, int cellCount, const char16_t* text, RowHandle parent) {
        return InsertRow(row, cellCount, text, parent, LastChild(parent));
    }

    // `headerCount` is the tree-list's column count. Both fail for a row not held, a
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

    // The address a row stands for; 0 for a row not held. False, storing nothing, for a row
    // not held.
    bool SetRowValue(RowHandle row, std::uint64_t value);
    std::uint64_t RowValue(RowHandle row) const;

    // Where a row stands; kNoRow where there is none or the row is not held. The children
    // of kNoRow are the top-level rows.
    RowHandle Parent(RowHandle row) const;
    RowHandle FirstChild(RowHandle parent) const;
    RowHandle LastChild(RowHandle parent) const;
    RowHandle NextSibling(RowHandle row) const;
    bool Holds(RowHandle row) const { return Find(row) != nullptr; }

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

    RowHandle Link(RowHandle row, std::size_t at) const;
    void SetLink(RowHandle row, std::size_t at, RowHandle to);

    std::vector<Slot> slots_;
    std::size_t rowCount_ = 0;
    RowHandle firstTopLevel_ = kNoRow;
    RowHandle lastTopLevel_ = kNoRow;
};

}  // namespace quarry
