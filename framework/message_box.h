// Every message Quarry shows is a fixed text in a box with an empty caption and one OK
// button; only the owner and the icon differ.
#pragma once

#include <windows.h>

namespace quarry {

// `icon` is MB_ICONERROR, MB_ICONEXCLAMATION, MB_ICONINFORMATION or 0 for none.
inline void ShowMessage(HWND owner, const wchar_t* text, UINT icon) { MessageBoxW(owner, text, L"", MB_OK | icon); }

}  // namespace quarry
