// Texts made from one row's cells for the row commands: Copy's clipboard text and the
// shape of a Details text that names a file by a drive-letter path. Platform-neutral.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quarry {

// Copy builds each cell in a buffer of this many units: opening quote, text, closing quote
// and terminator. So a cell is read with a capacity of kCopyBufferSize - 2 (text and
// terminator) and holds at most kCopyBufferSize - 3 characters.
inline constexpr int kCopyBufferSize = 1024;
inline constexpr int kCopyCellCapacity = kCopyBufferSize - 2;

// Reads a cell's terminated text into `buffer` (at most `capacity` units, terminator
// included); false for an unset cell or one that does not fit, leaving the buffer alone.
using CellReader = std::function<bool(int column, char16_t* buffer, int capacity)>;

// The cells of columns 0 to columnCount - 1, each in double quotes, joined by single commas.
// Cells that cannot be read (never set, or longer than the copy buffer holds) are left out
// with their comma; quotes inside a cell stay as they are.
std::u16string RowCopyText(int columnCount, const CellReader& readCell);

// The textual part of the file test: longer than two characters with ':' second, as in
// "C:\...". Whether the file exists is for the caller to ask.
bool HasDrivePathShape(std::u16string_view details);

}  // namespace quarry
