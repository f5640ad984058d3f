// Quarry.exe used as a person would, on a desktop of its own with the test target running:
// choose the target by typing its name, read its memory, find rows with F3, copy one from
// the row menu, dump it through the save dialog, look at About and exit. Then the same window
// with targets killed while Refresh walks them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "pattern_dump.h"
#include "resources/resource.h"
#include "support/modal_driver.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

using namespace test;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kIdleTitle[] = L"Quarry - Tellwick";
constexpr int kTreeListId = 1;
constexpr wchar_t kDesktop[] = L"QuarryJourney";  // the main window's tree-list, whose tree is its child 1

// Gives up after a minute, so that a broken program fails the test instead of hanging it.
bool WaitUntil(const std::function<bool()>& condition) {
    for (const auto deadline = Clock::now() + std::chrono::seconds(60); !condition();) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void Type(HWND window, const std::wstring& text) {
    for (const wchar_t c : text) PostMessageW(window, WM_CHAR, c, 1);
}

void PressKey(HWND window, UINT key, bool alt = false) {
    const LPARAM flags = alt ? 1 | (1 << 29) : 1;
    PostMessageW(window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, flags);
    PostMessageW(window, alt ? WM_SYSKEYUP : WM_KEYUP, key, flags | (LPARAM{3} << 30));
}

HTREEITEM TreeRow(HWND tree, HTREEITEM from, UINT relation) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

// Quarry.exe from beside the test program, on a desktop of its own that the test's thread
// joins; ended with the test if it still runs then.
class Quarry {
public:
    Quarry() {
        std::wstring commandLine = L"\"" + BesideTestProgram(L"Quarry.exe") + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.lpDesktop = const_cast<wchar_t*>(kDesktop);
        PROCESS_INFORMATION started{};
        if (!JoinDesktop(kDesktop) ||
            !CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
            return;
        CloseHandle(started.hThread);
        process_.reset(started.hProcess);
        id_ = started.dwProcessId;
    }
    ~Quarry() {
        if (process_) TerminateProcess(process_.get(), 99);
    }

    // A visible top-level window of Quarry's with this title and class, or null.
    HWND Window(const std::wstring& title, const wchar_t* className = nullptr) const {
        HWND found = nullptr;
        WaitUntil([&] {
            found = FindWindowW(className, title.c_str());
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            return found && owner == id_ && IsWindowVisible(found);
        });
        return found;
    }
    // Start-up's (or Open's) process selection answered by typing the start of the test
    // target's name and Enter; the main window then titled with target `pid`, or null.
    HWND Choose(DWORD pid) const {
        const HWND list = GetDlgItem(Window(L"Select a process"), IDC_PROCESS_LIST);
        Type(list, L"QuarryT");
        if (!WaitUntil([&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) >= 0; })) return nullptr;
        PressKey(list, VK_RETURN);
        return Window(L"Quarry - [QuarryTestTarget.exe (" + std::to_wstring(pid) + L")]");
    }
    std::optional<DWORD> ExitStatus() const {
        DWORD status = 0;
        if (WaitForSingleObject(process_.get(), 60000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_.get(), &status))
            return std::nullopt;
        return status;
    }
    explicit operator bool() const { return process_ != nullptr; }

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

struct MainParts {
    HWND tree, pane;
};
MainParts PartsOf(HWND main) {
    const HWND splitter = FindWindowExW(main, nullptr, L"QuarrySplitter", nullptr);
    return {GetDlgItem(GetDlgItem(splitter, kTreeListId), 1), FindWindowExW(splitter, nullptr, L"Edit", nullptr)};
}

TEST(Journey, ChooseReadFindCopyDumpAboutAndExit) {
    TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const std::uint64_t pattern = target.Facts().patternAlloc.address;
    Quarry quarry;
    ASSERT_TRUE(quarry);
    const HWND main = quarry.Choose(target.Facts().pid);
    ASSERT_NE(main, nullptr);
    const auto [tree, pane] = PartsOf(main);

    // Typing a row's address selects it; the pane shows the page there.
    wchar_t address[17];
    swprintf(address, 17, L"%016llX", static_cast<unsigned long long>(pattern));
    const std::wstring page = PatternDump(pattern, target::kPatternAllocSeed);
    Type(tree, address);
    EXPECT_TRUE(WaitUntil([&] { return TextOf(pane) == page; })) << "no pattern in the pane";

    // F3 asks for the text; Enter finds the allocation's region, F3 again finds nothing more.
    PressKey(tree, VK_F3);
    const HWND find = quarry.Window(L"Find", L"#32770");
    ASSERT_NE(find, nullptr);
    Type(GetDlgItem(find, IDC_FIND_TEXT), address);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(GetDlgItem(find, IDC_FIND_TEXT)) == address; }));
    PressKey(GetDlgItem(find, IDC_FIND_TEXT), VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(find) && TreeRow(tree, nullptr, TVGN_CARET) != nullptr; }));
    const HTREEITEM region = TreeRow(tree, nullptr, TVGN_CARET);
    EXPECT_NE(TreeRow(tree, region, TVGN_PARENT), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return TextOf(pane) == page; }));
    PressKey(tree, VK_F3);
    const HWND nothing = quarry.Window(L"", L"#32770");
    ASSERT_NE(nothing, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(nothing, ModalAnswers::kBoxText)), L"Cannot find item text");
    PostMessageW(nothing, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(main); }));

    // The row menu at the pointer: the window is moved to put the row under the pointer,
    // since Wine's virtual desktop may move the pointer back after a program sets it.
    // Only messages without pointers reach another process's tree: the row's place comes
    // from the rows' common height, one line each from the first visible row.
    const int height = static_cast<int>(SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0));
    int line = 0;
    for (HTREEITEM at = TreeRow(tree, nullptr, TVGN_FIRSTVISIBLE); at && at != region; at = TreeRow(tree, at, TVGN_NEXTVISIBLE))
        ++line;
    const POINT inTree{60, line * height + height / 2};
    POINT onScreen = inTree, pointer{};
    ClientToScreen(tree, &onScreen);
    GetCursorPos(&pointer);
    RECT frame{};
    GetWindowRect(main, &frame);
    SetWindowPos(main, nullptr, frame.left + pointer.x - onScreen.x, frame.top + pointer.y - onScreen.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(WaitUntil([&] {
        POINT moved = inTree;
        ClientToScreen(tree, &moved);
        return moved.x == pointer.x && moved.y == pointer.y;
    }));
    const LPARAM at = MAKELPARAM(inTree.x, inTree.y);
    PostMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(tree, WM_RBUTTONUP, 0, at);
    const HWND menu = quarry.Window(L"", L"#32768");
    ASSERT_NE(menu, nullptr);
    for (const UINT key : {VK_DOWN, VK_DOWN, VK_RETURN}) PressKey(menu, key);  // "Copy"
    const std::wstring copied = L"\"" + std::wstring(address) + L"\",\"Private\",\"64 KB\",\"64 KB\",\"Read/Write\"";
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == copied; }));

    // Alt+D: the save dialog; a typed name and Enter save the selected region.
    PressKey(main, 'D', true);
    const HWND save = quarry.Window(L"Save As");
    ASSERT_NE(save, nullptr);
    HWND name = GetDlgItem(save, 0x480);
    for (HWND box = GetDlgItem(save, 0x47C); box && !name; box = GetWindow(box, GW_CHILD))
        if (const HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr)) name = edit;
    ASSERT_NE(name, nullptr);
    const std::wstring path = std::filesystem::temp_directory_path().wstring() + L"quarry-journey-" +
                              std::to_wstring(GetCurrentProcessId()) + L".bin";
    SendMessageW(name, EM_SETSEL, 0, -1);  // over the offered "MemoryDump"
    Type(name, path);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(name) == path; }));
    PressKey(name, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(save) && IsWindowEnabled(main); }));
    DWORD_PTR answered = 0;  // the dump is done before Quarry takes its next message
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &answered);
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    const std::vector<std::uint8_t> dumped{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    file.close();
    DeleteFileW(path.c_str());
    std::vector<std::uint8_t> expected = PatternAllocationFile();
    expected.resize(target::kPatternCommittedSize);
    EXPECT_TRUE(dumped == expected) << dumped.size() << " bytes";

    // Alt+A: About, modal over the main window.
    PressKey(main, 'A', true);
    const HWND about = quarry.Window(L"About");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ChildTexts(about), L"|<icon>|Quarry Application v1.0|https://tellwick.example/quarry|OK");
    EXPECT_FALSE(IsWindowEnabled(main));
    PressKey(GetDlgItem(about, IDOK), VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(main); }));

    PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(quarry.ExitStatus(), 1u);
}

