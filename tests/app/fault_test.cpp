// A target that ends while Quarry looks at it, in process with the real main window: the
// tree stays as last built until Refresh empties it, a row shows the read message, Dump says
// it failed, and nothing crashes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <string>

#include "main_frame_driver.h"
#include "pattern_dump.h"
#include "target/target_layout.h"

namespace quarry {
namespace {

using namespace test;

constexpr wchar_t kReadFailed[] = L"Failed to read process memory";
constexpr wchar_t kDumpFailed[] = L"Failed to dump process memory.";

// Ends a process the way a crash or Task Manager would, through a handle of the test's own.
bool EndProcess(DWORD pid) {
    const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    return process && TerminateProcess(process.get(), 9) && WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0;
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"quarry-fault-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
}

class TargetEnds : public MainFrameWithTarget {
protected:
    TargetEnds() : MainFrameWithTarget(false) {}

    void TearDown() override {
        MainFrameWithTarget::TearDown();
        DeleteFileW(dumpPath.c_str());
    }

    std::wstring Pane() const { return TextOf(frame.ContentWindow()); }

    // Dump of the selected row into a new file of the test's; the message boxes it showed.
    std::vector<ShownBox> Dump() {
        DeleteFileW(dumpPath.c_str());  // else the dialog asks whether to replace it
        ModalAnswers answers;
        answers.save = [this](HWND dialog) {
            HWND name = GetDlgItem(dialog, kFileNameCombo);
            if (!name) name = GetDlgItem(dialog, kFileNameEdit);
            SetWindowTextW(name, dumpPath.c_str());
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        };
        SendCommand(frame, ID_TARGET_DUMP);
        EXPECT_EQ(answers.saveDialogs, 1);
        return answers.boxes;
    }

    static void ExpectDumpMessage(const std::vector<ShownBox>& boxes, HWND owner) {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kDumpFailed);
        EXPECT_EQ(boxes[0].caption, L"");
        EXPECT_EQ(boxes[0].owner, owner);
        EXPECT_TRUE(boxes[0].errorIcon);
    }

    std::wstring dumpPath = TempFile(L"dump.bin");
};

TEST_F(TargetEnds, RowsShowTheReadMessageDumpFailsAndRefreshEmptiesTheTree) {
    const DWORD pid = target.Facts().pid;
    const std::uint64_t pattern = target.Facts().patternAlloc.address;
    OpenProcessById(frame, pid);
    const std::wstring title = TextOf(frame.hwnd());
    const HTREEITEM allocation = AllocationRow(frame.TreeList(), pattern);
    const HTREEITEM committed = FirstRegionRow(frame.TreeList(), allocation);
    ASSERT_NE(committed, nullptr);
    SelectByKeyboard(tree, committed);
    ASSERT_EQ(Pane(), PatternDump(pattern, target::kPatternAllocSeed));
    const int rows = TopLevelRowCount(tree);

    ASSERT_TRUE(EndProcess(pid));

    // The program does not watch its target: handle, title and tree stay as they were.
    EXPECT_NE(frame.Target(), nullptr);
    EXPECT_EQ(TextOf(frame.hwnd()), title);
    EXPECT_EQ(TopLevelRowCount(tree), rows);

    // The row that showed the pattern, shown again, and rows selected by the user.
    frame.ShowRowMemory(committed);
    EXPECT_EQ(Pane(), kReadFailed);
    SelectByKeyboard(tree, allocation);
    EXPECT_EQ(SelectedRow(tree), allocation);
    EXPECT_EQ(Pane(), kReadFailed);
    SelectByKeyboard(tree, AllocationRow(frame.TreeList(), target.Facts().dllBase));
    EXPECT_EQ(Pane(), kReadFailed);

    // The selected allocation: no region can be queried, the file stays empty.
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(allocation));
    ExpectDumpMessage(Dump(), frame.hwnd());
    EXPECT_EQ(std::filesystem::file_size(std::filesystem::path(dumpPath)), 0u);

    // A dead process answers no query (Wine: access denied), so the walk writes no rows.
    SendCommand(frame, ID_TARGET_REFRESH);
    EXPECT_EQ(TopLevelRowCount(tree), 0);
    EXPECT_EQ(SelectedRow(tree), nullptr);
    EXPECT_EQ(Pane(), L"");
    EXPECT_NE(frame.Target(), nullptr);
    EXPECT_EQ(TextOf(frame.hwnd()), title);

    // With no row left, Dump asks for the memory at address 0 and fails the same way.
    ExpectDumpMessage(Dump(), frame.hwnd());
    SendCommand(frame, ID_TARGET_REFRESH);
    EXPECT_EQ(TopLevelRowCount(tree), 0);
    EXPECT_TRUE(IsWindow(frame.hwnd()));
}

}  // namespace
}  // namespace quarry
