// The "Select a process" dialog in process on the test display: what the list shows of the
// running test target, sorting by a header click, accepting a row and the elevated restart;
// and the token operations it and start-up rely on, checked the system's own way.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "procsel/privileges.h"
#include "procsel/select_process.h"
#include "support/modal_driver.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

using Texts = std::vector<std::wstring>;
using Boxes = std::vector<test::Shown>;

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[260] = {};
    ListView_GetItemText(list, row, column, text, 260);
    return text;
}

// A column of the list from top to bottom, as the user reads it.
Texts Column(HWND list, int column) {
    Texts texts;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) texts.push_back(Cell(list, row, column));
    return texts;
}

// Every modal window answered with OK and recorded; COM for the shell's icons, as in the program.
class SelectProcessTest : public testing::Test {
protected:
    const ComScope com_;
    test::ModalAnswers answers;
    HWND shown = nullptr;  // the dialog, once it opened
};

UniqueHandle OwnToken(DWORD access) {
    HANDLE token = nullptr;
    return UniqueHandle(OpenProcessToken(GetCurrentProcess(), access, &token) ? token : nullptr);
}

bool DebugPrivilegeEnabled() {
    PRIVILEGE_SET wanted{1, PRIVILEGE_SET_ALL_NECESSARY, {}};
    BOOL enabled = FALSE;
    return LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &wanted.Privilege[0].Luid) &&
           PrivilegeCheck(OwnToken(TOKEN_QUERY).get(), &wanted, &enabled) && enabled;
}

TEST(Privileges, EnablesTheDebugPrivilege) {
    // Switched off first, so that enabling it shows; under Wine the user holds it.
    TOKEN_PRIVILEGES off{1, {}};
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &off.Privileges[0].Luid));
    ASSERT_TRUE(AdjustTokenPrivileges(OwnToken(TOKEN_ADJUST_PRIVILEGES).get(), FALSE, &off, sizeof(off), nullptr, nullptr));
    ASSERT_FALSE(DebugPrivilegeEnabled());
    EXPECT_TRUE(EnablePrivilege(L"SeDebugPrivilege"));
    EXPECT_TRUE(DebugPrivilegeEnabled());
}

// The token is elevated exactly when it has the Administrators group enabled (an unelevated
// administrator's token carries it for deny only). The dialog offers its elevated restart by
// this answer.
TEST(Privileges, ElevationAgreesWithAdministratorMembership) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators));
    const std::unique_ptr<void, Releaser<FreeSid>> owner(administrators);
    BOOL member = FALSE;
    ASSERT_TRUE(CheckTokenMembership(nullptr, administrators, &member));
    EXPECT_EQ(IsProcessElevated(), member != FALSE);
}

// The row whose PID column reads `pid`; the row count when none does.
int RowOf(HWND list, DWORD pid) {
    const Texts ids = Column(list, 1);
    return static_cast<int>(std::find(ids.begin(), ids.end(), std::to_wstring(pid)) - ids.begin());
}

// A double click with no row selected asks for one; then OK with the target's row accepts it.
TEST_F(SelectProcessTest, ListsTheTargetSortsByAHeaderClickRefreshesAndAcceptsOnlyASelectedRow) {
    // Only this test starts the target: the unelevated copy below needs none, and a start
    // from that copy failed now and then under load.
    test::TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const DWORD targetPid = target.Facts().pid;
    answers.dialog = [this, targetPid](HWND dialog) {
        const HWND list = GetDlgItem(shown = dialog, IDC_PROCESS_LIST);
        ListView_DeleteAllItems(list);
        SendMessageW(dialog, WM_COMMAND, IDC_REFRESH_LIST, 0);  // listed anew by Refresh
        wchar_t user[260] = {}, domain[260] = {};
        GetEnvironmentVariableW(L"USERNAME", user, 260);
        GetEnvironmentVariableW(L"USERDOMAIN", domain, 260);
        const int row = RowOf(list, targetPid);
        EXPECT_EQ((Texts{Cell(list, row, 0), Cell(list, row, 1), Cell(list, row, 2)}),
                  (Texts{L"QuarryTestTarget.exe", std::to_wstring(targetPid), std::wstring(domain) + L"\\" + user}));

        std::vector<unsigned long> ids;
        NMLISTVIEW click{{list, IDC_PROCESS_LIST, static_cast<UINT>(LVN_COLUMNCLICK)}, -1, 1, 0, 0, 0, {}, 0};
        SendMessageW(dialog, WM_NOTIFY, IDC_PROCESS_LIST, reinterpret_cast<LPARAM>(&click));  // the PID header's click
        for (const std::wstring& id : Column(list, 1)) ids.push_back(std::stoul(id));
        EXPECT_TRUE(std::ranges::is_sorted(ids, std::greater{})) << "ids as numbers, the largest first";
        PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    };
    answers.afterBox = [this, targetPid] { test::ChooseProcess(targetPid)(shown); };
    UINT32 pid = 0;
    CSelectProcess dialog;
    EXPECT_EQ(dialog.DoModal(nullptr, &pid), IDOK);
    EXPECT_EQ(pid, targetPid);
    EXPECT_EQ(answers.boxes, (Boxes{{L"", L"Please select a process.", shown}}));
}

