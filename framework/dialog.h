// Modal dialogs from the program's dialog templates, with a routing table like every
// window of ours.
#pragma once

#include <windows.h>

#include "framework/routing.h"

namespace quarry {

// The non-template part: binding the dialog procedure to the object.
class DialogBase {
public:
    DialogBase() = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;
    virtual ~DialogBase() = default;

    HWND hwnd() const { return hwnd_; }
    void EndDialog(INT_PTR result) const { ::EndDialog(hwnd_, result); }

protected:
    // Runs dialog template `templateId` modally over `parent`; `param` arrives as
    // WM_INITDIALOG's lParam. Returns what EndDialog was given, or -1 when the dialog
    // could not be created.
    INT_PTR RunModal(int templateId, HWND parent, LPARAM param);

    // The class's routing: true when the message was handled and `result` holds the answer;
    // the system's dialog handling follows when false.
    virtual bool ProcessDialogMessage(WindowMessage& m, LRESULT& result) = 0;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// T names its template with `static constexpr int IDD` and routes with T::Routes().
template <class T>
class CDialogImpl : public DialogBase {
public:
    INT_PTR DoModal(HWND parent, LPARAM param = 0) { return RunModal(T::IDD, parent, param); }

protected:
    bool ProcessDialogMessage(WindowMessage& m, LRESULT& result) override {
        return RouteMessage(static_cast<T*>(this), T::Routes(), m, result);
    }
};

// Centres `window` over `over`, or over the work area of its monitor when `over` is null,
// keeping it inside that work area.
void CenterWindow(HWND window, HWND over = nullptr);

}  // namespace quarry
