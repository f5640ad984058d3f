// The "Select a process" dialog on the test display, in process, with the test target
// running: what the list shows, sorting by the headers, each way out, resizing and the
// elevated restart.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/modal_driver.h"
#include "procsel/privileges.h"
#include "procsel/select_process.h"
#include "support/target_launcher.h"

inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

namespace quarry {
namespace {

constexpr UINT32 kUntouched = 0xDEADBEEF;
constexpr int kMessageBoxText = 0xFFFF;  // the static that shows a message box's text
using Pids = std::vector<DWORD>;

std::wstring TextOf(HWND window) {
    wchar_t text[260] = {};
    GetWindowTextW(window, text, 260);
    return text;
}

RECT RectIn(HWND window, HWND parent, int dx = 0, int dy = 0) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    OffsetRect(&r, dx, dy);
    return r;
}

// Each row's item data, checked against what the row shows.
Pids RowPids(HWND list) {
    Pids pids;
    for (int row = 0, count = ListView_GetItemCount(list); row < count; ++row) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        EXPECT_TRUE(ListView_GetItem(list, &item));
        wchar_t id[16] = {};
        ListView_GetItemText(list, row, kProcessIdColumn, id, 16);
        EXPECT_EQ(id, std::to_wstring(item.lParam)) << "row " << row;
        pids.push_back(static_cast<DWORD>(item.lParam));
    }
    return pids;
}

int RowOf(HWND list, DWORD pid) {
    const Pids pids = RowPids(list);
    return static_cast<int>(std::find(pids.begin(), pids.end(), pid) - pids.begin());
}

// A press and release on the header item, which the list reports to the dialog.
void ClickHeader(HWND list, int column) {
    const HWND header = ListView_GetHeader(list);
    RECT item{};
    Header_GetItemRect(header, column, &item);
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
}

std::vector<int> Arrows(HWND list) {
    std::vector<int> arrows;
    for (int column = 0; column < kProcessColumnCount; ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(ListView_GetHeader(list), column, &item);
        arrows.push_back(item.fmt & (HDF_SORTUP | HDF_SORTDOWN));
    }
    return arrows;
}

void Click(HWND dialog, int id, bool post = false) {
    const WPARAM command = MAKEWPARAM(id, BN_CLICKED);
    const auto button = reinterpret_cast<LPARAM>(GetDlgItem(dialog, id));
    post ? PostMessageW(dialog, WM_COMMAND, command, button) : SendMessageW(dialog, WM_COMMAND, command, button);
}

struct ShownBox {
    std::wstring text, caption;
    bool ownedByDialog, okAlone;
    int icons;
};

int ShownIcons(HWND box) {
    int icons = 0;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM count) {
            // The box is not shown yet when it is initialised: its children's style says.
            const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
            if ((style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE) && SendMessageW(child, STM_GETICON, 0, 0))
                ++*reinterpret_cast<int*>(count);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&icons));
    return icons;
}

// Runs the dialog modally; `onOpen` acts once it is initialised. Every message box it raises
// is recorded and answered with OK; `afterBox` then queues what comes next.
struct DialogRun {
    std::function<void(HWND dialog, HWND list)> onOpen, afterBox;
    std::vector<ShownBox> boxes;

    INT_PTR Run(CSelectProcess& dialog, UINT32* pid, HWND owner = nullptr) {
        test::AfterSentMessage watch(WM_INITDIALOG, [&](HWND window, WPARAM, LPARAM) {
            const HWND list = GetDlgItem(dialog.hwnd(), IDC_PROCESS_LIST);
            if (window == dialog.hwnd()) {
                onOpen(window, list);
                // A failed assertion left the steps half done: end rather than wait forever.
                if (testing::Test::HasFatalFailure()) Click(window, IDCANCEL, true);
                return;
            }
            boxes.push_back({TextOf(GetDlgItem(window, kMessageBoxText)), TextOf(window),
                             GetWindow(window, GW_OWNER) == dialog.hwnd(), GetDlgItem(window, IDCANCEL) == nullptr,
                             ShownIcons(window)});
            PostMessageW(window, WM_COMMAND, IDOK, 0);
            if (afterBox) afterBox(dialog.hwnd(), list);  // reaches the dialog after the box has gone
        });
        return dialog.DoModal(owner, pid);
    }
};

class SelectProcessTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);  // for the shell's icons, as in the program
        target_ = new test::TargetLauncher;
        started_ = target_->Start();
    }
    static void TearDownTestSuite() {
        delete target_;
        CoUninitialize();
    }
    void SetUp() override { ASSERT_TRUE(started_) << target_->Error(); }
    static DWORD TargetPid() { return target_->Facts().pid; }

    static inline test::TargetLauncher* target_ = nullptr;
    static inline bool started_ = false;
};

