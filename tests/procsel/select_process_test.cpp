// The "Select a process" dialog in process on the test display, with the test target
// running: what the list shows, sorting by the headers, each way out and the elevated restart.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "framework/handles.h"
#include "procsel/privileges.h"
#include "procsel/select_process.h"
#include "support/modal_driver.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

constexpr UINT32 kUntouched = 0xDEADBEEF;
using Texts = std::vector<std::wstring>;
using Boxes = std::vector<test::Shown>;

// A column of the list from top to bottom, as the user reads it.
Texts Column(HWND list, int column) {
    Texts texts(static_cast<std::size_t>(ListView_GetItemCount(list)), std::wstring(260, L'\0'));
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        ListView_GetItemText(list, row, column, texts[row].data(), 260);
        texts[row].resize(wcslen(texts[row].c_str()));
    }
    return texts;
}

Texts Row(HWND list, int row) {
    Texts cells;
    for (int column = 0; column < 3; ++column)
        cells.push_back(row < ListView_GetItemCount(list) ? Column(list, column)[row] : L"(not listed)");
    return cells;
}

// A press and release in the middle of the header item, which the list reports to the dialog.
void ClickHeader(HWND list, int column) {
    RECT item{};
    Header_GetItemRect(ListView_GetHeader(list), column, &item);
    const LPARAM middle = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(ListView_GetHeader(list), WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageW(ListView_GetHeader(list), WM_LBUTTONUP, 0, middle);
}

void Click(HWND dialog, int id, bool post = false) {
    const WPARAM command = MAKEWPARAM(id, BN_CLICKED);
    const auto button = reinterpret_cast<LPARAM>(GetDlgItem(dialog, id));
    post ? PostMessageW(dialog, WM_COMMAND, command, button) : SendMessageW(dialog, WM_COMMAND, command, button);
}

// Runs the dialog modally; one still open after 20 s (a fault left it waiting) is cancelled,
// so that no test can hang.
INT_PTR RunModal(CSelectProcess& dialog, UINT32* pid, HWND owner = nullptr) {
    static CSelectProcess* open = nullptr;
    open = &dialog;
    const struct Deadline {
        UINT_PTR timer = SetTimer(nullptr, 0, 20000, [](HWND, UINT, UINT_PTR, DWORD) {
            ADD_FAILURE() << "the dialog was still open after 20 s";
            Click(open->hwnd(), IDCANCEL, true);
        });
        ~Deadline() { KillTimer(nullptr, timer); }
    } deadline;
    return dialog.DoModal(owner, pid);
}

class SelectProcessTest : public testing::Test {
protected:
    static void SetUpTestSuite() { started_ = target_.Start(); }
    static void TearDownTestSuite() { target_.Stop(); }
    void SetUp() override { ASSERT_TRUE(started_) << target_.Error(); }
    static int TargetRow(HWND list) {
        const Texts ids = Column(list, 1);
        return static_cast<int>(std::find(ids.begin(), ids.end(), std::to_wstring(TargetPid())) - ids.begin());
    }
    static DWORD TargetPid() { return target_.Facts().pid; }

    test::ModalAnswers answers;  // every message box answered with OK and recorded
    HWND shown = nullptr;        // the dialog, once it opened
    static inline ComScope com_;  // for the shell's icons, as in the program
    static inline test::TargetLauncher target_;
    static inline bool started_ = false;
};

TEST_F(SelectProcessTest, ListsTheTargetSortsByHeaderClicksResizesAndCancelLeavesTheVariable) {
    answers.dialog = [](HWND dialog) {
        const HWND list = GetDlgItem(dialog, IDC_PROCESS_LIST);
        wchar_t user[260] = {}, domain[260] = {};
        GetEnvironmentVariableW(L"USERNAME", user, 260);
        GetEnvironmentVariableW(L"USERDOMAIN", domain, 260);
        EXPECT_EQ(Row(list, TargetRow(list)),
                  (Texts{L"QuarryTestTarget.exe", std::to_wstring(TargetPid()), std::wstring(domain) + L"\\" + user}));

        std::vector<unsigned long> ids;
        ClickHeader(list, 1);
        for (const std::wstring& id : Column(list, 1)) ids.push_back(std::stoul(id));
        EXPECT_TRUE(std::is_sorted(ids.rbegin(), ids.rend())) << "ids as numbers, the largest first";
        ClickHeader(list, 1);
        EXPECT_EQ(Column(list, 1).back(), std::to_wstring(ids.front())) << "then the smallest first";
        ClickHeader(list, 0);
        EXPECT_TRUE(std::ranges::is_sorted(Column(list, 0), [](const std::wstring& a, const std::wstring& b) {
            return _wcsicmp(a.c_str(), b.c_str()) > 0;
        })) << "names from z to a";

        // Made 100 by 60 larger the list grows as much; smaller than it opened it cannot be made.
        const auto size = [](HWND window) {
            RECT r{};
            GetWindowRect(window, &r);
            return std::pair(r.right - r.left, r.bottom - r.top);
        };
        const auto [width, height] = size(dialog);
        const auto [listWidth, listHeight] = size(list);
        SetWindowPos(dialog, nullptr, 0, 0, width + 100, height + 60, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(size(list), std::pair(listWidth + 100, listHeight + 60));
        SetWindowPos(dialog, nullptr, 0, 0, width - 80, height - 50, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(size(dialog), std::pair(width, height));

        ListView_DeleteAllItems(list);
        Click(dialog, IDC_REFRESH_LIST);
        EXPECT_LT(TargetRow(list), ListView_GetItemCount(list)) << "listed again by Refresh";
        ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
        Click(dialog, IDCANCEL);
    };
    UINT32 pid = kUntouched;
    CSelectProcess dialog;
    EXPECT_EQ(RunModal(dialog, &pid), IDCANCEL);
    EXPECT_EQ(pid, kUntouched);
}

TEST_F(SelectProcessTest, AcceptsTheSelectedRowByOkOrADoubleClickAndAsksForOneWithout) {
    // Enter with no row selected, then OK with the target selected.
    answers.dialog = [this](HWND dialog) { PostMessageW(GetDlgItem(shown = dialog, IDC_PROCESS_LIST), WM_KEYDOWN, VK_RETURN, 0); };
    answers.afterBox = [this] { test::ChooseProcess(TargetPid())(shown); };
    UINT32 pid = kUntouched;
    CSelectProcess first;
    EXPECT_EQ(RunModal(first, &pid), IDOK);
    EXPECT_EQ(pid, TargetPid());
    EXPECT_EQ(answers.boxes, (Boxes{{L"", L"Please select a process.", shown}}));

    answers.dialog = [](HWND dialog) {  // the first click selects, the second accepts
        const HWND list = GetDlgItem(dialog, IDC_PROCESS_LIST);
        RECT row{};
        ListView_SetItemState(list, TargetRow(list), LVIS_SELECTED, LVIS_SELECTED);
        ListView_EnsureVisible(list, TargetRow(list), FALSE);
        ListView_GetItemRect(list, TargetRow(list), &row, LVIR_LABEL);
        SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(row.left + 2, row.top + 2));
    };
    pid = kUntouched;
    CSelectProcess second;
    EXPECT_EQ(RunModal(second, &pid), IDOK);
    EXPECT_EQ(pid, TargetPid());
}

// Records the elevated start instead of starting this test program again.
class RecordedRelaunch : public CSelectProcess {
public:
    explicit RecordedRelaunch(bool succeeds) : succeeds_(succeeds) {}
    Texts started;

protected:
    bool StartElevated(const wchar_t* path) override {
        started.push_back(path);
        return succeeds_;
    }

private:
    bool succeeds_;
};

TEST_F(SelectProcessTest, ShowAllProcessesIsOfferedUnelevatedAndRestartsTheOwnExecutable) {
    const bool offered = !IsProcessElevated();  // Wine and the test systems are version 6 or later
    wchar_t ownPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, ownPath, MAX_PATH);
    const UniqueOf<HWND, DestroyWindow> owner(
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr));
    MSG closing{};

    // Refused: the message, and the dialog and its owner stay. A modal dialog shows itself
    // (and so its buttons) once its queue first runs empty: the button's own flag says.
    answers.dialog = [this, offered](HWND dialog) {
        EXPECT_EQ((GetWindowLongW(GetDlgItem(shown = dialog, IDC_SHOW_ALL_PROCESSES), GWL_STYLE) & WS_VISIBLE) != 0, offered)
            << (offered ? "not offered unelevated" : "offered although elevated");
        Click(dialog, IDC_SHOW_ALL_PROCESSES, true);
    };
    answers.afterBox = [this] { Click(shown, IDCANCEL, true); };
    RecordedRelaunch failing(false);
    UINT32 pid = kUntouched;
    EXPECT_EQ(RunModal(failing, &pid, owner.get()), IDCANCEL);
    EXPECT_EQ(failing.started, Texts{ownPath});
    EXPECT_EQ(answers.boxes, (Boxes{{L"", L"Failed to launch elevated process.", shown, test::Icon::Error}}));
    EXPECT_FALSE(PeekMessageW(&closing, owner.get(), WM_CLOSE, WM_CLOSE, PM_REMOVE));

    // Started: the dialog cancels and its owner, the main window, is asked to close.
    answers.dialog = [](HWND dialog) { Click(dialog, IDC_SHOW_ALL_PROCESSES); };
    RecordedRelaunch succeeding(true);
    EXPECT_EQ(RunModal(succeeding, &pid, owner.get()), IDCANCEL);
    EXPECT_EQ(pid, kUntouched);
    EXPECT_EQ(succeeding.started, Texts{ownPath});
    EXPECT_TRUE(PeekMessageW(&closing, owner.get(), WM_CLOSE, WM_CLOSE, PM_REMOVE));
}

