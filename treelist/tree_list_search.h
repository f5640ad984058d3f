// Find's operations on the real tree-list: the rows and cells of a CTreeListView seen as a
// SearchTree, with the platform's case-insensitive substring search.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "treelist/search_order.h"
#include "treelist/tree_list_view.h"

namespace quarry {

class TreeListRows : public SearchTree {
public:
    explicit TreeListRows(CTreeListView& treeList) : treeList_(treeList), tree_(treeList.TreeWindow()) {}

    RowHandle FirstTopLevelRow() const override;
    RowHandle Parent(RowHandle row) const override;
    RowHandle FirstChild(RowHandle row) const override;
    RowHandle NextSibling(RowHandle row) const override;
    bool HasChildren(RowHandle row) const override;
    bool RowContainsText(RowHandle row, const char16_t* text) const override;

private:
    RowHandle Next(RowHandle row, UINT relation) const;

    CTreeListView& treeList_;
    HWND tree_;
};

// True when a set cell of `row` contains `text` (StrStrIW); false for a row with no cells.
bool RowContainsText(CTreeListView& treeList, HTREEITEM row, const wchar_t* text);

// FindRow over the tree-list's rows; see search_order.h.
HTREEITEM FindRow(CTreeListView& treeList, HTREEITEM start, const wchar_t* text, AncestorStack& ancestors,
                  bool skipFirst);

// The next row after the selected one (or from the top when none is) that contains `text`;
// null when none does.
HTREEITEM FindNextRow(CTreeListView& treeList, const wchar_t* text);

}  // namespace quarry
