// Test help for the main window's target commands, in process: the main window shown on the
// test display with the test target running, and the modal windows its commands open (the
// selection dialog, the save dialog, message boxes) answered from inside their loops.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "support/modal_driver.h"
#include "resources/resource.h"
#include "support/target_launcher.h"
#include "support/tree_list_windows.h"

namespace quarry::test {

inline constexpr int kMessageBoxText = 0xFFFF;  // the static that shows a message box's text
inline constexpr int kFileTypeList = 0x470;     // the save dialog's "Save as type" list
inline constexpr int kFileNameCombo = 0x47C;    // its file name box, as a combo box
inline constexpr int kFileNameEdit = 0x480;     // its file name box, as an edit control

struct ShownBox {
    std::wstring text, caption;
    HWND owner;
    bool errorIcon;
    bool waitCursor;  // shown while the wait cursor was still up
};

// Answers every modal window that the commands open while it lives: the selection dialog
// and the save dialog by the given actions (cancel when none is given), message boxes with
// their first button (OK, or Yes to the question whether to replace a file).
class ModalAnswers {
public:
    std::function<void(HWND dialog, HWND list)> select;
    std::function<void(HWND dialog)> save;
    std::vector<ShownBox> boxes;
    int selectionDialogs = 0, saveDialogs = 0;

    ModalAnswers() : watch_(WM_INITDIALOG, [this](HWND window, WPARAM, LPARAM) { Answer(window); }) {}

private:
    void Answer(HWND window) {
        if (const HWND list = GetDlgItem(window, IDC_PROCESS_LIST)) {
            ++selectionDialogs;
            if (select) select(window, list);
            else PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        } else if (GetDlgItem(window, kFileTypeList)) {
            ++saveDialogs;
            if (save) save(window);
            else PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        } else if (const HWND text = GetDlgItem(window, kMessageBoxText)) {
            boxes.push_back({TextOf(text), TextOf(window), GetWindow(window, GW_OWNER), ShowsErrorIcon(window),
                             GetCursor() == LoadCursorW(nullptr, IDC_WAIT)});
            PostMessageW(window, WM_COMMAND, GetDlgItem(window, IDYES) ? IDYES : IDOK, 0);
        }
    }

    static bool ShowsErrorIcon(HWND box) {
        struct Search {
            HICON wanted;
            bool found;
        } search{LoadIconW(nullptr, IDI_ERROR), false};
        EnumChildWindows(
            box,
            [](HWND child, LPARAM param) {
                auto* s = reinterpret_cast<Search*>(param);
                if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                    reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) == s->wanted)
                    s->found = true;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    AfterSentMessage watch_;
};

// Selects the list's row of process `pid` and confirms with OK; a process that is not
// listed leaves the dialog open for the test to fail on.
inline void ChooseProcess(HWND dialog, HWND list, DWORD pid) {
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (!ListView_GetItem(list, &item) || static_cast<DWORD>(item.lParam) != pid) continue;
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return;
    }
    ADD_FAILURE() << "process " << pid << " is not listed";
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

inline void SendCommand(const CMainFrame& frame, UINT id) { SendMessageW(frame.hwnd(), WM_COMMAND, id, 0); }

// Opens process `pid` through the Open command and its dialog.
inline void OpenProcessById(CMainFrame& frame, DWORD pid) {
    ModalAnswers answers;
    answers.select = [pid](HWND dialog, HWND list) { ChooseProcess(dialog, list, pid); };
    SendCommand(frame, ID_TARGET_OPEN);
}

// The real main window shown with the test target running, as the program has it after
// start-up; `openTarget` opens the target through the Open command as well.
class MainFrameWithTarget : public testing::Test {
protected:
    explicit MainFrameWithTarget(bool openTarget) : openTarget_(openTarget) {}

    void SetUp() override {
        CoInitialize(nullptr);
        ASSERT_TRUE(target.Start()) << target.Error();
        ASSERT_NE(frame.Create(), nullptr);
        ShowWindow(frame.hwnd(), SW_SHOWNORMAL);
        tree = test::InnerTree(frame.TreeList().hwnd());
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

// --- The tree as the user reads it ---------------------------------------------------------

inline HTREEITEM NextRow(HWND tree, HTREEITEM row, UINT how) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(row)));
}

inline int TopLevelRowCount(HWND tree) {
    int count = 0;
    for (HTREEITEM row = NextRow(tree, nullptr, TVGN_ROOT); row; row = NextRow(tree, row, TVGN_NEXT)) ++count;
    return count;
}

inline std::wstring AddressLabel(std::uint64_t address) {
    wchar_t label[17];
    swprintf(label, 17, L"%016llX", static_cast<unsigned long long>(address));
    return label;
}

// The allocation row whose Address reads `address`, or null.
inline HTREEITEM AllocationRow(CTreeListView& treeList, std::uint64_t address) {
    const HWND tree = test::InnerTree(treeList.hwnd());
    for (HTREEITEM row = NextRow(tree, nullptr, TVGN_ROOT); row; row = NextRow(tree, row, TVGN_NEXT)) {
        wchar_t cell[32] = {};
        if (treeList.GetCellText(row, 0, cell, 32) && AddressLabel(address) == cell) return row;
    }
    return nullptr;
}

inline HTREEITEM FirstRegionRow(CTreeListView& treeList, HTREEITEM allocation) {
    SendMessageW(test::InnerTree(treeList.hwnd()), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(allocation));
    return NextRow(test::InnerTree(treeList.hwnd()), allocation, TVGN_CHILD);
}

inline HTREEITEM SelectedRow(HWND tree) { return NextRow(tree, nullptr, TVGN_CARET); }

// Moves the selection onto `row` with the arrow keys, as the user would: the program puts
// it on a neighbour (which empties the pane), the key does the rest.
inline void SelectByKeyboard(HWND tree, HTREEITEM row) {
    const HTREEITEM before = NextRow(tree, row, TVGN_PREVIOUSVISIBLE);
    const HTREEITEM start = before ? before : NextRow(tree, row, TVGN_NEXTVISIBLE);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(start));
    SendMessageW(tree, WM_KEYDOWN, before ? VK_DOWN : VK_UP, 1);
    SendMessageW(tree, WM_KEYUP, before ? VK_DOWN : VK_UP, 0xC0000001);
}

}  // namespace quarry::test
