// Quarry.exe used as a person would, on a desktop of its own with the test target running:
// choose the target by typing its name, read its memory, find rows with F3, copy one from
// the row menu, open About and exit.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "pattern_dump.h"
#include "resources/resource.h"
#include "support/modal_driver.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

using namespace test;

constexpr wchar_t kDesktop[] = L"QuarryJourney";

void Type(HWND window, const std::wstring& text) {
    for (const wchar_t c : text) PostMessageW(window, WM_CHAR, c, 1);
}

void PressKey(HWND window, UINT key, bool alt = false) {
    const LPARAM flags = alt ? 1 | (1 << 29) : 1;
    PostMessageW(window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, flags);
    PostMessageW(window, alt ? WM_SYSKEYUP : WM_KEYUP, key, flags | (LPARAM{3} << 30));
}

// Quarry.exe from beside the test program, on a desktop of its own that the test's thread
// joins; ended with the test if it still runs then.
class Quarry {
public:
    Quarry() {
        std::wstring commandLine = L"\"" + BesideTestProgram(L"Quarry.exe") + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.lpDesktop = const_cast<wchar_t*>(kDesktop);
        PROCESS_INFORMATION started{};
        if (!JoinDesktop(kDesktop) ||
            !CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
            return;
        CloseHandle(started.hThread);
        process_.reset(started.hProcess);
        id_ = started.dwProcessId;
    }
    ~Quarry() {
        if (process_) TerminateProcess(process_.get(), 99);
    }

    // A visible top-level window of Quarry's with this title and class, or null.
    HWND Window(const std::wstring& title, const wchar_t* className = nullptr) const {
        HWND found = nullptr;
        WaitUntil([&] {
            found = FindWindowW(className, title.c_str());
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            return found && owner == id_ && IsWindowVisible(found);
        });
        return found;
    }
    // Still active when it does not end within a minute.
    DWORD ExitStatus() const {
        DWORD status = STILL_ACTIVE;
        WaitForSingleObject(process_.get(), 60000);
        GetExitCodeProcess(process_.get(), &status);
        return status;
    }

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

TEST(Journey, ChooseReadFindCopyAboutAndExit) {
    TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const std::uint64_t pattern = target.Facts().patternAlloc.address;
    const Quarry quarry;

    // Start-up's process selection, answered by typing the start of the target's name.
    const HWND list = GetDlgItem(quarry.Window(L"Select a process"), IDC_PROCESS_LIST);
    Type(list, L"QuarryT");
    ASSERT_TRUE(WaitUntil([&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) >= 0; }));
    PressKey(list, VK_RETURN);
    const HWND main = quarry.Window(L"Quarry - [QuarryTestTarget.exe (" + std::to_wstring(target.Facts().pid) + L")]");
    ASSERT_NE(main, nullptr);
    // The tree-list is the splitter's child 1, and its tree its own child 1.
    const HWND splitter = FindWindowExW(main, nullptr, L"QuarrySplitter", nullptr);
    const HWND tree = GetDlgItem(GetDlgItem(splitter, 1), 1), pane = FindWindowExW(splitter, nullptr, L"Edit", nullptr);

    // Typing a row's address selects it; the pane shows the page there.
    wchar_t address[17];
    swprintf(address, 17, L"%016llX", static_cast<unsigned long long>(pattern));
    const std::wstring page = PatternDump(pattern, target::kPatternAllocSeed);
    Type(tree, address);
    EXPECT_TRUE(WaitUntil([&] { return TextOf(pane) == page; })) << "no pattern in the pane";

    // F3 asks for the text; Enter finds the next row with it, the allocation's region.
    PressKey(tree, VK_F3);
    const HWND find = quarry.Window(L"Find", L"#32770");
    ASSERT_NE(find, nullptr);
    Type(GetDlgItem(find, IDC_FIND_TEXT), address);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(GetDlgItem(find, IDC_FIND_TEXT)) == address; }));
    PressKey(GetDlgItem(find, IDC_FIND_TEXT), VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(find) && TreeView_GetParent(tree, TreeView_GetSelection(tree)); }));
    const HTREEITEM region = TreeView_GetSelection(tree);

    // The row menu at the pointer, on the region after Up selected its allocation: the window
    // is moved to put the row under the pointer, since Wine's virtual desktop may move the
    // pointer back after a program sets it.
    // Only messages without pointers reach another process's tree: the row's place comes
    // from the rows' common height, one line each from the first visible row.
    PressKey(tree, VK_UP);
    ASSERT_TRUE(WaitUntil([&] { return TreeView_GetSelection(tree) != region; }));
    const int height = static_cast<int>(SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0));
    int line = 0;
    for (HTREEITEM at = TreeView_GetFirstVisible(tree); at && at != region; at = TreeView_GetNextVisible(tree, at))
        ++line;
    const POINT inTree{60, line * height + height / 2};
    POINT onScreen = inTree, pointer{};
    ClientToScreen(tree, &onScreen);
    GetCursorPos(&pointer);
    RECT frame{};
    GetWindowRect(main, &frame);
    SetWindowPos(main, nullptr, frame.left + pointer.x - onScreen.x, frame.top + pointer.y - onScreen.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(WaitUntil([&] {
        POINT moved = inTree;
        ClientToScreen(tree, &moved);
        return moved.x == pointer.x && moved.y == pointer.y;
    }));
    const LPARAM at = MAKELPARAM(inTree.x, inTree.y);
    PostMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(tree, WM_RBUTTONUP, 0, at);
    const HWND menu = quarry.Window(L"", L"#32768");
    ASSERT_NE(menu, nullptr);
    for (const UINT key : {VK_DOWN, VK_DOWN, VK_RETURN}) PressKey(menu, key);  // "Copy"
    const std::wstring copied = L"\"" + std::wstring(address) + L"\",\"Private\",\"64 KB\",\"64 KB\",\"Read/Write\"";
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == copied; }));

    // Alt+A: About, modal over the main window.
    PressKey(main, 'A', true);
    const HWND about = quarry.Window(L"About");
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(IsWindowEnabled(main));
    PressKey(GetDlgItem(about, IDOK), VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(main); }));

    PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(quarry.ExitStatus(), 1u);
}

}  // namespace
}  // namespace quarry
