// The main window's target commands in process, against the real test target: Open, Refresh
// and the state they leave, the content pane for known bytes (text and painted colour), and
// the Dump command with its save dialog, compared byte for byte.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "main_frame_driver.h"
#include "pattern_dump.h"
#include "target/target_layout.h"
#include "support/tree_list_windows.h"

namespace quarry {
namespace {

using namespace test;
using target::PatternByte;
using Bytes = std::vector<std::uint8_t>;

constexpr wchar_t kIdleTitle[] = L"Quarry - Tellwick";
// Process ids are multiples of four handed out from the bottom: this one is never used.
constexpr DWORD kNoSuchProcess = 0x7FFFFFFC;
constexpr COLORREF kPrivateColour = 0xDCFADC, kMappedColour = 0xFADCDC, kImageColour = 0xDCDCFA;

class TargetCommands : public testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        target_ = new TargetLauncher;
        started_ = target_->Start();
    }
    static void TearDownTestSuite() {
        delete target_;
        CoUninitialize();
    }

    void SetUp() override {
        ASSERT_TRUE(started_) << target_->Error();
        ASSERT_NE(frame.Create(), nullptr);
        ShowWindow(frame.hwnd(), SW_SHOWNORMAL);
        SetForegroundWindow(frame.hwnd());
        tree = test::InnerTree(frame.TreeList().hwnd());
    }
    void TearDown() override {
        if (frame.hwnd()) DestroyWindow(frame.hwnd());
        TakeQuitMessage();
    }

    static const TargetFacts& Facts() { return target_->Facts(); }
    static DWORD TargetPid() { return Facts().pid; }

    std::wstring Pane() const { return TextOf(frame.ContentWindow()); }

    static inline TargetLauncher* target_ = nullptr;
    static inline bool started_ = false;
    CMainFrame frame;
    HWND tree = nullptr;
};

// --- Open, Refresh and the state they leave -----------------------------------------------

TEST_F(TargetCommands, OpenCancelRefreshAndAFailedOpenFollowTheStateTable) {
    {  // cancelled at start-up: the empty window stays idle, and so does Refresh
        ModalAnswers answers;
        SendCommand(frame, ID_TARGET_OPEN);
        EXPECT_EQ(answers.selectionDialogs, 1);
        SendCommand(frame, ID_TARGET_REFRESH);
    }
    EXPECT_EQ(TextOf(frame.hwnd()), kIdleTitle);
    EXPECT_EQ(frame.Target(), nullptr);
    EXPECT_EQ(TopLevelRowCount(tree), 0);

    OpenProcessById(frame, TargetPid());
    const std::wstring title = L"Quarry - [QuarryTestTarget.exe (" + std::to_wstring(TargetPid()) + L")]";
    EXPECT_EQ(TextOf(frame.hwnd()), title);
    const HANDLE held = frame.Target();
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(GetProcessId(held), TargetPid());
    EXPECT_NE(AllocationRow(frame.TreeList(), Facts().patternAlloc.address), nullptr);
    EXPECT_NE(AllocationRow(frame.TreeList(), Facts().reservedAlloc.address), nullptr);
    const int rows = TopLevelRowCount(tree);

    {  // cancelled: target, tree and title stay; Refresh rebuilds from the same handle, and
       // the rows it deleted are no longer shown
        const HTREEITEM before = AllocationRow(frame.TreeList(), Facts().patternAlloc.address);
        FirstRegionRow(frame.TreeList(), before);  // expanded: a new tree comes collapsed
        SelectByKeyboard(tree, before);
        ASSERT_NE(Pane(), L"");
        ModalAnswers answers;
        SendCommand(frame, ID_TARGET_OPEN);
        EXPECT_EQ(frame.Target(), held);
        EXPECT_EQ(TextOf(frame.hwnd()), title);
        EXPECT_EQ(TopLevelRowCount(tree), rows);
        SendCommand(frame, ID_TARGET_REFRESH);
        EXPECT_EQ(frame.Target(), held);
        EXPECT_EQ(TextOf(frame.hwnd()), title);
        const HTREEITEM after = AllocationRow(frame.TreeList(), Facts().patternAlloc.address);
        ASSERT_NE(after, nullptr);
        EXPECT_EQ(TreeView_GetItemState(tree, after, TVIS_EXPANDED) & TVIS_EXPANDED, 0u);
        EXPECT_EQ(SelectedRow(tree), nullptr);
        EXPECT_EQ(Pane(), L"");
        EXPECT_EQ(answers.boxes.size(), 0u);
    }

    // A row whose process cannot be opened: it stands for an id that no process has.
    ModalAnswers answers;
    answers.select = [](HWND dialog, HWND list) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.lParam = kNoSuchProcess;
        ListView_SetItem(list, &item);
        ChooseProcess(dialog, list, kNoSuchProcess);
    };
    SendCommand(frame, ID_TARGET_OPEN);
    EXPECT_EQ(frame.Target(), nullptr);
    EXPECT_EQ(TopLevelRowCount(tree), 0);
    EXPECT_EQ(TextOf(frame.hwnd()), kIdleTitle);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, L"Failed to open target process.");
    EXPECT_EQ(answers.boxes[0].caption, L"");
    EXPECT_EQ(answers.boxes[0].owner, frame.hwnd());
    EXPECT_TRUE(answers.boxes[0].errorIcon);

    SendCommand(frame, ID_TARGET_REFRESH);
    EXPECT_EQ(TopLevelRowCount(tree), 0);
    EXPECT_EQ(TextOf(frame.hwnd()), kIdleTitle);
}

