#include "app/find_commands.h"

#include "app/find_dlg.h"
#include "treelist/tree_list_search.h"

namespace quarry {
namespace {

// The focus goes to the tree so that the found row is the focused selection and the arrow
// keys move on from it.
void FindNextAndFocusTree(HWND owner, CTreeListView& treeList, const std::wstring& text, const RowShower& showRow) {
    FindNext(owner, treeList, text, showRow);
    SetFocus(treeList.TreeWindow());
}

}  // namespace

void FindNext(HWND owner, CTreeListView& treeList, const std::wstring& text, const RowShower& showRow) {
    const HTREEITEM found = FindNextRow(treeList, text.c_str());
    if (!found) {
        MessageBoxW(owner, L"Cannot find item text", L"", MB_ICONINFORMATION);
        return;
    }
    // Selecting expands a collapsed parent and scrolls the row into view. The selection
    // counts as the program's and empties the pane, hence the explicit showing.
    SendMessageW(treeList.TreeWindow(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(found));
    showRow(found);
}

void FindCommand(HWND owner, CTreeListView& treeList, std::wstring& findText, const RowShower& showRow) {
    CFindDlg dialog;
    if (dialog.DoModal(owner, findText) == IDOK) FindNextAndFocusTree(owner, treeList, findText, showRow);
}

void FindNextCommand(HWND owner, CTreeListView& treeList, std::wstring& findText, const RowShower& showRow) {
    if (findText.empty()) {
        FindCommand(owner, treeList, findText, showRow);
        return;
    }
    FindNextAndFocusTree(owner, treeList, findText, showRow);
}

}  // namespace quarry
