// The tree-list's child windows, for tests that look at what the user sees (painting,
// expansion, keyboard) rather than through the tree-list's own verbs.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace quarry::test {

inline HWND InnerTree(HWND treeList) { return FindWindowExW(treeList, nullptr, L"TreeList", nullptr); }
inline HWND InnerHeader(HWND treeList) { return FindWindowExW(treeList, nullptr, WC_HEADERW, nullptr); }

}  // namespace quarry::test
