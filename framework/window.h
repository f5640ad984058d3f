// Binding of window procedures to C++ objects: our own window classes (CWindowImpl) and
// subclassed windows of other classes (CSubclassImpl), both routed by a table.
#pragma once

#include <windows.h>

#include "framework/routing.h"

namespace quarry {

// Registration data for a window class of ours.
struct WindowClassInfo {
    const wchar_t* name;
    UINT style = 0;
    HBRUSH background = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    LPCWSTR cursor = IDC_ARROW;
};

// The non-template part of every window object: its handle and the binding of the window
// procedure to the object. What the routing leaves goes to DefWindowProcW.
class WindowBase {
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    virtual ~WindowBase();

    HWND hwnd() const { return hwnd_; }

protected:
    // Registers the class once per process (a repeated registration does no harm) and
    // creates the window bound to this object. Returns null on failure.
    HWND CreateBound(const WindowClassInfo& windowClass, HWND parent, const RECT& rect, const wchar_t* text,
                     DWORD style, DWORD exStyle, HMENU menuOrId);

    // The class's routing: true when the message was handled and `result` holds the answer.
    virtual bool ProcessWindowMessage(WindowMessage& m, LRESULT& result) = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// A window class of ours whose routing is T::Routes(), a table in T.
template <class T>
class CWindowImpl : public WindowBase {
protected:
    bool ProcessWindowMessage(WindowMessage& m, LRESULT& result) override {
        return RouteMessage(static_cast<T*>(this), T::Routes(), m, result);
    }
};

// Replaces the window procedure of an existing window (of any class) so that the object's
// routing sees its messages first; the previous procedure gets whatever is not handled.
// The previous procedure is put back when the object goes or the window is destroyed. A
// window takes one such object at a time; Attach refuses a second.
class WindowSubclass {
public:
    WindowSubclass() = default;
    WindowSubclass(const WindowSubclass&) = delete;
    WindowSubclass& operator=(const WindowSubclass&) = delete;
    virtual ~WindowSubclass();

    bool Attach(HWND window);
    void Detach();
    HWND hwnd() const { return hwnd_; }

protected:
    // The class's routing: true when the message was handled and `result` holds the answer.
    virtual bool ProcessWindowMessage(WindowMessage& m, LRESULT& result) = 0;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    WNDPROC previous_ = nullptr;
};

// A subclassing object whose routing is T::Routes(), a table in T.
template <class T>
class CSubclassImpl : public WindowSubclass {
protected:
    bool ProcessWindowMessage(WindowMessage& m, LRESULT& result) override {
        return RouteMessage(static_cast<T*>(this), T::Routes(), m, result);
    }
};

HINSTANCE ModuleInstance();

}  // namespace quarry