// --- The content pane ----------------------------------------------------------------------

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// The colour that covers most of the window's client area on the screen: the background
// that the pane was painted with.
COLORREF PaintedBackground(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(window, &client);
    const WindowDC screen(window);
    std::map<COLORREF, int> counts;
    for (int y = 1; y < client.bottom; y += 5)
        for (int x = 1; x < client.right; x += 5) ++counts[GetPixel(screen.get(), x, y)];
    auto most = counts.begin();
    for (auto c = counts.begin(); c != counts.end(); ++c)
        if (c->second > most->second) most = c;
    return most == counts.end() ? CLR_INVALID : most->first;
}

// Open and Refresh write every row under the wait cursor and give the cursor back after.
TEST_F(TargetCommands, OpenAndRefreshWalkUnderTheWaitCursor) {
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT), arrow = LoadCursorW(nullptr, IDC_ARROW);
    SetCursor(arrow);
    int rowsUnderWait = 0, rowsOtherwise = 0;
    const AfterSentMessage inserts(TVM_INSERTITEMW,
                                   [&](HWND, WPARAM, LPARAM) { ++(GetCursor() == wait ? rowsUnderWait : rowsOtherwise); });
    OpenProcessById(frame, TargetPid());
    EXPECT_NE(GetCursor(), wait);
    const int opened = rowsUnderWait;
    EXPECT_GT(opened, 0);
    SendCommand(frame, ID_TARGET_REFRESH);
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(rowsUnderWait, 2 * opened);
    EXPECT_EQ(rowsOtherwise, 0);
}

TEST_F(TargetCommands, PaneShowsTheFirstPageOfTheSelectedRowOnTheRowsColour) {
    OpenProcessById(frame, TargetPid());
    const std::uint64_t pattern = Facts().patternAlloc.address;
    const HTREEITEM committed = FirstRegionRow(frame.TreeList(), AllocationRow(frame.TreeList(), pattern));
    ASSERT_NE(committed, nullptr);
    SelectByKeyboard(tree, committed);
    ASSERT_EQ(SelectedRow(tree), committed);
    EXPECT_EQ(Pane(), PatternDump(pattern, target::kPatternAllocSeed));
    EXPECT_EQ(PaintedBackground(frame.ContentWindow()), kPrivateColour);

    // A selection made by the program empties the pane and keeps its colour.
    const HTREEITEM reserved = AllocationRow(frame.TreeList(), Facts().reservedAlloc.address);
    ASSERT_NE(reserved, nullptr);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(reserved));
    EXPECT_EQ(Pane(), L"");
    EXPECT_EQ(frame.PaneColour(), kPrivateColour);

    const HTREEITEM image = AllocationRow(frame.TreeList(), Facts().dllBase);
    ASSERT_NE(image, nullptr);
    SelectByKeyboard(tree, image);
    EXPECT_EQ(Pane().substr(0, 16), AddressLabel(Facts().dllBase));
    EXPECT_EQ(Pane().substr(72, 2), L"MZ");  // the character column of the image header
    EXPECT_EQ(PaintedBackground(frame.ContentWindow()), kImageColour);
    // A region inside its allocation: the pane starts at the region, not at the allocation.
    const std::vector<HTREEITEM> sections = frame.TreeList().ChildRows(image);
    ASSERT_GE(sections.size(), 2u);
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(image));
    SelectByKeyboard(tree, sections[1]);
    wchar_t sectionAddress[32] = {};
    ASSERT_TRUE(frame.TreeList().GetCellText(sections[1], 0, sectionAddress, 32));
    EXPECT_NE(sectionAddress, AddressLabel(Facts().dllBase));
    EXPECT_EQ(Pane().substr(0, 16), sectionAddress);
    // Reserved memory cannot be read; the pane still takes the row's colour.
    SelectByKeyboard(tree, reserved);
    if (UnderWine()) {
        // Wine reads another process's memory through the Linux process file, which ignores
        // page protection: reserved pages read as zeros there.
        EXPECT_EQ(Pane().substr(0, 72), AddressLabel(Facts().reservedAlloc.address) + L"    00 00 00 00 00 00 00 00 - 00 00 00 00 00 00 00 00   ");
    } else {
        EXPECT_EQ(Pane(), L"Failed to read process memory");
    }
    EXPECT_EQ(PaintedBackground(frame.ContentWindow()), kPrivateColour);
    // No row: the read starts at address 0, which nothing maps, and the pane turns white.
    frame.ShowRowMemory(nullptr);
    EXPECT_EQ(Pane(), L"Failed to read process memory");
    EXPECT_EQ(PaintedBackground(frame.ContentWindow()), RGB(255, 255, 255));

    const HTREEITEM mapped = AllocationRow(frame.TreeList(), Facts().mappedView.address);
    ASSERT_NE(mapped, nullptr);
    SelectByKeyboard(tree, mapped);
    EXPECT_EQ(Pane(), PatternDump(Facts().mappedView.address, target::kMappedFileSeed));
    EXPECT_EQ(PaintedBackground(frame.ContentWindow()), kMappedColour);
}

