#include "treelist/search_order.h"

#include <algorithm>

#include "text/ascii.h"

namespace quarry {

std::unique_ptr<CaseFoldTable> AsciiCaseFold() {
    auto fold = std::make_unique<CaseFoldTable>();
    for (std::size_t unit = 0; unit < fold->size(); ++unit)
        (*fold)[unit] = FoldAsciiCase(static_cast<char16_t>(unit));
    return fold;
}

bool ContainsFolded(std::u16string_view cell, std::u16string_view text, const CaseFoldTable& fold) {
    if (text.size() > cell.size()) return false;
    for (std::size_t at = 0; at + text.size() <= cell.size(); ++at) {
        std::size_t matched = 0;
        while (matched < text.size() && fold[cell[at + matched]] == fold[text[matched]]) ++matched;
        if (matched == text.size()) return true;
    }
    return false;
}

bool StoreRows::RowContainsText(RowHandle row, const char16_t* text) const {
    // A row not held has no cells and never matches; unset cells are passed by.
    for (int column = 0, cells = store_.CellCount(row); column < cells; ++column) {
        const char16_t* cell = store_.CellText(row, column);
        if (cell && ContainsFolded(cell, text, fold_)) return true;
    }
    return false;
}

RowHandle FindRow(const SearchTree& tree, RowHandle start, const char16_t* text, AncestorStack& ancestors,
                  bool skipFirst) {
    if (start == kNoRow) return kNoRow;
    int remaining = skipFirst ? 2 : 1;
    RowHandle current = start;
    for (;;) {
        if (tree.RowContainsText(current, text) && --remaining == 0) return current;
        if (tree.HasChildren(current)) {
            ancestors.push_back(current);
            current = tree.FirstChild(current);
            // A row that claims children but yields none is left like a row without them.
            if (current != kNoRow) continue;
            current = ancestors.back();
            ancestors.pop_back();
        }
        current = tree.NextSibling(current);
        while (current == kNoRow) {
            if (ancestors.empty()) return kNoRow;
            current = tree.NextSibling(ancestors.back());
            ancestors.pop_back();
        }
    }
}

RowHandle FindNextRow(const SearchTree& tree, RowHandle selected, const char16_t* text) {
    AncestorStack ancestors;
    if (selected == kNoRow) return FindRow(tree, tree.FirstTopLevelRow(), text, ancestors, false);

    const bool skipFirst = tree.RowContainsText(selected, text);
    // Where a walk from the first top-level row would stand on reaching the selected row.
    for (RowHandle up = tree.Parent(selected); up != kNoRow; up = tree.Parent(up)) ancestors.push_back(up);
    std::reverse(ancestors.begin(), ancestors.end());
    return FindRow(tree, selected, text, ancestors, skipFirst);
}

}  // namespace quarry
