#include "framework/dialog.h"

#include "framework/layout_math.h"
#include "framework/window.h"

namespace quarry {
namespace {

// The object and the caller's parameter travel together to WM_INITDIALOG.
struct DialogStart {
    DialogBase* dialog;
    LPARAM param;
};

// Dialog procedures return these messages' answers directly; all others go through
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    return message == WM_INITDIALOG || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
           message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
           message == WM_QUERYDRAGICON;
}

layout::Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

INT_PTR DialogBase::RunModal(int templateId, HWND parent, LPARAM param) {
    DialogStart start{this, param};
    return DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(templateId), parent, &DialogBase::DialogProc,
                           reinterpret_cast<LPARAM>(&start));
}

INT_PTR CALLBACK DialogBase::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<DialogBase*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        const auto* start = reinterpret_cast<const DialogStart*>(lParam);
        self = start->dialog;
        self->hwnd_ = dialog;
        SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        lParam = start->param;
    }
    if (!self) return FALSE;

    WindowMessage m{dialog, message, wParam, lParam};
    LRESULT result = 0;
    const bool handled = self->ProcessDialogMessage(m, result);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    if (!handled) return FALSE;
    if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

void CenterWindow(HWND window, HWND over) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(over ? over : window, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT target = monitor.rcWork;
    if (over) GetWindowRect(over, &target);
    RECT own{};
    GetWindowRect(window, &own);
    const layout::Point origin = layout::CentredOrigin(ToRect(target), own.right - own.left, own.bottom - own.top,
                                                       ToRect(monitor.rcWork));
    SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace quarry
