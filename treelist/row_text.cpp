#include "treelist/row_text.h"

#include <algorithm>
#include <array>

namespace quarry {

std::u16string RowCopyText(int columnCount, const CellReader& readCell) {
    std::u16string text;
    std::array<char16_t, kCopyBufferSize> cell{};
    for (int column = 0; column < columnCount; ++column) {
        cell[0] = u'"';
        // The capacity keeps one unit free behind the text's terminator for the closing quote.
        if (!readCell(column, cell.data() + 1, kCopyCellCapacity)) continue;
        const auto textEnd = std::find(cell.begin() + 1, cell.begin() + 1 + kCopyCellCapacity, u'\0');
        if (textEnd == cell.begin() + 1 + kCopyCellCapacity) continue;  // a reader that broke its word
        if (!text.empty()) text += u',';
        text.append(cell.begin(), textEnd);
        text += u'"';
    }
    return text;
}

bool HasDrivePathShape(std::u16string_view details) { return details.size() > 2 && details[1] == u':'; }

}  // namespace quarry
