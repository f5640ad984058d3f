#include "framework/window.h"

#include <mutex>
#include <utility>
#include <vector>

namespace quarry {
namespace {

// Which object subclasses which window. Not the window's user data, which belongs to its
// class, nor a window property: under Wine properties live in the window server, and reading
// one on every message costs a round trip (about 40 µs). Shared by all threads, since a
// window may be subclassed from a thread other than its own; the lock is held only for the
// lookup.
struct SubclassTable {
    std::mutex lock;
    std::vector<std::pair<HWND, WindowSubclass*>> entries;
};

// Never destroyed: a window may still get messages, and a subclass object may still go,
// while the program's statics are being torn down.
SubclassTable& Subclasses() {
    static SubclassTable* const table = new SubclassTable;
    return *table;
}

WindowSubclass* SubclassOf(HWND window) {
    SubclassTable& table = Subclasses();
    std::lock_guard guard(table.lock);
    for (const auto& [subclassed, object] : table.entries)
        if (subclassed == window) return object;
    return nullptr;
}

// False if the window already has an object.
bool AddSubclass(HWND window, WindowSubclass* object) {
    SubclassTable& table = Subclasses();
    std::lock_guard guard(table.lock);
    for (const auto& entry : table.entries)
        if (entry.first == window) return false;
    table.entries.emplace_back(window, object);
    return true;
}

void RemoveSubclass(HWND window, WindowSubclass* object) {
    SubclassTable& table = Subclasses();
    std::lock_guard guard(table.lock);
    std::erase(table.entries, std::pair(window, object));
}

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
    if (!self->ProcessWindowMessage(m, result)) result = DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

WindowSubclass::~WindowSubclass() { Detach(); }

bool WindowSubclass::Attach(HWND window) {
    Detach();
    // One object per window: a second would unbind the first.
    if (!window || !AddSubclass(window, this)) return false;
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
    RemoveSubclass(hwnd_, this);
    hwnd_ = nullptr;
}

LRESULT CALLBACK WindowSubclass::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowSubclass* self = SubclassOf(window);
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    WindowMessage m{window, message, wParam, lParam};
    LRESULT result = 0;
    if (self->ProcessWindowMessage(m, result)) return result;
    result = CallWindowProcW(self->previous_, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) self->Detach();
    return result;
}

}  // namespace quarry
