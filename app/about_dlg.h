// The About box: the program's name and a link to its maker's web site.
#pragma once

#include <span>

#include "framework/dialog.h"
#include "framework/hyperlink.h"
#include "resources/resource.h"

namespace quarry {

class CAboutDlg : public CDialogImpl<CAboutDlg> {
public:
    static std::span<const Route<CAboutDlg>> Routes() {
        static const Route<CAboutDlg> table[] = {
            OnMessage(WM_INITDIALOG, &CAboutDlg::OnInitDialog),
            OnCommand(IDOK, &CAboutDlg::OnClose),
            OnCommand(IDCANCEL, &CAboutDlg::OnClose),  // Esc and the close box
        };
        return table;
    }

    static constexpr int IDD = IDD_ABOUTBOX;

private:
    LRESULT OnInitDialog(WindowMessage& m);
    LRESULT OnClose(WindowMessage& m);

    CHyperLink link_;
};

}  // namespace quarry
