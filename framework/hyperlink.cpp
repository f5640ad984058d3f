#include "framework/hyperlink.h"

#include <shellapi.h>

namespace quarry {
namespace {

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The control's own font, underlined.
UniqueFont UnderlinedFont(HWND control) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    GetObjectW(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
    description.lfUnderline = TRUE;
    return UniqueFont(CreateFontIndirectW(&description));
}

UINT TextAlignment(HWND control) {
    switch (GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK) {
        case SS_CENTER: return DT_CENTER;
        case SS_RIGHT: return DT_RIGHT;
        default: return DT_LEFT;
    }
}

// Where a mouse message happened; negative left of and above the control, where a captured
// release may come from.
POINT MousePoint(LPARAM lParam) { return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

}  // namespace

bool CHyperLink::SubclassWindow(HWND staticControl) {
    if (!Attach(staticControl)) return false;
    url_ = WindowText(staticControl);
    underlined_ = UnderlinedFont(staticControl);
    // Without SS_NOTIFY a static control is transparent to the mouse.
    SetWindowLongPtrW(staticControl, GWL_STYLE, GetWindowLongPtrW(staticControl, GWL_STYLE) | SS_NOTIFY);
    InvalidateRect(staticControl, nullptr, TRUE);
    return true;
}

void CHyperLink::Navigate() { ShellExecuteW(GetParent(hwnd()), L"open", url_.c_str(), nullptr, nullptr, SW_SHOWNORMAL); }

LRESULT CHyperLink::OnPaint(WindowMessage&) {
    const PaintDC dc(hwnd());
    Paint(dc.get());
    return 0;
}

LRESULT CHyperLink::OnPrintClient(WindowMessage& m) {
    Paint(reinterpret_cast<HDC>(m.wParam));
    return 0;
}

LRESULT CHyperLink::OnSetCursor(WindowMessage&) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
}

// The capture tells the release that the press was on the link too.
LRESULT CHyperLink::OnButtonDown(WindowMessage&) {
    SetCapture(hwnd());
    return 0;
}

LRESULT CHyperLink::OnButtonUp(WindowMessage& m) {
    if (GetCapture() != hwnd()) return 0;
    ReleaseCapture();
    RECT area{};
    GetClientRect(hwnd(), &area);
    if (PtInRect(&area, MousePoint(m.lParam))) Navigate();
    return 0;
}

void CHyperLink::Paint(HDC dc) {
    RECT area{};
    GetClientRect(hwnd(), &area);
    // The parent chooses the background, as it does for every static control.
    auto background = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(hwnd()), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd())));
    FillRect(dc, &area, background ? background : GetSysColorBrush(COLOR_3DFACE));

    SavedDC saved(dc);
    SelectObject(dc, underlined_.get());
    SetTextColor(dc, kLinkColour);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, url_.c_str(), static_cast<int>(url_.size()), &area, TextAlignment(hwnd()) | DT_NOPREFIX | DT_WORDBREAK);
}

}  // namespace quarry
