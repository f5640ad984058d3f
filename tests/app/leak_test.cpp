// Leaks, in process with the real main window on a live test target: rounds of Open, the row
// menu, Refresh and row selections leave the program's handles, GDI objects and USER objects
// where they were after a first round.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "app/main_frame.h"
#include "resources/resource.h"
#include "support/modal_driver.h"
#include "support/tree_list_windows.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

constexpr int kRounds = 8;
constexpr long kTolerance = 3;  // for objects that the system or the controls make once and keep

// Wine answers 0 to GetGuiResources: its GDI and USER handles are indexes into the process's
// tables (USER ones 0x20 + 2 * index), and one whose upper word is zero stands for whatever
// object is at that index. Windows never gets there.
long GdiObjects() {
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<long>(count);
    long count = 0;
    for (ULONG_PTR index = 0; index <= 0xFFFF; ++index) count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return count;
}

// Windows of this process, menus and accelerator tables.
long UserObjects() {
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return static_cast<long>(count);
    long count = 0;
    for (ULONG_PTR handle = 0x20; handle <= 0xFFFF; handle += 2) {
        DWORD owner = 0;
        count += IsWindow(reinterpret_cast<HWND>(handle)) &&
                 GetWindowThreadProcessId(reinterpret_cast<HWND>(handle), &owner) && owner == GetCurrentProcessId();
        count += IsMenu(reinterpret_cast<HMENU>(handle)) ||
                 CopyAcceleratorTableW(reinterpret_cast<HACCEL>(handle), nullptr, 0);
    }
    return count;
}

// Probed one by one: Wine answers 0 to GetProcessHandleCount too.
long Handles() {
    long count = 0;
    DWORD flags = 0;
    for (ULONG_PTR handle = 4; handle <= 0xFFFF; handle += 4)
        count += GetHandleInformation(reinterpret_cast<HANDLE>(handle), &flags) != 0;
    return count;
}

struct Counts {
    long handles, gdi, user;
};
Counts Take() { return {Handles(), GdiObjects(), UserObjects()}; }

TEST(Leaks, OpenRowMenuRefreshAndSelectionsLeaveNothingBehind) {
    test::TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    CoInitialize(nullptr);
    CMainFrame frame;
    ASSERT_NE(frame.Create(), nullptr);
    ShowWindow(frame.hwnd(), SW_SHOWNORMAL);

    const HWND tree = test::InnerTree(frame.TreeList().hwnd());
    // The row menu goes as soon as it waits for the user.
    const test::AfterSentMessage closeMenu(WM_ENTERIDLE, [](HWND, WPARAM kind, LPARAM menu) {
        if (kind == MSGF_MENU) PostMessageW(reinterpret_cast<HWND>(menu), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    test::ModalAnswers answers;
    answers.dialog = test::ChooseProcess(target.Facts().pid);
    NMHDR rightClick{frame.TreeList().hwnd(), CMainFrame::kTreeListId, static_cast<UINT>(NM_RCLICK)};
    const auto round = [&] {
        SendMessageW(frame.hwnd(), WM_COMMAND, ID_TARGET_OPEN, 0);  // over the open target, after the first
        SendMessageW(frame.hwnd(), WM_NOTIFY, rightClick.idFrom, reinterpret_cast<LPARAM>(&rightClick));
        SendMessageW(frame.hwnd(), WM_COMMAND, ID_TARGET_REFRESH, 0);
        // The keys move only a selection there is: the first row's, made as the program makes one.
        frame.TreeList().SelectRow(reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)));
        for (int key = 0; key < 3; ++key) SendMessageW(tree, WM_KEYDOWN, VK_DOWN, 0);
    };
    round();
    ASSERT_NE(frame.Target(), nullptr);
    const Counts before = Take();
    for (int i = 0; i < kRounds; ++i) round();
    const Counts after = Take();
    std::printf("handles %ld -> %ld, GDI objects %ld -> %ld, USER objects %ld -> %ld\n", before.handles, after.handles,
                before.gdi, after.gdi, before.user, after.user);
    // The keys' selection shows its row's memory.
    wchar_t address[32] = {};
    ASSERT_TRUE(frame.TreeList().GetCellText(frame.TreeList().SelectedRow(), 0, address, 32));
    EXPECT_TRUE(test::TextOf(frame.ContentWindow()).starts_with(address));
    EXPECT_GT(before.handles * before.gdi * before.user, 0) << "cannot count";
    EXPECT_LE(after.handles - before.handles, kTolerance);
    EXPECT_LE(after.gdi - before.gdi, kTolerance);
    EXPECT_LE(after.user - before.user, kTolerance);
    DestroyWindow(frame.hwnd());
}

}  // namespace
}  // namespace quarry
