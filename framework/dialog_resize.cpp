#include "framework/dialog_resize.h"

namespace quarry {
namespace {

RECT ClientRect(HWND window) {
    RECT area{};
    GetClientRect(window, &area);
    return area;
}

}  // namespace

void CDialogResize::InitResize(HWND dialog, std::span<const ResizeAnchor> anchors) {
    dialog_ = dialog;
    controls_.clear();
    // Children that paint over each other while moving would flicker without clipping.
    SetWindowLongPtrW(dialog, GWL_STYLE, GetWindowLongPtrW(dialog, GWL_STYLE) | WS_CLIPCHILDREN);

    const RECT client = ClientRect(dialog);
    initialClient_ = {client.right, client.bottom};
    RECT outer{};
    GetWindowRect(dialog, &outer);
    minimumSize_ = {outer.right - outer.left, outer.bottom - outer.top};

    for (const ResizeAnchor& anchor : anchors) AddControl(GetDlgItem(dialog, anchor.controlId), anchor.anchors);

    // The grip is a child of the dialog and goes with it.
    const int gripWidth = GetSystemMetrics(SM_CXVSCROLL);
    const int gripHeight = GetSystemMetrics(SM_CYHSCROLL);
    HWND grip = CreateWindowExW(0, L"SCROLLBAR", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
                                client.right - gripWidth, client.bottom - gripHeight, gripWidth, gripHeight, dialog,
                                nullptr, nullptr, nullptr);
    AddControl(grip, layout::kMoveX | layout::kMoveY);
}

void CDialogResize::AddControl(HWND control, unsigned anchors) {
    if (!control) return;
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&r), 2);
    controls_.push_back({control, anchors, {r.left, r.top, r.right, r.bottom}});
}

LRESULT CDialogResize::MoveAnchoredControls(WindowMessage& m) {
    // Before InitResize there is nothing to lay out.
    if (!dialog_) m.handled = false;
    else if (m.wParam != SIZE_MINIMIZED) Layout(LOWORD(m.lParam), HIWORD(m.lParam));
    return 0;
}

LRESULT CDialogResize::KeepMinimumSize(WindowMessage& m) {
    // Before InitResize there is no minimum to keep.
    if (!dialog_) m.handled = false;
    else reinterpret_cast<MINMAXINFO*>(m.lParam)->ptMinTrackSize = {minimumSize_.cx, minimumSize_.cy};
    return 0;
}

void CDialogResize::Layout(int clientWidth, int clientHeight) const {
    const int dx = clientWidth - initialClient_.cx;
    const int dy = clientHeight - initialClient_.cy;
    HDWP positions = BeginDeferWindowPos(static_cast<int>(controls_.size()));
    for (const Control& control : controls_) {
        const layout::Rect r = layout::AnchoredRect(control.initial, control.anchors, dx, dy);
        if (positions)
            positions = DeferWindowPos(positions, control.window, nullptr, r.left, r.top, r.Width(), r.Height(),
                                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (positions) EndDeferWindowPos(positions);
    InvalidateRect(dialog_, nullptr, TRUE);
}

}  // namespace quarry
