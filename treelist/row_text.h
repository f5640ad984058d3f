// Texts made from one row's cells for the row commands: Copy's clipboard text and the
// shape of a Details text that names a file by a drive-letter path. Platform-neutral.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quarry {

// A cell of Copy's text fits a buffer of this many units: opening quote, text, closing quote
// and terminator. So a cell is read with a capacity of kCopyBufferSize - 2 (text and
// terminator) and holds at most kCopyBufferSize - 3 characters.
inline constexpr int kCopyBufferSize = 1024;
inline constexpr int kCopyCellCapacity = kCopyBufferSize - 2;

// Reads a cell's terminated text into `buffer` (at most `capacity` units, terminator
// included); false for an unset cell or one that does not fit, leaving the buffer alone.
using CellReader = std::function<bool(int column, char16_t* buffer, int capacity)>;

// One row as a list, the one rule for Copy and QuarryMap alike: each set cell, an empty one
// too, in double quotes, joined by single commas; an unset cell (nullopt) is left out with
// its comma; quotes inside a cell stay as they are.
std::u16string QuotedCells(std::span<const std::optional<std::u16string>> cells);

// The QuotedCells of columns 0 to columnCount - 1; a cell that cannot be read (never set,
// or longer than the copy buffer holds) counts as unset.
std::u16string RowCopyText(int columnCount, const CellReader& readCell);

// The textual part of the file test: longer than two characters with ':' second, as in
// "C:\...". Whether the file exists is for the caller to ask.
bool HasDrivePathShape(std::u16string_view details);

}  // namespace quarry
