// Test help for using Quarry.exe from outside as a person would: the program started on a
// desktop of its own, its windows found by title and class, keys and text posted to them,
// their texts read with messages that cross processes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>

#include "resources/resource.h"
#include "support/win_handles.h"

namespace quarry::test {

// Waiting gives up after this long, so that a broken program fails the test instead of
// hanging it; nothing is asserted about how long anything takes.
inline constexpr auto kPatience = std::chrono::seconds(60);
// Key message flags: the key is being released; the Alt key is held.
inline constexpr LPARAM kKeyUp = LPARAM{3} << 30;
inline constexpr LPARAM kAltDown = 1 | (1 << 29);

inline bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

inline std::wstring PathBesideTestProgram(const wchar_t* fileName) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + fileName;
}

// Another process's window text, asked for with the message (GetWindowText would not ask a
// control of another process).
inline std::wstring RemoteText(HWND window) {
    const auto length = static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

inline void Type(HWND window, const std::wstring& text) {
    for (const wchar_t c : text) PostMessageW(window, WM_CHAR, c, 1);
}

inline void PressKey(HWND window, UINT key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, kKeyUp | 1);
}

// Alt with `key`, as for a menu bar's underlined letter.
inline void PressAltKey(HWND window, UINT key) {
    PostMessageW(window, WM_SYSKEYDOWN, key, kAltDown);
    PostMessageW(window, WM_SYSKEYUP, key, kAltDown | kKeyUp);
}

// Quarry.exe from beside the test program, on desktop `desktopName`, to which the test's
// thread moves too; ended with the test if it is still running then.
class QuarryOnDesktop {
public:
    explicit QuarryOnDesktop(const wchar_t* desktopName) : desktopName_(desktopName) {}
    QuarryOnDesktop(const QuarryOnDesktop&) = delete;
    QuarryOnDesktop& operator=(const QuarryOnDesktop&) = delete;
    ~QuarryOnDesktop() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process_.get(), 99);
    }

    bool Start(const std::wstring& arguments = {}) {
        if (!UseDesktop()) return false;
        std::wstring commandLine = L"\"" + PathBesideTestProgram(L"Quarry.exe") + L"\"";
        if (!arguments.empty()) commandLine += L" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.lpDesktop = desktopName_.data();
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
            return false;
        CloseHandle(started.hThread);
        process_.reset(started.hProcess);
        processId_ = started.dwProcessId;
        return true;
    }

    bool Owns(HWND window) const {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return window && owner == processId_;
    }

    // A visible top-level window of Quarry's with this title (and class, when given), or null.
    HWND WaitForWindow(const std::wstring& title, const wchar_t* className = nullptr) const {
        HWND found = nullptr;
        WaitUntil([&] {
            found = FindWindowW(className, title.c_str());
            return Owns(found) && IsWindowVisible(found);
        });
        return found;
    }

    // The popup menu that Quarry shows, or null.
    HWND WaitForMenu() const {
        HWND found = nullptr;
        WaitUntil([&] {
            found = FindWindowW(L"#32768", nullptr);
            return Owns(found) && IsWindowVisible(found);
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

    // Start-up's process selection answered as a person would: the start of the test
    // target's name typed into the list, then Enter. The main window that then shows target
    // `pid`, or null.
    HWND ChooseTestTarget(DWORD pid) const {
        const HWND dialog = WaitForWindow(L"Select a process");
        if (!dialog) return nullptr;
        const HWND list = GetDlgItem(dialog, IDC_PROCESS_LIST);
        Type(list, L"QuarryT");
        if (!WaitUntil([&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) >= 0; })) return nullptr;
        PressKey(list, VK_RETURN);
        return WaitForWindow(L"Quarry - [QuarryTestTarget.exe (" + std::to_wstring(pid) + L")]");
    }

private:
    struct DesktopCloser {
        void operator()(HDESK desktop) const { CloseDesktop(desktop); }
    };

    // Wine: a desktop with a size in its configuration becomes a virtual desktop with frames,
    // captions and focus; Xvfb has no window manager to give them. Windows has no such key
    // and is not asked to read one.
    bool UseDesktop() {
        if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
            constexpr wchar_t size[] = L"1280x900";
            RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", desktopName_.c_str(), REG_SZ,
                            size, sizeof(size));
        }
        // Kept for the whole test program: the thread stays on it, so it cannot be closed.
        static std::unique_ptr<std::remove_pointer_t<HDESK>, DesktopCloser> desktop;
        if (!desktop) desktop.reset(CreateDesktopW(desktopName_.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        return desktop && SetThreadDesktop(desktop.get());
    }

    std::wstring desktopName_;
    UniqueHandle process_;
    DWORD processId_ = 0;
};

}  // namespace quarry::test
