// Quarry.exe with the test target open, used as a person would on a desktop of its own:
// F3 asks for an address and finds the target's patterned allocation, F3 again its region,
// once more says there is nothing left; a right click on the row and "Copy" put the row's
// cells on the clipboard.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <optional>
#include <string>

#include "pattern_dump.h"
#include "quarry_desktop.h"
#include "resources/resource.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

using namespace test;

constexpr wchar_t kDesktop[] = L"QuarryFindEndToEnd";
constexpr int kMessageBoxText = 0xFFFF;

std::wstring AddressLabel(std::uint64_t address) {
    wchar_t label[17];
    swprintf(label, 17, L"%016llX", static_cast<unsigned long long>(address));
    return label;
}

std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    std::optional<std::wstring> text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* at = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = std::wstring(at, wcsnlen(at, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// The main window's inner tree and content pane, found by their places in the window.
struct MainParts {
    HWND tree, pane;
};

MainParts PartsOf(HWND main) {
    const HWND splitter = FindWindowExW(main, nullptr, L"QuarrySplitter", nullptr);
    return {GetDlgItem(GetDlgItem(splitter, 1), 1), FindWindowExW(splitter, nullptr, L"Edit", nullptr)};
}

// Only messages without pointers cross to another process's tree.
HTREEITEM TreeRow(HWND tree, HTREEITEM from, UINT relation) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

// The client point in the middle of the Address cell of a visible `row`, from the rows'
// common height: the tree draws one row per line from the first visible one.
std::optional<POINT> RowPoint(HWND tree, HTREEITEM row) {
    const int height = static_cast<int>(SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0));
    int line = 0;
    for (HTREEITEM at = TreeRow(tree, nullptr, TVGN_FIRSTVISIBLE); at; at = TreeRow(tree, at, TVGN_NEXTVISIBLE), ++line)
        if (at == row) return POINT{60, line * height + height / 2};
    return std::nullopt;
}

TEST(FindEndToEnd, F3FindsTheTargetsRowsInOrderAndCopyPutsARowOnTheClipboard) {
    TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const TargetFacts& facts = target.Facts();
    QuarryOnDesktop quarry(kDesktop);
    ASSERT_TRUE(quarry.Start());

    // Choose the target in the selection dialog by typing its name.
    const HWND main = quarry.ChooseTestTarget(facts.pid);
    ASSERT_NE(main, nullptr);
    const auto [tree, pane] = PartsOf(main);
    ASSERT_TRUE(tree && pane);

    // The first F3 asks for the text: the address of the patterned allocation.
    PressKey(tree, VK_F3);
    const HWND find = quarry.WaitForWindow(L"Find", L"#32770");
    ASSERT_NE(find, nullptr);
    const HWND box = GetDlgItem(find, IDC_FIND_TEXT);
    EXPECT_EQ(RemoteText(box), L"");
    const std::wstring address = AddressLabel(facts.patternAlloc.address);
    Type(box, address);
    ASSERT_TRUE(WaitUntil([&] { return RemoteText(box) == address; }));
    PressKey(box, VK_RETURN);
    const std::wstring bytes = PatternDump(facts.patternAlloc.address, target::kPatternAllocSeed);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(find) && RemoteText(pane) == bytes; })) << "the pane shows no pattern";
    const HTREEITEM allocation = TreeRow(tree, nullptr, TVGN_CARET);
    ASSERT_NE(allocation, nullptr);
    EXPECT_EQ(TreeRow(tree, allocation, TVGN_PARENT), nullptr);

    // F3 again: the region row under it, at the same address; the program's selection
    // emptied the pane and the search showed the row again.
    PressKey(tree, VK_F3);
    ASSERT_TRUE(WaitUntil([&] { return TreeRow(tree, nullptr, TVGN_CARET) != allocation; }));
    const HTREEITEM region = TreeRow(tree, nullptr, TVGN_CARET);
    EXPECT_EQ(TreeRow(tree, region, TVGN_PARENT), allocation);
    EXPECT_EQ(TreeRow(tree, allocation, TVGN_CHILD), region);
    EXPECT_TRUE(WaitUntil([&] { return RemoteText(pane) == bytes; }));

    // Once more: nothing after it holds the address.
    PressKey(tree, VK_F3);
    const HWND nothing = quarry.WaitForWindow(L"", L"#32770");
    ASSERT_NE(nothing, nullptr);
    EXPECT_EQ(RemoteText(GetDlgItem(nothing, kMessageBoxText)), L"Cannot find item text");
    EXPECT_EQ(GetWindow(nothing, GW_OWNER), main);
    PostMessageW(nothing, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(nothing) && IsWindowEnabled(main); }));
    EXPECT_EQ(TreeRow(tree, nullptr, TVGN_CARET), region);

    // A right click on the region row, then "Copy" chosen with the keyboard. The window is
    // moved to put the row under the pointer: Wine's virtual desktop may move the pointer
    // back after a program sets it, so the pointer stays where it is.
    const std::optional<POINT> at = RowPoint(tree, region);
    ASSERT_TRUE(at);
    POINT rowOnScreen = *at, pointer{};
    ClientToScreen(tree, &rowOnScreen);
    GetCursorPos(&pointer);
    RECT frame{};
    GetWindowRect(main, &frame);
    SetWindowPos(main, nullptr, frame.left + pointer.x - rowOnScreen.x, frame.top + pointer.y - rowOnScreen.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(WaitUntil([&] {
        POINT moved = *at;
        ClientToScreen(tree, &moved);
        return moved.x == pointer.x && moved.y == pointer.y;
    }));
    const LPARAM where = MAKELPARAM(at->x, at->y);
    PostMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, where);
    PostMessageW(tree, WM_RBUTTONUP, 0, where);
    const HWND menu = quarry.WaitForMenu();
    ASSERT_NE(menu, nullptr);
    PressKey(menu, VK_DOWN);  // "Dump"
    PressKey(menu, VK_DOWN);  // "Copy"
    PressKey(menu, VK_RETURN);
    const std::wstring copied = L"\"" + address + L"\",\"Private\",\"64 KB\",\"64 KB\",\"Read/Write\"";
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == copied; })) << "clipboard: "
                                                                      << (ClipboardText() ? "other text" : "none");

    PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
}

}  // namespace
}  // namespace quarry
