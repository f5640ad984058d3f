// The walk's output: the memory map builder writes its rows through this interface, so it
// runs against the window's tree-list, QuarryMap's recorder and a test's stand-in alike.
#pragma once

#include <cstdint>

namespace quarry {

// A row as its writer names it (the tree-list's verbs take and give its tree items); 0 means
// no row. The walk only hands a handle back to the writer that gave it.
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
