#include "framework/window.h"

namespace quarry {
namespace {

// The subclassed window's object travels in a window property: the window's own user
// data belongs to its class.
constexpr wchar_t kSubclassProperty[] = L"Quarry.WindowSubclass";

}  // namespace

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

WindowBase::~WindowBase() {
    // The object may go before its window (a failed creation, an owner destroyed first).
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

HWND WindowBase::CreateBound(const WindowClassInfo& windowClass, HWND parent, const RECT& rect,
                             const wchar_t* text, DWORD style, DWORD exStyle, HMENU menuOrId) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    if (!GetClassInfoExW(ModuleInstance(), windowClass.name, &info)) {
        info.cbSize = sizeof(info);
        info.style = windowClass.style;
        info.lpfnWndProc = &WindowBase::WindowProc;
        info.hInstance = ModuleInstance();
        info.hIcon = windowClass.icon;
        info.hIconSm = windowClass.smallIcon;
        info.hCursor = LoadCursorW(nullptr, windowClass.cursor);
        info.hbrBackground = windowClass.background;
        info.lpszClassName = windowClass.name;
        RegisterClassExW(&info);
    }
    return CreateWindowExW(exStyle, windowClass.name, text, style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, menuOrId, ModuleInstance(), this);
}

LRESULT WindowBase::DefaultProcessing(const WindowMessage& m) {
    return DefWindowProcW(m.window, m.message, m.wParam, m.lParam);
}

LRESULT CALLBACK WindowBase::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self && message == WM_NCCREATE) {
        self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);

    WindowMessage m{window, message, wParam, lParam};
    LRESULT result = 0;
    if (!self->ProcessWindowMessage(m, result)) result = self->DefaultProcessing(m);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnFinalMessage();
    }
    return result;
}

WindowSubclass::~WindowSubclass() { Detach(); }

bool WindowSubclass::Attach(HWND window) {
    Detach();
    // One object per window: a second would share the property and unbind the first.
    if (!window || GetPropW(window, kSubclassProperty) || !SetPropW(window, kSubclassProperty, this)) return false;
    hwnd_ = window;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowSubclass::SubclassProc)));
    return true;
}

void WindowSubclass::Detach() {
    if (!hwnd_) return;
    // Put the previous procedure back only if nobody subclassed the window after us.
    if (IsWindow(hwnd_) &&
        GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WindowSubclass::SubclassProc))
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    if (IsWindow(hwnd_)) RemovePropW(hwnd_, kSubclassProperty);
    hwnd_ = nullptr;
}

LRESULT WindowSubclass::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) const {
    return CallWindowProcW(previous_, hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK WindowSubclass::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<WindowSubclass*>(GetPropW(window, kSubclassProperty));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    if (self->Handle(message, wParam, lParam, result)) return result;
    result = self->CallPrevious(message, wParam, lParam);
    if (message == WM_NCDESTROY) self->Detach();
    return result;
}

}  // namespace quarry
