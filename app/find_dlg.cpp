#include "app/find_dlg.h"

#include "framework/message_box.h"

namespace quarry {
namespace {

std::wstring WholeText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

LRESULT CFindDlg::OnInitDialog(WindowMessage& m) {
    findText_ = reinterpret_cast<std::wstring*>(m.lParam);
    textBox_ = GetDlgItem(hwnd(), IDC_FIND_TEXT);
    SetWindowTextW(textBox_, findText_->c_str());
    CenterWindow(hwnd(), GetParent(hwnd()));
    return TRUE;  // the dialog manager puts the focus into the text box
}

LRESULT CFindDlg::OnFind(WindowMessage&) {
    *findText_ = WholeText(textBox_);
    if (findText_->empty()) {
        ShowMessage(hwnd(), L"Please input find text", MB_ICONINFORMATION);
        return 0;
    }
    EndDialog(IDOK);
    return 0;
}

LRESULT CFindDlg::OnCancel(WindowMessage&) {
    EndDialog(IDCANCEL);
    return 0;
}

}  // namespace quarry