// Wine runs this program elevated, as Windows runs an administrator's elevated one; the
// test above then runs again in a copy of it started with the session's limited token.
TEST_F(SelectProcessTest, ShowAllProcessesIsOfferedInAnUnelevatedCopyOfThisProgram) {
    HANDLE ownToken = nullptr;
    TOKEN_LINKED_TOKEN limited{};
    DWORD size = 0;
    if (!IsProcessElevated() || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &ownToken))
        GTEST_SKIP() << "unelevated already";
    const UniqueHandle token(ownToken);
    if (!GetTokenInformation(token.get(), TokenLinkedToken, &limited, sizeof(limited), &size))
        GTEST_SKIP() << "no limited token";
    const UniqueHandle limitedToken(limited.LinkedToken);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring command = L"select_process_tests --gtest_filter=*.ShowAllProcessesIsOfferedUnelevated*";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION copy{};
    ASSERT_TRUE(CreateProcessAsUserW(limitedToken.get(), path, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &copy));
    const UniqueHandle process(copy.hProcess), thread(copy.hThread);
    if (WaitForSingleObject(process.get(), 90000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 2);
    DWORD status = 1;
    GetExitCodeProcess(process.get(), &status);
    EXPECT_EQ(status, 0u) << "the unelevated copy failed (its output is above)";
}

}  // namespace
}  // namespace quarry
