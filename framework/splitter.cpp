#include "framework/splitter.h"

#include <windowsx.h>

namespace quarry {
namespace {

void Place(HWND window, const layout::Rect& r) {
    if (window) MoveWindow(window, r.left, r.top, r.Width(), r.Height(), TRUE);
}

}  // namespace

HWND CHorSplitterWindow::Create(HWND parent, const RECT& rect, DWORD style, UINT controlId) {
    // As thick as a sizing border, which users already know how to drag.
    barWidth_ = std::max(4, GetSystemMetrics(SM_CYSIZEFRAME));
    // The class background paints the bar; the panes cover everything else.
    const WindowClassInfo windowClass{L"QuarrySplitter", 0, reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1)};
    return CreateBound(windowClass, parent, rect, nullptr, style, 0,
                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId)));
}

void CHorSplitterWindow::SetSplitterPanes(HWND top, HWND bottom) {
    panes_[0] = top;
    panes_[1] = bottom;
    UpdateLayout();
}

void CHorSplitterWindow::SetSplitterPos(int position) {
    if (position == kDefaultPosition) {
        proportion_ = layout::kMiddleProportion;
        position_ = layout::BarPositionFromProportion(proportion_, Height(), barWidth_);
    } else {
        position_ = layout::ClampBarPosition(position, Height(), barWidth_);
        proportion_ = layout::ProportionFromBarPosition(position_, Height(), barWidth_);
    }
    UpdateLayout();
}

int CHorSplitterWindow::Height() const {
    RECT client{};
    if (hwnd()) GetClientRect(hwnd(), &client);
    return client.bottom;
}

bool CHorSplitterWindow::IsOverBar(int y) const { return y >= position_ && y < position_ + barWidth_; }

void CHorSplitterWindow::UpdateLayout() {
    RECT client{};
    GetClientRect(hwnd(), &client);
    const layout::StackedPanes panes = layout::StackPanes(client.right, client.bottom, position_, barWidth_);
    Place(panes_[0], panes.top);
    Place(panes_[1], panes.bottom);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT CHorSplitterWindow::OnSize(WindowMessage& m) {
    if (m.wParam != SIZE_MINIMIZED) {
        position_ = layout::BarPositionFromProportion(proportion_, HIWORD(m.lParam), barWidth_);
        UpdateLayout();
    }
    return 0;
}

LRESULT CHorSplitterWindow::OnSetCursor(WindowMessage& m) {
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(hwnd(), &cursor);
    if (reinterpret_cast<HWND>(m.wParam) != hwnd() || LOWORD(m.lParam) != HTCLIENT || !IsOverBar(cursor.y)) {
        m.handled = false;
        return FALSE;
    }
    SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
    return TRUE;
}

LRESULT CHorSplitterWindow::OnBeginDrag(WindowMessage& m) {
    const int y = GET_Y_LPARAM(m.lParam);
    if (IsOverBar(y)) {
        dragOffset_ = y - position_;
        SetCapture(hwnd());
    }
    return 0;
}

LRESULT CHorSplitterWindow::OnDrag(WindowMessage& m) {
    if (GetCapture() == hwnd() && (m.wParam & MK_LBUTTON)) SetSplitterPos(GET_Y_LPARAM(m.lParam) - dragOffset_);
    return 0;
}

LRESULT CHorSplitterWindow::OnEndDrag(WindowMessage&) {
    if (GetCapture() == hwnd()) ReleaseCapture();
    return 0;
}

LRESULT CHorSplitterWindow::ForwardToParent(WindowMessage& m) {
    return SendMessageW(GetParent(hwnd()), m.message, m.wParam, m.lParam);
}

}  // namespace quarry
