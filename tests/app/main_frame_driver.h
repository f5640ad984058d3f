// The real main window shown with the test target running, its target opened through the
// Open command and the process selection, for the leak and read-only tests.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/main_frame.h"
#include "resources/resource.h"
#include "support/modal_driver.h"
#include "support/target_launcher.h"
#include "support/tree_list_windows.h"

namespace quarry::test {

inline void SendCommand(const CMainFrame& frame, UINT id) { SendMessageW(frame.hwnd(), WM_COMMAND, id, 0); }

inline void OpenProcessById(CMainFrame& frame, DWORD pid) {
    ModalAnswers answers;
    answers.dialog = ChooseProcess(pid);
    SendCommand(frame, ID_TARGET_OPEN);
}

inline HTREEITEM NextRow(HWND tree, HTREEITEM row, UINT how) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(row)));
}
inline HTREEITEM SelectedRow(HWND tree) { return NextRow(tree, nullptr, TVGN_CARET); }
inline int TopLevelRowCount(HWND tree) {
    int count = 0;
    for (HTREEITEM row = NextRow(tree, nullptr, TVGN_ROOT); row; row = NextRow(tree, row, TVGN_NEXT)) ++count;
    return count;
}

class MainFrameWithTarget : public testing::Test {
protected:
    explicit MainFrameWithTarget(bool openTarget) : openTarget_(openTarget) {}

    void SetUp() override {
        CoInitialize(nullptr);
        ASSERT_TRUE(target.Start()) << target.Error();
        ASSERT_NE(frame.Create(), nullptr);
        ShowWindow(frame.hwnd(), SW_SHOWNORMAL);
        tree = InnerTree(frame.TreeList().hwnd());
        if (!openTarget_) return;
        OpenProcessById(frame, target.Facts().pid);
        ASSERT_NE(frame.Target(), nullptr);
    }
    void TearDown() override {
        if (frame.hwnd()) DestroyWindow(frame.hwnd());
        TakeQuitMessage();
        target.Stop();
        CoUninitialize();
    }

    TargetLauncher target;
    CMainFrame frame;
    HWND tree = nullptr;

private:
    bool openTarget_;
};

}  // namespace quarry::test
