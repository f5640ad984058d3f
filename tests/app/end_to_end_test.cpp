// Quarry.exe itself, used as a person would: started on a desktop of its own, its main
// window found by its title, its menu and About box used, and closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "resources/resource.h"

namespace quarry {
namespace {

constexpr wchar_t kDesktop[] = L"QuarryEndToEnd";
constexpr wchar_t kMainTitle[] = L"Quarry - Tellwick";
// Waiting gives up after this long, so that a broken program fails the test instead of
// hanging it; nothing is asserted about how long anything takes.
constexpr auto kPatience = std::chrono::seconds(30);
// Key message flags: the Alt key is held; the key is being released.
constexpr LPARAM kAltDown = 1 | (1 << 29);
constexpr LPARAM kKeyUp = LPARAM{3} << 30;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct DesktopCloser {
    void operator()(HDESK desktop) const { CloseDesktop(desktop); }
};
using UniqueDesktop = std::unique_ptr<std::remove_pointer_t<HDESK>, DesktopCloser>;

bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::wstring PathBesideTestProgram(const wchar_t* fileName) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + fileName;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// Moves the test's thread to a desktop of its own, where Quarry's windows will be too.
// Wine: a desktop with a size in its configuration becomes a virtual desktop with frames,
// captions and focus; Xvfb has no window manager to give them. Windows has no such key
// and is not asked to read one.
bool UseTestDesktop() {
    static const bool ready = [] {
        if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
            constexpr wchar_t size[] = L"1280x900";
            RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", kDesktop, REG_SZ, size,
                            sizeof(size));
        }
        static UniqueDesktop desktop(CreateDesktopW(kDesktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        return desktop && SetThreadDesktop(desktop.get());
    }();
    return ready;
}

// Quarry.exe from beside the test program, on the test desktop. A Quarry that is still
// running when the test ends is ended with it.
class QuarryProcess {
public:
    QuarryProcess() = default;
    QuarryProcess(const QuarryProcess&) = delete;
    QuarryProcess& operator=(const QuarryProcess&) = delete;
    ~QuarryProcess() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process_.get(), 99);
    }

    bool Start(const std::wstring& arguments = {}) {
        if (!UseTestDesktop()) return false;
        std::wstring commandLine = L"\"" + PathBesideTestProgram(L"Quarry.exe") + L"\" " + arguments;
        std::wstring desktop = kDesktop;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.lpDesktop = desktop.data();
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &started))
            return false;
        CloseHandle(started.hThread);
        process_.reset(started.hProcess);
        processId_ = started.dwProcessId;
        return true;
    }

    // A visible top-level window of Quarry's with this title, or null.
    HWND WaitForWindow(const wchar_t* title) const {
        HWND found = nullptr;
        WaitUntil([&] {
            found = FindWindowW(nullptr, title);
            DWORD owner = 0;
            if (found) GetWindowThreadProcessId(found, &owner);
            return found && owner == processId_ && IsWindowVisible(found);
        });
        return found;
    }

    // The exit status, or nothing when Quarry does not end.
    std::optional<DWORD> WaitForExit() const {
        if (WaitForSingleObject(process_.get(), static_cast<DWORD>(kPatience / std::chrono::milliseconds(1))) !=
            WAIT_OBJECT_0)
            return std::nullopt;
        DWORD status = 0;
        GetExitCodeProcess(process_.get(), &status);
        return status;
    }

    // Start-up opens the process selection over the main window: cancels it as a person
    // would with Esc. False when it does not appear or does not go.
    bool CancelProcessSelection() const {
        const HWND dialog = WaitForWindow(L"Select a process");
        if (!dialog) return false;
        PostMessageW(GetDlgItem(dialog, IDC_PROCESS_LIST), WM_KEYDOWN, VK_ESCAPE, 1);
        return WaitUntil([&] { return !IsWindow(dialog); });
    }

private:
    UniqueHandle process_;
    DWORD processId_ = 0;
};

TEST(EndToEnd, StartsWithTheMainWindowShowsAboutAndEndsWithOneOnExit) {
    QuarryProcess quarry;
    ASSERT_TRUE(quarry.Start());
    HWND main = quarry.WaitForWindow(kMainTitle);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(quarry.CancelProcessSelection());
    RECT outer{};
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.right - outer.left, 750);
    EXPECT_EQ(outer.bottom - outer.top, 660);
    EXPECT_NE(GetMenu(main), nullptr);

    // Alt+A chooses "&About" on the menu bar.
    PostMessageW(main, WM_SYSKEYDOWN, 'A', kAltDown);
    PostMessageW(main, WM_SYSKEYUP, 'A', kAltDown | kKeyUp);
    HWND about = quarry.WaitForWindow(L"About");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), main);
    EXPECT_EQ(TextOf(GetDlgItem(about, IDC_HYPERLINK)), L"https://tellwick.example/quarry");
    EXPECT_FALSE(IsWindowEnabled(main));  // modal
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindowEnabled(main));

    PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(quarry.WaitForExit(), 1u);
}

TEST(EndToEnd, IgnoresItsCommandLineAndEndsWithOneFromTheCloseBox) {
    QuarryProcess quarry;
    ASSERT_TRUE(quarry.Start(L"--unknown C:\\nothing.bin"));
    HWND main = quarry.WaitForWindow(kMainTitle);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(quarry.CancelProcessSelection());
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(quarry.WaitForExit(), 1u);
}

}  // namespace
}  // namespace quarry
