// One owner for every operating-system resource, so that no early return leaks one. Every
// deleter of the program lives here.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace quarry {

template <auto Release>
struct Releaser {
    template <class T>
    void operator()(T resource) const {
        Release(resource);
    }
};

// Process, thread and token handles: null when the call that made them failed.
using UniqueHandle = std::unique_ptr<void, Releaser<CloseHandle>>;

// A handle of this process's own to what `handle` names, with `access` (0: the same access);
// null when `handle` is null or cannot be duplicated.
inline UniqueHandle DuplicateOwnHandle(HANDLE handle, DWORD access = 0) {
    HANDLE copy = nullptr;
    const HANDLE self = GetCurrentProcess();
    const DWORD options = access ? 0 : DUPLICATE_SAME_ACCESS;
    if (!handle || !DuplicateHandle(self, handle, self, &copy, access, FALSE, options)) return nullptr;
    return UniqueHandle(copy);
}

// File and tool-help snapshot handles: these calls fail with INVALID_HANDLE_VALUE, not null,
// so the owner tests for that.
class UniqueFileHandle {
public:
    UniqueFileHandle() = default;
    explicit UniqueFileHandle(HANDLE handle) : handle_(handle) {}
    UniqueFileHandle(UniqueFileHandle&& other) noexcept : handle_(other.release()) {}
    UniqueFileHandle& operator=(UniqueFileHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~UniqueFileHandle() { reset(); }

    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (*this) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

template <class Handle, auto Release>
using UniqueOf = std::unique_ptr<std::remove_pointer_t<Handle>, Releaser<Release>>;

using UniqueBrush = UniqueOf<HBRUSH, DeleteObject>;
using UniqueFont = UniqueOf<HFONT, DeleteObject>;
using UniqueMenu = UniqueOf<HMENU, DestroyMenu>;
using UniqueIcon = UniqueOf<HICON, DestroyIcon>;
using UniqueAccelerators = UniqueOf<HACCEL, DestroyAcceleratorTable>;
using UniqueImageList = UniqueOf<HIMAGELIST, ImageList_Destroy>;
using UniqueIdList = UniqueOf<PIDLIST_ABSOLUTE, ILFree>;
using UniqueGlobal = UniqueOf<HGLOBAL, GlobalFree>;
using UniqueHeap = UniqueOf<HANDLE, HeapDestroy>;

inline void FreeProcessHeapBlock(void* block) { HeapFree(GetProcessHeap(), 0, block); }
// A block of the program's own process heap.
template <class T = void>
using UniqueHeapBlock = std::unique_ptr<T, Releaser<FreeProcessHeapBlock>>;

template <class T = void>
UniqueHeapBlock<T> AllocateHeapBlock(std::size_t size) {
    return UniqueHeapBlock<T>(static_cast<T*>(HeapAlloc(GetProcessHeap(), 0, size)));
}

// A device context taken with GetDC, released to its window.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint around a window's WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDC() { EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// SaveDC/RestoreDC around drawing that changes the context's state.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDC() {
        if (saved_) RestoreDC(dc_, saved_);
    }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int saved_;
};

// The wait cursor for as long as this lives, then the cursor there was before, also when
// the work in between fails. While the work runs no message is taken, so no window sets
// its own cursor in between.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// COM on this thread for as long as this lives. CoInitialize's result does not matter to
// its callers; a success of any kind is balanced by CoUninitialize.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (initialised_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

}  // namespace quarry