// Sends the main window a message and waits for it to be handled; false when the window does
// not answer within half a minute. A sent message waits for the command that runs. Not
// SMTO_ABORTIFHUNG: a window busy with a long walk on a loaded machine counts as hung to it.
bool Answers(HWND main, UINT message, WPARAM wParam = 0) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(main, message, wParam, 0, SMTO_NORMAL, 30000, &result) != 0;
}

// Under Wine a question to a process that ends while it is out may never come back; Quarry
// must not wait for it. Each kill falls at another share of a whole walk's time.
TEST(Journey, TargetsKilledDuringRefreshLeaveAWindowThatAnswersAndAnEmptyTree) {
    Quarry quarry;
    ASSERT_TRUE(quarry);
    PostMessageW(quarry.Window(L"Select a process"), WM_COMMAND, IDCANCEL, 0);
    const HWND main = quarry.Window(kIdleTitle);
    ASSERT_NE(main, nullptr);
    const HWND tree = PartsOf(main).tree;
    const auto rowCount = [tree] { return static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)); };
    int killsInTheWalk = 0;
    for (const double moment : {0.1, 0.35, 0.6, 0.85}) {
        SCOPED_TRACE("killed at " + std::to_string(moment) + " of the walk");
        TargetLauncher target;
        ASSERT_TRUE(target.Start(L"--allocations 10000")) << target.Error();
        PostMessageW(main, WM_COMMAND, ID_TARGET_OPEN, 0);
        ASSERT_NE(quarry.Choose(target.Facts().pid), nullptr);
        const int allRows = rowCount();
        const auto refreshing = Clock::now();
        ASSERT_TRUE(Answers(main, WM_COMMAND, ID_TARGET_REFRESH));
        const auto walk = Clock::now() - refreshing;

        const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, target.Facts().pid));
        PostMessageW(main, WM_COMMAND, ID_TARGET_REFRESH, 0);
        std::this_thread::sleep_for(std::chrono::duration_cast<Clock::duration>(walk * moment));
        ASSERT_TRUE(TerminateProcess(process.get(), 9));
        WaitForSingleObject(process.get(), 30000);

        EXPECT_TRUE(Answers(main, WM_NULL)) << "Quarry's window no longer answers";
        killsInTheWalk += rowCount() < allRows;
        EXPECT_TRUE(Answers(main, WM_COMMAND, ID_TARGET_REFRESH));
        EXPECT_EQ(rowCount(), 0);
    }
    EXPECT_GE(killsInTheWalk, 2) << "the kills missed the walk";
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(quarry.ExitStatus(), 1u);
}

}  // namespace
}  // namespace quarry
