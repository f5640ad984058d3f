#include "app/find_commands.h"

#include "app/find_dlg.h"
#include "framework/message_box.h"

namespace quarry {
namespace {

// The focus goes to the rows so that the found row is the focused selection and the arrow
// keys move on from it.
void FindNextAndFocusRows(HWND owner, CTreeListView& treeList, const std::wstring& text,
                          const RowSelector& selectAndShow) {
    FindNext(owner, treeList, text, selectAndShow);
    treeList.FocusRows();
}

}  // namespace

void FindNext(HWND owner, CTreeListView& treeList, const std::wstring& text, const RowSelector& selectAndShow) {
    const HTREEITEM found = treeList.FindNextRow(text.c_str());
    if (!found) {
        ShowMessage(owner, L"Cannot find item text", MB_ICONINFORMATION);
        return;
    }
    selectAndShow(found);
}

void FindCommand(HWND owner, CTreeListView& treeList, std::wstring& findText, const RowSelector& selectAndShow) {
    CFindDlg dialog;
    if (dialog.DoModal(owner, findText) == IDOK) FindNextAndFocusRows(owner, treeList, findText, selectAndShow);
}

void FindNextCommand(HWND owner, CTreeListView& treeList, std::wstring& findText,
                     const RowSelector& selectAndShow) {
    if (findText.empty()) {
        FindCommand(owner, treeList, findText, selectAndShow);
        return;
    }
    FindNextAndFocusRows(owner, treeList, findText, selectAndShow);
}

}  // namespace quarry