TEST_F(SelectProcessTest, ListsTheTargetSortsByHeaderClicksAndCancelLeavesTheVariable) {
    DialogRun run;
    run.onOpen = [](HWND dialog, HWND list) {
        const Pids listed = RowPids(list);
        EXPECT_EQ(std::count(listed.begin(), listed.end(), 0u), 0) << "process id 0 listed";
        const int target = RowOf(list, TargetPid());
        ASSERT_LT(target, static_cast<int>(listed.size())) << "the test target is not listed";
        wchar_t name[260] = {};
        ListView_GetItemText(list, target, kNameColumn, name, 260);
        EXPECT_STREQ(name, L"QuarryTestTarget.exe");
        EXPECT_EQ(ListView_GetSelectedCount(list), 0u);

        ClickHeader(list, kProcessIdColumn);
        const Pids descending = RowPids(list);
        EXPECT_TRUE(std::is_sorted(descending.rbegin(), descending.rend()));
        EXPECT_EQ(Arrows(list), (std::vector<int>{0, HDF_SORTDOWN, 0}));
        ClickHeader(list, kProcessIdColumn);
        EXPECT_EQ(RowPids(list), Pids(descending.rbegin(), descending.rend()));
        EXPECT_EQ(Arrows(list), (std::vector<int>{0, HDF_SORTUP, 0}));

        ClickHeader(list, kNameColumn);
        EXPECT_EQ(Arrows(list), (std::vector<int>{HDF_SORTDOWN, 0, 0}));
        // Refresh lists afresh, into a new image list; the arrow stays and the next click
        // on its column turns it.
        const HIMAGELIST images = ListView_GetImageList(list, LVSIL_SMALL);
        Click(dialog, IDC_REFRESH_LIST);
        EXPECT_NE(ListView_GetImageList(list, LVSIL_SMALL), images);
        ClickHeader(list, kNameColumn);
        EXPECT_EQ(Arrows(list), (std::vector<int>{HDF_SORTUP, 0, 0}));
        for (int row = 1; row < ListView_GetItemCount(list); ++row) {
            wchar_t before[260] = {}, after[260] = {};
            ListView_GetItemText(list, row - 1, kNameColumn, before, 260);
            ListView_GetItemText(list, row, kNameColumn, after, 260);
            EXPECT_LE(CompareNamesNoCase(reinterpret_cast<const char16_t*>(before),
                                         reinterpret_cast<const char16_t*>(after)),
                      0);
        }
        ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
        Click(dialog, IDCANCEL);
    };
    UINT32 pid = kUntouched;
    CSelectProcess dialog;
    EXPECT_EQ(run.Run(dialog, &pid), IDCANCEL);
    EXPECT_EQ(pid, kUntouched);
}

TEST_F(SelectProcessTest, AcceptsTheSelectedRowByOkOrADoubleClickAndAsksForOneWithout) {
    DialogRun enter;  // Enter with no row selected, then OK with the target selected
    enter.onOpen = [](HWND, HWND list) { PostMessageW(list, WM_KEYDOWN, VK_RETURN, 0); };
    enter.afterBox = [](HWND dialog, HWND list) {
        ListView_SetItemState(list, RowOf(list, TargetPid()), LVIS_SELECTED, LVIS_SELECTED);
        Click(dialog, IDOK, true);
    };
    UINT32 pid = kUntouched;
    CSelectProcess first;
    EXPECT_EQ(enter.Run(first, &pid), IDOK);
    EXPECT_EQ(pid, TargetPid());
    ASSERT_EQ(enter.boxes.size(), 1u);
    const ShownBox& box = enter.boxes[0];
    EXPECT_EQ(box.text, L"Please select a process.");
    EXPECT_EQ(box.caption, L"");
    EXPECT_TRUE(box.ownedByDialog && box.okAlone);
    EXPECT_EQ(box.icons, 0);

    // A double-click below the rows accepts the selected row; a system with more processes
    // than the list has room for gets the double-click on the row itself.
    DialogRun doubleClick;
    doubleClick.onOpen = [](HWND, HWND list) {
        const int target = RowOf(list, TargetPid());
        ListView_SetItemState(list, target, LVIS_SELECTED, LVIS_SELECTED);
        RECT client{}, last{}, chosen{};
        GetClientRect(list, &client);
        ListView_GetItemRect(list, ListView_GetItemCount(list) - 1, &last, LVIR_BOUNDS);
        ListView_GetItemRect(list, target, &chosen, LVIR_LABEL);
        const int y = last.bottom + 4 < client.bottom ? (last.bottom + client.bottom) / 2 : chosen.top + 2;
        SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(chosen.left + 2, y));
    };
    pid = kUntouched;
    CSelectProcess second;
    EXPECT_EQ(doubleClick.Run(second, &pid), IDOK);
    EXPECT_EQ(pid, TargetPid());
}

