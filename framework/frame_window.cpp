#include "framework/frame_window.h"

namespace quarry {

WindowClassInfo FrameClassInfo(const wchar_t* className, UINT iconId) {
    // Icons loaded as shared resources belong to the system; nobody destroys them.
    const auto loadIcon = [iconId](int metricX, int metricY) {
        return static_cast<HICON>(LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                             GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_SHARED));
    };
    WindowClassInfo info{className};
    info.background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    info.icon = loadIcon(SM_CXICON, SM_CYICON);
    info.smallIcon = loadIcon(SM_CXSMICON, SM_CYSMICON);
    info.cursor = IDC_ARROW;
    return info;
}

std::wstring LoadResourceString(UINT id) {
    // With a zero length LoadStringW hands out a read-only pointer into the resource itself.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(ModuleInstance(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

}  // namespace quarry
