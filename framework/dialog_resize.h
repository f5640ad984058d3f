// Resizing for dialogs: each listed control follows the dialog's size by its anchors, a
// size grip sits in the bottom-right corner, and the dialog cannot be made smaller than it
// opened. A dialog inherits it and routes WM_SIZE to MoveAnchoredControls and
// WM_GETMINMAXINFO to KeepMinimumSize.
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
    void InitResize(HWND dialog, std::span<const ResizeAnchor> anchors);

    // Route handlers; before InitResize they leave the message to the system.
    LRESULT MoveAnchoredControls(WindowMessage& m);  // WM_SIZE
    LRESULT KeepMinimumSize(WindowMessage& m);       // WM_GETMINMAXINFO

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