// --- Dump ------------------------------------------------------------------------------------

std::wstring TempFolder() {
    wchar_t path[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, path);
    std::wstring folder = std::wstring(path) + L"quarry-dump-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

Bytes FileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Bytes PatternBytes(std::uint64_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::uint64_t i = 0; i < size; ++i) bytes[i] = PatternByte(i, seed);
    return bytes;
}

// What the save dialog offered when it opened.
struct SaveDialogSeen {
    std::vector<std::wstring> types;
    std::wstring name;
    HWND owner = nullptr;
};

class DumpCommand : public TargetCommands {
protected:
    void SetUp() override {
        TargetCommands::SetUp();
        folder = TempFolder();
    }
    void TearDown() override {
        TargetCommands::TearDown();
        for (const wchar_t* name : {L"region.bin", L"reserved.bin", L"allocation.bin", L"locked.bin", L"gone.bin"})
            DeleteFileW((folder + name).c_str());
        RemoveDirectoryW(folder.c_str());
    }

    // Selects `row` and runs Dump, typing `name` into the save dialog; what the dialog showed.
    SaveDialogSeen Dump(HTREEITEM row, const std::wstring& name, ModalAnswers& answers) {
        if (row) SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(row));
        SaveDialogSeen seen;
        answers.save = [&](HWND dialog) {
            const HWND types = GetDlgItem(dialog, kFileTypeList);
            for (int i = 0; i < static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0)); ++i) {
                wchar_t type[64] = {};
                SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(type));
                seen.types.push_back(type);
            }
            HWND nameBox = GetDlgItem(dialog, kFileNameCombo);
            if (!nameBox) nameBox = GetDlgItem(dialog, kFileNameEdit);
            seen.name = TextOf(nameBox);
            seen.owner = GetWindow(dialog, GW_OWNER);
            SetWindowTextW(nameBox, (folder + name).c_str());
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        };
        SendCommand(frame, ID_TARGET_DUMP);
        return seen;
    }

    std::wstring folder;
};

