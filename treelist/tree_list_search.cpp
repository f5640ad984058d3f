#include "treelist/tree_list_search.h"

#include <shlwapi.h>

namespace quarry {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "cell texts are shared with the core as UTF-16");

RowHandle ToRowHandle(HTREEITEM item) { return reinterpret_cast<RowHandle>(item); }
HTREEITEM ToTreeItem(RowHandle row) { return reinterpret_cast<HTREEITEM>(row); }
const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
const char16_t* AsUtf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

}  // namespace

RowHandle TreeListRows::Next(RowHandle row, UINT relation) const {
    return static_cast<RowHandle>(SendMessageW(tree_, TVM_GETNEXTITEM, relation, static_cast<LPARAM>(row)));
}

RowHandle TreeListRows::FirstTopLevelRow() const { return Next(kNoRow, TVGN_ROOT); }
RowHandle TreeListRows::Parent(RowHandle row) const { return Next(row, TVGN_PARENT); }
RowHandle TreeListRows::FirstChild(RowHandle row) const { return Next(row, TVGN_CHILD); }
RowHandle TreeListRows::NextSibling(RowHandle row) const { return Next(row, TVGN_NEXT); }

bool TreeListRows::HasChildren(RowHandle row) const {
    TVITEMW item{};
    item.mask = TVIF_CHILDREN;
    item.hItem = ToTreeItem(row);
    return SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) && item.cChildren != 0;
}

bool TreeListRows::RowContainsText(RowHandle row, const char16_t* text) const {
    return quarry::RowContainsText(treeList_, ToTreeItem(row), AsWide(text));
}

bool RowContainsText(CTreeListView& treeList, HTREEITEM row, const wchar_t* text) {
    // In place: GetCellText would ask the header for its count and copy the text, which for
    // every cell of every row is most of a search's time.
    const int cells = treeList.CellCount(row);
    for (int column = 0; column < cells; ++column) {
        const wchar_t* cell = treeList.CellText(row, column);
        if (cell && StrStrIW(cell, text)) return true;  // unset cells are passed by
    }
    return false;
}

HTREEITEM FindRow(CTreeListView& treeList, HTREEITEM start, const wchar_t* text, AncestorStack& ancestors,
                  bool skipFirst) {
    return ToTreeItem(FindRow(TreeListRows(treeList), ToRowHandle(start), AsUtf16(text), ancestors, skipFirst));
}

HTREEITEM FindNextRow(CTreeListView& treeList, const wchar_t* text) {
    const auto selected =
        static_cast<RowHandle>(SendMessageW(treeList.TreeWindow(), TVM_GETNEXTITEM, TVGN_CARET, 0));
    return ToTreeItem(FindNextRow(TreeListRows(treeList), selected, AsUtf16(text)));
}

}  // namespace quarry
