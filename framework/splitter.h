// The splitter that stacks two panes one above the other with a draggable bar between
// them. The bar keeps its proportion of the height when the splitter is resized, and the
// panes' commands, notifications and colour requests go on to the splitter's parent, as if
// the panes were the parent's own children.
#pragma once

#include <windows.h>

#include <span>

#include "framework/layout_math.h"
#include "framework/window.h"

namespace quarry {

class CHorSplitterWindow : public CWindowImpl<CHorSplitterWindow> {
public:
    static std::span<const Route<CHorSplitterWindow>> Routes() {
        static const Route<CHorSplitterWindow> table[] = {
            OnMessage(WM_SIZE, &CHorSplitterWindow::OnSize),
            OnMessage(WM_SETCURSOR, &CHorSplitterWindow::OnSetCursor),
            OnMessage(WM_LBUTTONDOWN, &CHorSplitterWindow::OnBeginDrag),
            OnMessage(WM_MOUSEMOVE, &CHorSplitterWindow::OnDrag),
            OnMessage(WM_LBUTTONUP, &CHorSplitterWindow::OnEndDrag),
            OnMessage(WM_COMMAND, &CHorSplitterWindow::ForwardToParent),
            OnMessage(WM_NOTIFY, &CHorSplitterWindow::ForwardToParent),
            OnMessage(WM_CTLCOLOREDIT, &CHorSplitterWindow::ForwardToParent),
            OnMessage(WM_CTLCOLORSTATIC, &CHorSplitterWindow::ForwardToParent),
            OnMessage(WM_CTLCOLORLISTBOX, &CHorSplitterWindow::ForwardToParent),
            OnMessage(WM_CTLCOLORBTN, &CHorSplitterWindow::ForwardToParent),
            OnMessage(WM_CTLCOLORSCROLLBAR, &CHorSplitterWindow::ForwardToParent),
        };
        return table;
    }

    // Passing this to SetSplitterPos puts the bar in the middle.
    static constexpr int kDefaultPosition = -1;

    HWND Create(HWND parent, const RECT& rect, DWORD style, UINT controlId);
    void SetSplitterPanes(HWND top, HWND bottom);
    // Places the bar's top edge at `position` (clamped to the splitter) and keeps its
    // proportion of the height from then on.
    void SetSplitterPos(int position = kDefaultPosition);

private:
    LRESULT OnSize(WindowMessage& m);
    LRESULT OnSetCursor(WindowMessage& m);
    LRESULT OnBeginDrag(WindowMessage& m);
    LRESULT OnDrag(WindowMessage& m);
    LRESULT OnEndDrag(WindowMessage& m);
    LRESULT ForwardToParent(WindowMessage& m);

    int Height() const;
    bool IsOverBar(int y) const;
    void UpdateLayout();

    HWND panes_[2] = {};
    int barWidth_ = 4;
    int position_ = 0;
    int proportion_ = layout::kMiddleProportion;
    int dragOffset_ = 0;  // from the bar's top edge to where the mouse grabbed it
};

}  // namespace quarry
