// A static control turned into a link to the address it shows: drawn in the link colour
// and underlined, with the hand cursor; a click opens the address with the shell when both
// the press and the release are on the link.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "framework/handles.h"
#include "framework/window.h"

namespace quarry {

class CHyperLink : public CSubclassImpl<CHyperLink> {
public:
    static std::span<const Route<CHyperLink>> Routes() {
        static const Route<CHyperLink> table[] = {
            OnMessage(WM_PAINT, &CHyperLink::OnPaint),
            OnMessage(WM_PRINTCLIENT, &CHyperLink::OnPrintClient),
            OnMessage(WM_SETCURSOR, &CHyperLink::OnSetCursor),
            OnMessage(WM_LBUTTONDOWN, &CHyperLink::OnButtonDown),
            OnMessage(WM_LBUTTONUP, &CHyperLink::OnButtonUp),
        };
        return table;
    }

    static constexpr COLORREF kLinkColour = RGB(0, 0, 255);

    // The control's text becomes the address; false when it cannot be subclassed.
    bool SubclassWindow(HWND staticControl);

protected:
    // Opens the address in the user's browser.
    virtual void Navigate();

private:
    LRESULT OnPaint(WindowMessage& m);
    LRESULT OnPrintClient(WindowMessage& m);
    LRESULT OnSetCursor(WindowMessage& m);
    LRESULT OnButtonDown(WindowMessage& m);
    LRESULT OnButtonUp(WindowMessage& m);
    void Paint(HDC dc);

    std::wstring url_;
    UniqueFont underlined_;
};

}  // namespace quarry
