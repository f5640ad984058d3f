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

// Quarry only stacks its panes, so only the horizontal splitter (`Vertical` false) exists.
template <bool Vertical>
class CSplitterWindowT;

template <>
class CSplitterWindowT<false> : public CWindowImpl<CSplitterWindowT<false>> {
public:
    static std::span<const Route<CSplitterWindowT>> Routes() {
        static const Route<CSplitterWindowT> table[] = {
            OnMessage(WM_SIZE, &CSplitterWindowT::OnSize),
            OnMessage(WM_SETCURSOR, &CSplitterWindowT::OnSetCursor),
            OnMessage(WM_LBUTTONDOWN, &CSplitterWindowT::OnBeginDrag),
            OnMessage(WM_MOUSEMOVE, &CSplitterWindowT::OnDrag),
            OnMessage(WM_LBUTTONUP, &CSplitterWindowT::OnEndDrag),
            OnMessage(WM_COMMAND, &CSplitterWindowT::ForwardToParent),
            OnMessage(WM_NOTIFY, &CSplitterWindowT::ForwardToParent),
            OnMessage(WM_CTLCOLOREDIT, &CSplitterWindowT::ForwardToParent),
            OnMessage(WM_CTLCOLORSTATIC, &CSplitterWindowT::ForwardToParent),
            OnMessage(WM_CTLCOLORLISTBOX, &CSplitterWindowT::ForwardToParent),
            OnMessage(WM_CTLCOLORBTN, &CSplitterWindowT::ForwardToParent),
            OnMessage(WM_CTLCOLORSCROLLBAR, &CSplitterWindowT::ForwardToParent),
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
    int GetSplitterPos() const { return position_; }
    int BarWidth() const { return barWidth_; }
    HWND Pane(int index) const { return panes_[index]; }

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

using CHorSplitterWindow = CSplitterWindowT<false>;

}  // namespace quarry