// Records the elevated start instead of starting this test program again: refused the
// first time, started after that.
class RecordedRelaunch : public CSelectProcess {
public:
    Texts started;

protected:
    bool StartElevated(const wchar_t* path) override {
        started.push_back(path);
        return started.size() > 1;
    }
};

TEST_F(SelectProcessTest, ShowAllProcessesIsOfferedUnelevatedAndRestartsTheOwnExecutable) {
    const bool offered = !IsProcessElevated();  // Wine and the test systems are version 6 or later
    wchar_t ownPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, ownPath, MAX_PATH);
    const UniqueOf<HWND, DestroyWindow> owner(
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr));

    // A modal dialog shows itself (and so its buttons) once its queue first runs empty: the
    // button's own flag says. Refused, the message shows and the dialog stays; started, the
    // dialog cancels and its owner, the main window, is asked once to close.
    answers.dialog = [this, offered](HWND dialog) {
        EXPECT_EQ((GetWindowLongW(GetDlgItem(shown = dialog, IDC_SHOW_ALL_PROCESSES), GWL_STYLE) & WS_VISIBLE) != 0, offered)
            << (offered ? "not offered unelevated" : "offered although elevated");
        PostMessageW(dialog, WM_COMMAND, IDC_SHOW_ALL_PROCESSES, 0);
    };
    answers.afterBox = [this] { PostMessageW(shown, WM_COMMAND, IDC_SHOW_ALL_PROCESSES, 0); };
    RecordedRelaunch dialog;
    UINT32 pid = 0;
    EXPECT_EQ(dialog.DoModal(owner.get(), &pid), IDCANCEL);
    EXPECT_EQ(dialog.started, (Texts{ownPath, ownPath}));
    EXPECT_EQ(answers.boxes, (Boxes{{L"", L"Failed to launch elevated process.", shown, test::Icon::Error}}));
    MSG closing{};
    EXPECT_TRUE(PeekMessageW(&closing, owner.get(), WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&closing, owner.get(), WM_CLOSE, WM_CLOSE, PM_REMOVE)) << "asked to close after the refusal too";
}

// Wine runs this program elevated, as Windows runs an administrator's elevated one; the
// test above then runs again in a copy of it started with the session's limited token.
TEST_F(SelectProcessTest, ShowAllProcessesIsOfferedInAnUnelevatedCopyOfThisProgram) {
    TOKEN_LINKED_TOKEN limited{};
    DWORD size = 0;
    if (!IsProcessElevated()) GTEST_SKIP() << "unelevated already";
    if (!GetTokenInformation(OwnToken(TOKEN_QUERY).get(), TokenLinkedToken, &limited, sizeof(limited), &size))
        GTEST_SKIP() << "no limited token";
    const UniqueHandle limitedToken(limited.LinkedToken);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring command = L"select_process_tests --gtest_filter=*.ShowAllProcessesIsOfferedUnelevated*";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION copy{};
    ASSERT_TRUE(CreateProcessAsUserW(limitedToken.get(), path, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &copy)) << "error " << GetLastError();
    const UniqueHandle process(copy.hProcess), thread(copy.hThread);
    if (WaitForSingleObject(process.get(), 90000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 2);
    DWORD status = 1;
    GetExitCodeProcess(process.get(), &status);
    EXPECT_EQ(status, 0u) << "the unelevated copy failed (its output is above)";
}

}  // namespace
}  // namespace quarry
