// How rows get into a tree-list: the memory map builder writes through this interface,
// so it runs against the real window and against a recording stand-in alike.
#pragma once

#include <cstdint>

namespace quarry {

// A row of the tree-list (the inner tree's item handle); 0 means no row.
using RowHandle = std::uintptr_t;
inline constexpr RowHandle kNoRow = 0;

class RowWriter {
public:
    virtual ~RowWriter() = default;

    // Rows are hidden while a whole tree is written, so nothing repaints per row.
    virtual void SetRowsVisible(bool visible) = 0;
    // Appends a row (top level when `parent` is kNoRow) with `text` in cell 0; kNoRow on failure.
    virtual RowHandle InsertRow(const char16_t* text, RowHandle parent) = 0;
    // The row value: the address a row stands for.
    virtual void SetRowValue(RowHandle row, std::uint64_t value) = 0;
    virtual bool SetCellText(RowHandle row, int column, const char16_t* text) = 0;
    // Colour as 0x00BBGGRR.
    virtual bool SetRowColor(RowHandle row, std::uint32_t colour) = 0;
};

}  // namespace quarry
