// The Find command, F3 and the search they run, for the main window: they work on its
// tree-list, its remembered find text and its content pane (through `showRow`).
#pragma once

#include <windows.h>

#include <string>

#include "app/row_commands.h"
#include "treelist/tree_list_view.h"

namespace quarry {

// Selects and shows the next row after the selection that contains `text`, or tells the
// user ("Cannot find item text", owned by `owner`) and leaves the selection as it is.
void FindNext(HWND owner, CTreeListView& treeList, const std::wstring& text, const RowSelector& selectAndShow);

// Find (menu): the Find dialog; once it is confirmed, FindNext with the focus in the rows.
void FindCommand(HWND owner, CTreeListView& treeList, std::wstring& findText, const RowSelector& selectAndShow);

// F3: FindNext with the remembered text, or the Find command while there is none.
void FindNextCommand(HWND owner, CTreeListView& treeList, std::wstring& findText,
                     const RowSelector& selectAndShow);

}  // namespace quarry
