#include "treelist/row_text.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quarry {

std::u16string QuotedCells(std::span<const std::optional<std::u16string>> cells) {
    std::u16string text;
    for (const std::optional<std::u16string>& cell : cells) {
        if (!cell) continue;
        if (!text.empty()) text += u',';
        text += u'"' + *cell + u'"';
    }
    return text;
}

std::u16string RowCopyText(int columnCount, const CellReader& readCell) {
    std::vector<std::optional<std::u16string>> cells(static_cast<std::size_t>(std::max(columnCount, 0)));
    std::array<char16_t, kCopyCellCapacity> buffer{};
    for (int column = 0; column < columnCount; ++column) {
        if (!readCell(column, buffer.data(), kCopyCellCapacity)) continue;
        const auto textEnd = std::find(buffer.begin(), buffer.end(), u'\0');
        if (textEnd == buffer.end()) continue;  // a reader that broke its word
        cells[static_cast<std::size_t>(column)] = std::u16string(buffer.begin(), textEnd);
    }
    return QuotedCells(cells);
}

bool HasDrivePathShape(std::u16string_view details) { return details.size() > 2 && details[1] == u':'; }

}  // namespace quarry
