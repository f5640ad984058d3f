// The top-level frame: a window with a menu, an accelerator table that it keeps, and one
// client window. T's routing table chains to the frame's handlers: StretchClient for
// WM_SIZE, EndMessageLoop for WM_DESTROY.
#pragma once

#include <windows.h>

#include <string>

#include "framework/handles.h"
#include "framework/window.h"

namespace quarry {

// Registration of every frame class: the program icon, the arrow cursor and the window
// background colour.
WindowClassInfo FrameClassInfo(const wchar_t* className, UINT iconId);
// String `id` of the program's string table; empty when there is none.
std::wstring LoadResourceString(UINT id);

// T names its window class with `static constexpr const wchar_t* kClassName`.
template <class T>
class CFrameWindowImpl : public CWindowImpl<T> {
public:
    // Creates the frame titled with string `resourceId`, with menu `resourceId`, then loads
    // accelerator table `resourceId`. Null when the window cannot be created.
    HWND CreateFrame(HWND parent, const RECT& rect, DWORD style, DWORD exStyle, UINT resourceId) {
        UniqueMenu menu(LoadMenuW(ModuleInstance(), MAKEINTRESOURCEW(resourceId)));
        const std::wstring title = LoadResourceString(resourceId);
        HWND window = this->CreateBound(FrameClassInfo(T::kClassName, resourceId), parent, rect, title.c_str(), style,
                                        exStyle, menu.get());
        if (!window) return nullptr;
        menu.release();  // the window owns its menu from now on
        accelerators_.reset(LoadAcceleratorsW(ModuleInstance(), MAKEINTRESOURCEW(resourceId)));
        return window;
    }

    HACCEL Accelerators() const { return accelerators_.get(); }
    void SetClient(HWND client) { client_ = client; }

    // Stretches the client window over the client area.
    void UpdateLayout() {
        RECT area{};
        GetClientRect(this->hwnd(), &area);
        if (client_)
            SetWindowPos(client_, nullptr, 0, 0, area.right, area.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    }

protected:
    // WM_SIZE: the client window covers the client area, unless the frame is minimised.
    LRESULT StretchClient(WindowMessage& m) {
        if (m.wParam != SIZE_MINIMIZED) UpdateLayout();
        return 0;
    }
    // WM_DESTROY: the frame is the program's main window, so its loop ends with status 1.
    LRESULT EndMessageLoop(WindowMessage&) {
        PostQuitMessage(1);
        return 0;
    }

private:
    HWND client_ = nullptr;
    UniqueAccelerators accelerators_;
};

}  // namespace quarry
