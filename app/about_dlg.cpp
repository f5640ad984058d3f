#include "app/about_dlg.h"

namespace quarry {

LRESULT CAboutDlg::OnInitDialog(WindowMessage&) {
    link_.SubclassWindow(GetDlgItem(hwnd(), IDC_HYPERLINK));
    CenterWindow(hwnd(), GetParent(hwnd()));
    return TRUE;  // the system gives the focus to the OK button
}

LRESULT CAboutDlg::OnClose(WindowMessage& m) {
    EndDialog(m.CommandId());
    return 0;
}

}  // namespace quarry
