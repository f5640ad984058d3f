// Start-up as a whole: the privilege, the main window, the loop and the exit status.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/main_frame.h"
#include "app/startup.h"
#include "support/modal_driver.h"
#include "resources/resource.h"

namespace quarry {
namespace {

using test::AfterSentMessage;

constexpr int kMessageBoxText = 0xFFFF;  // the static that shows a message box's text

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::wstring askedFor;
bool RefusePrivilege(const wchar_t* name) {
    askedFor = name;
    return false;
}
bool GrantPrivilege(const wchar_t* name) {
    askedFor = name;
    return true;
}

TEST(StartUp, WithoutTheDebugPrivilegeSaysSoAloneAndEndsWithOne) {
    int boxes = 0;
    bool mainWindowSeen = true;
    AfterSentMessage answer(WM_INITDIALOG, [&](HWND box, WPARAM, LPARAM) {
        ++boxes;
        EXPECT_EQ(TextOf(GetDlgItem(box, kMessageBoxText)), L"Failed to get debug privilege.");
        EXPECT_EQ(TextOf(box), L"");
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);  // OK alone
        mainWindowSeen = FindWindowW(CMainFrame::kClassName, nullptr) != nullptr;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(RunQuarry(SW_SHOWNORMAL, &RefusePrivilege), 1);
    EXPECT_EQ(askedFor, L"SeDebugPrivilege");
    EXPECT_EQ(boxes, 1);
    EXPECT_FALSE(mainWindowSeen);
}

TEST(StartUp, RunsTheMainWindowUntilExitAndEndsWithOne) {
    askedFor.clear();
    // The Open command at start-up shows the process selection: cancelled here.
    AfterSentMessage cancel(WM_INITDIALOG, [](HWND dialog, WPARAM, LPARAM) {
        if (GetDlgItem(dialog, IDC_PROCESS_LIST)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    std::wstring title;
    AfterSentMessage exit(WM_COMMAND, [&](HWND window, WPARAM wParam, LPARAM) {
        if (LOWORD(wParam) != ID_TARGET_OPEN) return;
        title = TextOf(window);
        PostMessageW(window, WM_COMMAND, ID_APP_EXIT, 0);
    });
    EXPECT_EQ(RunQuarry(SW_SHOWNORMAL, &GrantPrivilege), 1);
    EXPECT_EQ(askedFor, L"SeDebugPrivilege");
    EXPECT_EQ(title, L"Quarry - Tellwick");
}

// Refuses the creation of every main window of this thread while it lives.
class MainWindowVeto {
public:
    MainWindowVeto() : hook_(SetWindowsHookExW(WH_CBT, &MainWindowVeto::Hook, nullptr, GetCurrentThreadId())) {}
    ~MainWindowVeto() { UnhookWindowsHookEx(hook_); }
    MainWindowVeto(const MainWindowVeto&) = delete;
    MainWindowVeto& operator=(const MainWindowVeto&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        wchar_t className[64] = {};
        if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(wParam), className, 64) &&
            std::wstring(className) == CMainFrame::kClassName)
            return 1;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_;
};

TEST(StartUp, EndsSilentlyWithZeroWhenTheMainWindowCannotBeCreated) {
    int messages = 0;
    AfterSentMessage count(WM_INITDIALOG, [&](HWND, WPARAM, LPARAM) { ++messages; });
    MainWindowVeto veto;
    EXPECT_EQ(RunQuarry(SW_SHOWNORMAL, &GrantPrivilege), 0);
    EXPECT_EQ(messages, 0);
}

}  // namespace
}  // namespace quarry
