// Quarry.exe with the test target running, used as a person would on a desktop of its own:
// choose the target in the selection dialog by typing its name, find its patterned memory
// by typing the address into the tree, read the pane, dump the allocation through the save
// dialog by typing a file name, and compare the file's bytes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pattern_dump.h"
#include "quarry_desktop.h"
#include "resources/resource.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

using namespace test;

constexpr wchar_t kDesktop[] = L"QuarryTargetEndToEnd";
constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480;  // the save dialog's name box

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
    QuarryOnDesktop quarry(kDesktop);
    ASSERT_TRUE(quarry.Start());

    // The selection dialog comes up over the main window; typing the name's start picks the
    // target, Enter confirms.
    const HWND main = quarry.ChooseTestTarget(facts.pid);
    ASSERT_NE(main, nullptr);

    // Typing a row's address label selects it; the pane shows the page there.
    const HWND splitter = FindWindowExW(main, nullptr, L"QuarrySplitter", nullptr);
    const HWND tree = GetDlgItem(GetDlgItem(splitter, 1), 1);
    const HWND pane = FindWindowExW(splitter, nullptr, L"Edit", nullptr);
    ASSERT_TRUE(tree && pane);
    const std::wstring expected = test::PatternDump(facts.patternAlloc.address, target::kPatternAllocSeed);
    Type(tree, expected.substr(0, 16));
    EXPECT_TRUE(WaitUntil([&] { return RemoteText(pane) == expected; })) << "the pane shows no pattern";

    // Alt+D: the save dialog; a typed name and Enter save the selected allocation.
    PressAltKey(main, 'D');
    const HWND save = quarry.WaitForWindow(L"Save As");
    ASSERT_NE(save, nullptr);
    const HWND nameBox = GetDlgItem(save, kFileNameCombo);
    const HWND name = nameBox ? EditIn(nameBox) : GetDlgItem(save, kFileNameEdit);
    ASSERT_NE(name, nullptr);
    const std::wstring path = DumpPath();
    SendMessageW(name, EM_SETSEL, 0, -1);  // the offered "MemoryDump" is typed over
    Type(name, path);
    ASSERT_TRUE(WaitUntil([&] { return RemoteText(name) == path; }));
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