TEST_F(SelectProcessTest, ResizesByItsAnchorsAndNeverBelowItsOpeningSize) {
    DialogRun run;
    run.onOpen = [](HWND dialog, HWND) {
        const auto at = [dialog](int id, int dx = 0, int dy = 0) { return RectIn(GetDlgItem(dialog, id), dialog, dx, dy); };
        const RECT list = at(IDC_PROCESS_LIST), opened = RectIn(dialog, nullptr);
        const int width = opened.right - opened.left, height = opened.bottom - opened.top;
        const RECT ok = at(IDOK, 100, 60), cancel = at(IDCANCEL, 100, 60), refresh = at(IDC_REFRESH_LIST, 100, 60),
                   showAll = at(IDC_SHOW_ALL_PROCESSES, 0, 60);
        SetWindowPos(dialog, nullptr, 0, 0, width + 100, height + 60, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(at(IDC_PROCESS_LIST), (RECT{list.left, list.top, list.right + 100, list.bottom + 60}));
        EXPECT_EQ(at(IDOK), ok);
        EXPECT_EQ(at(IDCANCEL), cancel);
        EXPECT_EQ(at(IDC_REFRESH_LIST), refresh);
        EXPECT_EQ(at(IDC_SHOW_ALL_PROCESSES), showAll);

        SetWindowPos(dialog, nullptr, 0, 0, width - 80, height - 50, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(RectIn(dialog, nullptr), opened);
        EXPECT_EQ(at(IDC_PROCESS_LIST), list);
        Click(dialog, IDCANCEL);
    };
    UINT32 pid = kUntouched;
    CSelectProcess dialog;
    EXPECT_EQ(run.Run(dialog, &pid), IDCANCEL);
}

// Records the elevated start instead of starting this test program again.
class RecordedRelaunch : public CSelectProcess {
public:
    explicit RecordedRelaunch(bool succeeds) : succeeds_(succeeds) {}
    std::vector<std::wstring> started;

protected:
    bool StartElevated(const wchar_t* path) override {
        started.push_back(path);
        return succeeds_;
    }

private:
    bool succeeds_;
};

TEST_F(SelectProcessTest, ShowAllProcessesIsOfferedUnelevatedAndRestartsTheOwnExecutable) {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    ASSERT_TRUE(GetVersionExW(&version));
    const bool offered = version.dwMajorVersion >= 6 && !IsProcessElevated();
    wchar_t ownPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, ownPath, MAX_PATH);
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                       nullptr, nullptr);
    MSG closing{};

    // Refused: the message, and the dialog and its owner stay.
    DialogRun refused;
    refused.onOpen = [offered](HWND dialog, HWND) {
        EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, IDC_SHOW_ALL_PROCESSES)) != FALSE, offered);
        Click(dialog, IDC_SHOW_ALL_PROCESSES, true);
    };
    refused.afterBox = [](HWND dialog, HWND) { Click(dialog, IDCANCEL, true); };
    RecordedRelaunch failing(false);
    UINT32 pid = kUntouched;
    EXPECT_EQ(refused.Run(failing, &pid, owner), IDCANCEL);
    EXPECT_EQ(failing.started, std::vector<std::wstring>{ownPath});
    ASSERT_EQ(refused.boxes.size(), 1u);
    EXPECT_EQ(refused.boxes[0].text, L"Failed to launch elevated process.");
    EXPECT_TRUE(refused.boxes[0].ownedByDialog);
    EXPECT_EQ(refused.boxes[0].icons, 1);
    EXPECT_FALSE(PeekMessageW(&closing, owner, WM_CLOSE, WM_CLOSE, PM_REMOVE));

    // Started: the dialog cancels and its owner, the main window, is asked to close.
    DialogRun accepted;
    accepted.onOpen = [](HWND dialog, HWND) { Click(dialog, IDC_SHOW_ALL_PROCESSES); };
    RecordedRelaunch succeeding(true);
    EXPECT_EQ(accepted.Run(succeeding, &pid, owner), IDCANCEL);
    EXPECT_EQ(pid, kUntouched);
    EXPECT_EQ(succeeding.started, std::vector<std::wstring>{ownPath});
    EXPECT_TRUE(PeekMessageW(&closing, owner, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    DestroyWindow(owner);
}

}  // namespace
}  // namespace quarry