TEST_F(DumpCommand, SavesARegionAReservedRegionAndAnAllocationByteForByte) {
    OpenProcessById(frame, TargetPid());
    CTreeListView& rows = frame.TreeList();
    const std::uint64_t pattern = Facts().patternAlloc.address;

    {  // the committed region: 64 KB of pattern; the name gets the default extension
        ModalAnswers answers;
        const SaveDialogSeen seen = Dump(FirstRegionRow(rows, AllocationRow(rows, pattern)), L"region", answers);
        EXPECT_EQ(seen.types, (std::vector<std::wstring>{L"Dump binary file", L"All Files"}));
        EXPECT_EQ(seen.name, L"MemoryDump");
        EXPECT_EQ(seen.owner, frame.hwnd());
        EXPECT_EQ(FileBytes(folder + L"region.bin"), PatternBytes(target::kPatternCommittedSize, target::kPatternAllocSeed));
        EXPECT_TRUE(answers.boxes.empty());
    }
    {  // a reserved region: zeros of its exact size
        ModalAnswers answers;
        Dump(FirstRegionRow(rows, AllocationRow(rows, Facts().reservedAlloc.address)), L"reserved.bin", answers);
        EXPECT_EQ(FileBytes(folder + L"reserved.bin"), Bytes(Facts().reservedAlloc.size));
        EXPECT_TRUE(answers.boxes.empty());
    }
    {  // the allocation over an existing, longer file: asked, then replaced, not appended to
        const std::wstring path = folder + L"allocation.bin";
        std::ofstream(std::filesystem::path(path), std::ios::binary) << std::string(2 * 1048576, '\xAA');
        ModalAnswers answers;
        Dump(AllocationRow(rows, pattern), L"allocation.bin", answers);
        const Bytes dumped = FileBytes(path);
        EXPECT_EQ(dumped.size(), 1048576u);
        EXPECT_TRUE(dumped == PatternAllocationFile());
        ASSERT_EQ(answers.boxes.size(), 1u);  // the dialog's question whether to replace it
        EXPECT_NE(answers.boxes[0].owner, frame.hwnd());
    }
}

TEST_F(DumpCommand, DoesNothingWithoutTargetOrWhenCancelledAndSaysWhenTheFileCannotBeMade) {
    {
        ModalAnswers answers;
        SendCommand(frame, ID_TARGET_DUMP);
        EXPECT_EQ(answers.saveDialogs, 0);
    }
    OpenProcessById(frame, TargetPid());
    {
        ModalAnswers answers;
        SendCommand(frame, ID_TARGET_DUMP);  // cancelled
        EXPECT_EQ(answers.saveDialogs, 1);
        EXPECT_TRUE(answers.boxes.empty());
    }
    // A file that another program holds open without sharing cannot be created anew.
    const std::wstring path = folder + L"locked.bin";
    const UniqueFileHandle locked(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(locked);
    ModalAnswers answers;
    Dump(AllocationRow(frame.TreeList(), Facts().patternAlloc.address), L"locked.bin", answers);
    ASSERT_EQ(answers.boxes.size(), 2u);  // replace it?, then the failure
    EXPECT_EQ(answers.boxes[1].text, L"Failed to create dump file.");
    EXPECT_FALSE(answers.boxes[1].waitCursor);  // the work is over by then
    EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(answers.boxes[1].caption, L"");
    EXPECT_EQ(answers.boxes[1].owner, frame.hwnd());
    EXPECT_TRUE(answers.boxes[1].errorIcon);
}

// A process that ends between the list and the choice can still be opened while a handle to
// it lives, but the process snapshot no longer has it: the title says its name is unknown,
// and its memory can no longer be read or saved.
TEST_F(DumpCommand, AProcessGoneFromTheSnapshotGetsAClearTitleAndCannotBeReadOrDumped) {
    TargetLauncher ending;
    ASSERT_TRUE(ending.Start()) << ending.Error();
    const DWORD pid = ending.Facts().pid;
    const UniqueHandle kept(OpenProcess(SYNCHRONIZE, FALSE, pid));
    ModalAnswers answers;
    answers.select = [&ending, pid](HWND dialog, HWND list) {
        ending.Stop();
        ChooseProcess(dialog, list, pid);
    };
    SendCommand(frame, ID_TARGET_OPEN);
    ASSERT_NE(frame.Target(), nullptr);
    EXPECT_EQ(TextOf(frame.hwnd()), L"Quarry - [(unknown) (" + std::to_wstring(pid) + L")]");
    frame.ShowRowMemory(nullptr);
    EXPECT_EQ(Pane(), L"Failed to read process memory");

    ModalAnswers dumping;
    Dump(nullptr, L"gone.bin", dumping);
    EXPECT_EQ(dumping.saveDialogs, 1);
    ASSERT_EQ(dumping.boxes.size(), 1u);
    EXPECT_EQ(dumping.boxes[0].text, L"Failed to dump process memory.");
    EXPECT_EQ(dumping.boxes[0].caption, L"");
    EXPECT_EQ(dumping.boxes[0].owner, frame.hwnd());
    EXPECT_TRUE(dumping.boxes[0].errorIcon);
    EXPECT_TRUE(FileBytes(folder + L"gone.bin").empty());  // made, and nothing written
}

}  // namespace
}  // namespace quarry
