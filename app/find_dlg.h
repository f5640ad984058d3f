// CFindDlg: asks for the text to search the tree-list for. It edits the main window's
// remembered find text in place, so that F3 can repeat the search later.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "framework/dialog.h"
#include "resources/resource.h"

namespace quarry {

class CFindDlg : public CDialogImpl<CFindDlg> {
public:
    static std::span<const Route<CFindDlg>> Routes() {
        static const Route<CFindDlg> table[] = {
            OnMessage(WM_INITDIALOG, &CFindDlg::OnInitDialog),
            OnCommand(IDOK, &CFindDlg::OnFind),
            OnCommand(IDCANCEL, &CFindDlg::OnCancel),  // also Esc and the close box
        };
        return table;
    }

    static constexpr int IDD = IDD_FIND;

    // IDOK once a non-empty text is in `findText`; IDCANCEL otherwise. "Find" with an empty
    // box empties `findText` even when the user cancels afterwards.
    INT_PTR DoModal(HWND parent, std::wstring& findText) {
        return CDialogImpl::DoModal(parent, reinterpret_cast<LPARAM>(&findText));
    }

private:
    LRESULT OnInitDialog(WindowMessage& m);
    LRESULT OnFind(WindowMessage& m);
    LRESULT OnCancel(WindowMessage& m);

    std::wstring* findText_ = nullptr;
    HWND textBox_ = nullptr;
};

}  // namespace quarry
