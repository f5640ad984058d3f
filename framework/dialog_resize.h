// Resizing for dialogs: each listed control follows the dialog's size by its anchors, a
// size grip sits in the bottom-right corner, and the dialog cannot be made smaller than it
// opened.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "framework/layout_math.h"
#include "framework/routing.h"

namespace quarry {

struct ResizeAnchor {
    int controlId;
    unsigned anchors;  // layout::Anchor flags
};

class CDialogResize {
public:
    // Call from WM_INITDIALOG: records the dialog's size and each control's rectangle as
    // they are now, adds the size grip and WS_CLIPCHILDREN.
    void Init(HWND dialog, std::span<const ResizeAnchor> anchors);
    // Takes WM_SIZE and WM_GETMINMAXINFO; false for anything else.
    bool ProcessMessage(const WindowMessage& m, LRESULT& result);

private:
    struct Control {
        HWND window;
        unsigned anchors;
        layout::Rect initial;
    };

    void AddControl(HWND control, unsigned anchors);
    void Layout(int clientWidth, int clientHeight) const;

    HWND dialog_ = nullptr;
    std::vector<Control> controls_;
    SIZE initialClient_{};
    SIZE minimumSize_{};
};

}  // namespace quarry
