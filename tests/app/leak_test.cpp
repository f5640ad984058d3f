// Leaks, in process with the real main window on a live test target: many Refresh cycles and
// many row selections leave the program's handles, GDI objects and USER objects where they
// were after one warm-up round. Each count may grow by at most kTolerance, for objects that
// the system or the controls make once and keep (caches, a first-use table).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "main_frame_driver.h"

namespace quarry {
namespace {

using namespace test;

constexpr long kTolerance = 5;
constexpr int kRefreshCycles = 200;
constexpr int kRowSelections = 1000;

// --- Counting what the process holds --------------------------------------------------------
// Wine 8 answers 0 to GetProcessHandleCount and GetGuiResources whatever the process holds.
// A process with a window always holds handles and objects, so 0 means "not counted", and the
// count is then taken another way that Wine supports; Windows never gets there.

// One entry of the system's list of every open handle (SystemExtendedHandleInformation).
struct SystemHandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};
struct SystemHandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    SystemHandleEntry entries[1];
};
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

long HandlesInSystemList() {
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<ULONG_PTR> buffer(1 << 16);  // ULONG_PTR keeps the entries aligned
    const auto ask = [&] {
        const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
        return query(kSystemExtendedHandleInformation, buffer.data(), bytes, nullptr);
    };
    LONG status;
    while ((status = ask()) == kStatusInfoLengthMismatch) buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
    long count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i) count += list->entries[i].processId == GetCurrentProcessId();
    return count;
}

long HandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return static_cast<long>(count);
    return HandlesInSystemList();
}

// Wine's GDI handles are indexes into the process's table; one whose upper word is zero
// stands for whatever object is at that index.
long GdiObjectsInTable() {
    long count = 0;
    for (ULONG_PTR index = 0; index <= 0xFFFF; ++index) count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return count;
}

long GdiObjectCount() {
    const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return count ? static_cast<long>(count) : GdiObjectsInTable();
}

BOOL CALLBACK CountWindow(HWND, LPARAM total) {
    ++*reinterpret_cast<long*>(total);
    return TRUE;
}

// A window of this process with all its descendants.
BOOL CALLBACK CountOwnWindow(HWND window, LPARAM total) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != GetCurrentProcessId()) return TRUE;
    CountWindow(window, total);
    EnumChildWindows(window, CountWindow, total);
    return TRUE;
}

// Windows of this process (top-level, their children, message-only ones), menus and
// accelerator tables. Wine's USER handles are 0x20 + 2 * index; an upper word of zero
// stands for whatever object is at that index.
long UserObjectsByKind() {
    long count = 0;
    EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&count));
    for (HWND window = nullptr; (window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr));)
        CountOwnWindow(window, reinterpret_cast<LPARAM>(&count));
    for (ULONG_PTR handle = 0x20; handle <= 0xFFFF; handle += 2) {
        count += IsMenu(reinterpret_cast<HMENU>(handle)) != FALSE;
        count += CopyAcceleratorTableW(reinterpret_cast<HACCEL>(handle), nullptr, 0) > 0;
    }
    return count;
}

long UserObjectCount() {
    const DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return count ? static_cast<long>(count) : UserObjectsByKind();
}

struct Counts {
    long handles, gdi, user;
};

Counts Take() { return {HandleCount(), GdiObjectCount(), UserObjectCount()}; }

void ExpectUnchanged(const char* what, const Counts& before, const Counts& after) {
    std::printf("%s: handles %ld -> %ld, GDI objects %ld -> %ld, USER objects %ld -> %ld\n", what, before.handles,
                after.handles, before.gdi, after.gdi, before.user, after.user);
    ASSERT_GT(before.handles, 0) << "handles cannot be counted";
    ASSERT_GT(before.gdi, 0) << "GDI objects cannot be counted";
    ASSERT_GT(before.user, 0) << "USER objects cannot be counted";
    EXPECT_LE(after.handles - before.handles, kTolerance);
    EXPECT_LE(after.gdi - before.gdi, kTolerance);
    EXPECT_LE(after.user - before.user, kTolerance);
}

// --- The program under load ------------------------------------------------------------------

class Leaks : public MainFrameWithTarget {
protected:
    Leaks() : MainFrameWithTarget(true) {}

    // Moves the selection one row down with the arrow key, back to the top after the last
    // row; true when the pane then shows the new row's memory or the read message.
    bool SelectNextRow() {
        HTREEITEM selected = SelectedRow(tree);
        if (!selected) {  // the keys move only a selection there is: the program makes one
            selected = NextRow(tree, nullptr, TVGN_ROOT);
            SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected));
        }
        const bool atEnd = !NextRow(tree, selected, TVGN_NEXTVISIBLE);
        const WPARAM key = atEnd ? VK_HOME : VK_DOWN;
        SendMessageW(tree, WM_KEYDOWN, key, 1);
        SendMessageW(tree, WM_KEYUP, key, 0xC0000001);
        const HTREEITEM now = SelectedRow(tree);
        wchar_t address[32] = {};
        if (now == selected || !frame.TreeList().GetCellText(now, 0, address, 32)) return false;
        const std::wstring pane = TextOf(frame.ContentWindow());
        return pane.starts_with(address) || pane == L"Failed to read process memory";
    }
};

TEST_F(Leaks, RefreshCyclesOnALiveTarget) {
    const int rows = TopLevelRowCount(tree);
    ASSERT_GT(rows, 0);
    SelectNextRow();
    SendCommand(frame, ID_TARGET_REFRESH);  // warm-up
    const Counts before = Take();
    const ULONGLONG start = GetTickCount64();
    int shown = 0;
    for (int cycle = 0; cycle < kRefreshCycles; ++cycle) {
        shown += SelectNextRow();  // so that each Refresh also has a selection and a pane to empty
        SendCommand(frame, ID_TARGET_REFRESH);
    }
    std::printf("%d Refresh cycles of %d allocations: %llu ms\n", kRefreshCycles, rows, GetTickCount64() - start);
    EXPECT_EQ(TopLevelRowCount(tree), rows);
    EXPECT_EQ(shown, kRefreshCycles);
    ExpectUnchanged("Refresh", before, Take());
}

TEST_F(Leaks, RowSelections) {
    // Every allocation opened, so that the selections walk through region rows too.
    for (HTREEITEM row = NextRow(tree, nullptr, TVGN_ROOT); row; row = NextRow(tree, row, TVGN_NEXT))
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(row));
    for (int warmUp = 0; warmUp < 10; ++warmUp) SelectNextRow();
    const Counts before = Take();
    const ULONGLONG start = GetTickCount64();
    int shown = 0;
    for (int selection = 0; selection < kRowSelections; ++selection) shown += SelectNextRow();
    std::printf("%d row selections: %llu ms\n", kRowSelections, GetTickCount64() - start);
    EXPECT_EQ(shown, kRowSelections);
    ExpectUnchanged("Row selections", before, Take());
}

}  // namespace
}  // namespace quarry
