// Quarry.exe with the test target running, used as a person would on a desktop of its own:
// choose the target in the selection dialog by typing its name, find its patterned memory
// by typing the address into the tree, read the pane, dump the allocation through the save
// dialog by typing a file name, and compare the file's bytes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "pattern_dump.h"
#include "resources/resource.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

constexpr wchar_t kDesktop[] = L"QuarryTargetEndToEnd";
// Waiting gives up after this long, so that a broken program fails the test instead of
// hanging it; nothing is asserted about how long anything takes.
constexpr auto kPatience = std::chrono::seconds(60);
constexpr LPARAM kAltDown = 1 | (1 << 29);
constexpr LPARAM kKeyUp = LPARAM{3} << 30;
constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480;  // the save dialog's name box

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

// Another process's window text, asked for with the message (GetWindowText would not ask a
// control of another process).
std::wstring TextOf(HWND window) {
    const auto length = static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

void Type(HWND window, const std::wstring& text) {
    for (const wchar_t c : text) PostMessageW(window, WM_CHAR, c, 1);
}

void PressKey(HWND window, UINT key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, kKeyUp | 1);
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

// Quarry.exe from beside the test program, on the test desktop; ended with the test if it
// is still running then.
class QuarryProcess {
public:
    QuarryProcess() = default;
    QuarryProcess(const QuarryProcess&) = delete;
    QuarryProcess& operator=(const QuarryProcess&) = delete;
    ~QuarryProcess() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process_.get(), 99);
    }

    bool Start() {
        if (!UseTestDesktop()) return false;
        std::wstring commandLine = L"\"" + PathBesideTestProgram(L"Quarry.exe") + L"\"";
        std::wstring desktop = kDesktop;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.lpDesktop = desktop.data();
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
            return false;
        CloseHandle(started.hThread);
        process_.reset(started.hProcess);
        processId_ = started.dwProcessId;
        return true;
    }

    // A visible top-level window of Quarry's with this title, or null.
    HWND WaitForWindow(const std::wstring& title) const {
        HWND found = nullptr;
        WaitUntil([&] {
            found = FindWindowW(nullptr, title.c_str());
            DWORD owner = 0;
            if (found) GetWindowThreadProcessId(found, &owner);
            return found && owner == processId_ && IsWindowVisible(found);
        });
        return found;
    }

private:
    test::UniqueHandle process_;
    DWORD processId_ = 0;
};

// The edit control where typing goes, inside a combo box (which may sit in an extended one).
HWND EditIn(HWND box) {
    wchar_t className[16] = {};
    GetClassNameW(box, className, 16);
    if (CompareStringOrdinal(className, -1, L"Edit", -1, TRUE) == CSTR_EQUAL) return box;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (const HWND edit = EditIn(child)) return edit;
    return nullptr;
}

std::vector<std::uint8_t> FileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::wstring DumpPath() {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"quarry-end-to-end-" + std::to_wstring(GetCurrentProcessId()) + L".bin";
}

TEST(TargetEndToEnd, ChooseTheTargetReadItsMemoryAndDumpItByKeyboard) {
    test::TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const test::TargetFacts& facts = target.Facts();
    QuarryProcess quarry;
    ASSERT_TRUE(quarry.Start());

    // The selection dialog comes up over the main window; typing the name's start picks the
    // target, Enter confirms.
    const HWND dialog = quarry.WaitForWindow(L"Select a process");
    ASSERT_NE(dialog, nullptr);
    const HWND list = GetDlgItem(dialog, IDC_PROCESS_LIST);
    Type(list, L"QuarryT");
    ASSERT_TRUE(WaitUntil([&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) >= 0; }));
    PressKey(list, VK_RETURN);
    const HWND main = quarry.WaitForWindow(L"Quarry - [QuarryTestTarget.exe (" + std::to_wstring(facts.pid) + L")]");
    ASSERT_NE(main, nullptr);

    // Typing a row's address label selects it; the pane shows the page there.
    const HWND splitter = FindWindowExW(main, nullptr, L"QuarrySplitter", nullptr);
    const HWND tree = GetDlgItem(GetDlgItem(splitter, 1), 1);
    const HWND pane = FindWindowExW(splitter, nullptr, L"Edit", nullptr);
    ASSERT_TRUE(tree && pane);
    const std::wstring expected = test::PatternDump(facts.patternAlloc.address, target::kPatternAllocSeed);
    Type(tree, expected.substr(0, 16));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(pane) == expected; })) << "the pane shows no pattern";

    // Alt+D: the save dialog; a typed name and Enter save the selected allocation.
    PostMessageW(main, WM_SYSKEYDOWN, 'D', kAltDown);
    PostMessageW(main, WM_SYSKEYUP, 'D', kAltDown | kKeyUp);
    const HWND save = quarry.WaitForWindow(L"Save As");
    ASSERT_NE(save, nullptr);
    const HWND nameBox = GetDlgItem(save, kFileNameCombo);
    const HWND name = nameBox ? EditIn(nameBox) : GetDlgItem(save, kFileNameEdit);
    ASSERT_NE(name, nullptr);
    const std::wstring path = DumpPath();
    SendMessageW(name, EM_SETSEL, 0, -1);  // the offered "MemoryDump" is typed over
    Type(name, path);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(name) == path; }));
    PressKey(name, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(save) && IsWindowEnabled(main); }));
    // The dump runs before Quarry takes the next message: once it answers, the file is whole.
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &answer);
    const std::vector<std::uint8_t> dumped = FileBytes(path);
    DeleteFileW(path.c_str());
    EXPECT_EQ(dumped.size(), 1048576u);
    EXPECT_TRUE(dumped == test::PatternAllocationFile());

    PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
}

}  // namespace
}  // namespace quarry
