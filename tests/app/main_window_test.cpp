// The main window's commands in process, on the test display, with the test target running:
// Open and Refresh, the content pane, Dump, a target that ends, the row menu and Copy, Find
// and F3, the About box and start-up. Every modal window they open is answered and checked.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_frame.h"
#include "app/row_commands.h"
#include "app/startup.h"
#include "pattern_dump.h"
#include "support/modal_driver.h"
#include "support/target_launcher.h"
#include "support/tree_list_windows.h"

namespace quarry {
namespace {

using namespace test;
using Bytes = std::vector<std::uint8_t>;
using Cells = std::vector<std::optional<std::wstring>>;  // nullopt: never set

constexpr wchar_t kIdleTitle[] = L"Quarry - Tellwick";
constexpr wchar_t kReadFailed[] = L"Failed to read process memory";
constexpr COLORREF kPrivate = 0xDCFADC, kMapped = 0xFADCDC, kImage = 0xDCDCFA, kWhite = 0xFFFFFF;
constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480, kFileTypeList = 0x470;  // the save dialog's

std::wstring AddressLabel(std::uint64_t address) {
    wchar_t label[17];
    swprintf(label, 17, L"%016llX", static_cast<unsigned long long>(address));
    return label;
}

std::wstring TempPath(const std::wstring& name) {
    return std::filesystem::temp_directory_path().wstring() + L"quarry-" + std::to_wstring(GetCurrentProcessId()) + name;
}

Bytes FileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The colour that covers most of the window on the screen: what it was painted with.
COLORREF PaintedBackground(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(window, &client);
    const WindowDC screen(window);
    std::map<COLORREF, int> counts;
    for (int y = 1; y < client.bottom; y += 5)
        for (int x = 1; x < client.right; x += 5) ++counts[GetPixel(screen.get(), x, y)];
    COLORREF most = CLR_INVALID;
    for (const auto& [colour, count] : counts)
        if (most == CLR_INVALID || count > counts[most]) most = colour;
    return most;
}

// A menu's entries as "Dump|Copy|-|...", a separator as "-".
std::wstring MenuTexts(HMENU menu) {
    std::wstring entries;
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        entries += (i ? L"|" : L"") + std::wstring(*text ? text : L"-");
    }
    return entries;
}

// Long texts compared whole, reported from the first line that differs.
testing::AssertionResult Same(const std::wstring& shown, const std::wstring& expected) {
    if (shown == expected) return testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < shown.size() && at < expected.size() && shown[at] == expected[at]) ++at;
    at = shown.rfind(L'\n', at) == std::wstring::npos ? 0 : shown.rfind(L'\n', at) + 1;
    const auto line = [at](const std::wstring& text) {
        const std::wstring piece = text.substr(std::min(at, text.size()), 80);
        return std::string(piece.begin(), piece.end());
    };
    return testing::AssertionFailure() << "from character " << at << ": shown \"" << line(shown) << "\", expected \""
                                       << line(expected) << "\"";
}

bool EndProcess(DWORD pid) {
    const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    return process && TerminateProcess(process.get(), 9) && WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0;
}

class MainWindow : public testing::Test {
protected:
    static void SetUpTestSuite() {
        JoinDesktop(L"QuarryMainWindow");
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
    }
    void TearDown() override {
        DestroyWindow(frame.hwnd());
        TakeQuitMessage();
        for (const wchar_t* name : {L"region.bin", L"reserved.bin", L"allocation.bin", L"locked.bin", L"gone.bin"})
            DeleteFileW(TempPath(name).c_str());
    }

    static const TargetFacts& Facts() { return target_->Facts(); }
    void Command(UINT id) { SendMessageW(frame.hwnd(), WM_COMMAND, id, 0); }
    std::wstring Pane() const { return TextOf(frame.ContentWindow()); }
    std::wstring Title() const { return TextOf(frame.hwnd()); }
    std::vector<HTREEITEM> TopLevel() const {
        std::vector<HTREEITEM> found;
        const HWND tree = InnerTree(rows.hwnd());
        for (HTREEITEM row = TreeView_GetRoot(tree); row; row = TreeView_GetNextSibling(tree, row)) found.push_back(row);
        return found;
    }
    int TopLevelRows() const { return static_cast<int>(TopLevel().size()); }

    void Open(DWORD pid) {
        ModalAnswers answers;
        answers.dialog = ChooseProcess(pid);
        Command(ID_TARGET_OPEN);
    }
    // The allocation row whose Address reads `address`, or null.
    HTREEITEM Allocation(std::uint64_t address) {
        wchar_t cell[32] = {};
        for (const HTREEITEM row : TopLevel())
            if (rows.GetCellText(row, 0, cell, 32) && AddressLabel(address) == cell) return row;
        return nullptr;
    }
    HTREEITEM Region(std::uint64_t allocation, std::size_t index = 0) {
        const std::vector<HTREEITEM> regions = rows.ChildRows(Allocation(allocation));
        return index < regions.size() ? regions[index] : nullptr;
    }
    // Moves the selection onto `row` with an arrow key, as the user would: a selection
    // the program makes is no user's and empties the pane.
    void SelectByKeyboard(HTREEITEM row) {
        const HWND tree = InnerTree(rows.hwnd());
        TreeView_EnsureVisible(tree, row);
        const HTREEITEM before = TreeView_GetPrevVisible(tree, row);
        rows.SelectRow(before ? before : TreeView_GetNextVisible(tree, row));
        SendMessageW(tree, WM_KEYDOWN, before ? VK_DOWN : VK_UP, 1);
    }
    HTREEITEM AddRow(HTREEITEM parent, const Cells& cells) {
        const HTREEITEM row = rows.InsertRow(cells[0].value_or(L"").c_str(), parent, -1, TVI_LAST);
        for (std::size_t column = 1; column < cells.size(); ++column)
            if (cells[column]) rows.SetCellText(row, static_cast<int>(column), cells[column]->c_str());
        return row;
    }
    // Dump of `row` (the selection when null) into the temporary file `name`; what the save
    // dialog offered: its file types and the name it proposed.
    std::wstring Dump(HTREEITEM row, const std::wstring& name, ModalAnswers& answers) {
        if (row) rows.SelectRow(row);
        std::wstring offered;
        answers.dialog = [&](HWND dialog) {
            const HWND types = GetDlgItem(dialog, kFileTypeList);
            for (int i = 0; i < static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0)); ++i) {
                wchar_t type[64] = {};
                SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(type));
                offered += type + std::wstring(L"|");
            }
            HWND nameBox = GetDlgItem(dialog, kFileNameCombo);
            if (!nameBox) nameBox = GetDlgItem(dialog, kFileNameEdit);
            offered += TextOf(nameBox);
            SetWindowTextW(nameBox, TempPath(name).c_str());
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        };
        Command(ID_TARGET_DUMP);
        answers.dialog = nullptr;
        return offered;
    }

    static inline TargetLauncher* target_ = nullptr;
    static inline bool started_ = false;
    CMainFrame frame;
    CTreeListView& rows = frame.TreeList();
};

Shown ErrorBox(HWND owner, const wchar_t* text) { return {L"", text, owner, Icon::Error}; }

TEST_F(MainWindow, OpenAndRefreshWalkUnderTheWaitCursorAndFollowTheStateTable) {
    EXPECT_EQ(Title(), kIdleTitle);
    EXPECT_EQ(MenuTexts(GetMenu(frame.hwnd())), L"&Open|&Refresh|&Find|&Dump|&About|Exit");
    std::wstring columns;
    const HWND header = InnerHeader(rows.hwnd());
    for (int i = 0; i < Header_GetItemCount(header); ++i) {
        wchar_t caption[32] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_FORMAT;
        item.pszText = caption;
        item.cchTextMax = 32;
        Header_GetItem(header, i, &item);
        columns += caption + std::wstring((item.fmt & HDF_RIGHT) ? L">|" : L"|");  // '>': right-aligned
    }
    EXPECT_EQ(columns, L"Address|Type|Size>|Commit>|Protect|Blocks>|Details|");
    {  // cancelled with no target: nothing changes, and Refresh has nothing to walk
        ModalAnswers answers;
        Command(ID_TARGET_OPEN);
        Command(ID_TARGET_REFRESH);
        EXPECT_EQ(answers.dialogs.size(), 1u);
    }
    EXPECT_EQ(frame.Target(), nullptr);
    EXPECT_EQ(TopLevelRows(), 0);

    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT), arrow = LoadCursorW(nullptr, IDC_ARROW);
    SetCursor(arrow);
    int rowsUnderWait = 0, rowsOtherwise = 0;
    const AfterSentMessage inserts(TVM_INSERTITEMW,
                                   [&](HWND, WPARAM, LPARAM) { ++(GetCursor() == wait ? rowsUnderWait : rowsOtherwise); });
    Open(Facts().pid);
    const std::wstring title = L"Quarry - [QuarryTestTarget.exe (" + std::to_wstring(Facts().pid) + L")]";
    EXPECT_EQ(Title(), title);
    const HANDLE held = frame.Target();
    EXPECT_EQ(GetProcessId(held), Facts().pid);
    ASSERT_NE(Allocation(Facts().patternAlloc.address), nullptr);
    const int walked = rowsUnderWait, allocations = TopLevelRows();
    EXPECT_GT(walked, allocations);

    {  // cancelled: target, rows and title stay; Refresh walks the same handle afresh
        SelectByKeyboard(Region(Facts().patternAlloc.address));
        ASSERT_NE(Pane(), L"");
        ModalAnswers answers;
        Command(ID_TARGET_OPEN);
        EXPECT_EQ(TopLevelRows(), allocations);
        Command(ID_TARGET_REFRESH);
        EXPECT_EQ(frame.Target(), held);
        EXPECT_EQ(Title(), title);
        EXPECT_EQ(TopLevelRows(), allocations);
        EXPECT_EQ(rowsUnderWait, 2 * walked);
        EXPECT_EQ(rowsOtherwise, 0);
        EXPECT_EQ(GetCursor(), arrow);
        EXPECT_EQ(rows.SelectedRow(), nullptr);
        EXPECT_EQ(Pane(), L"");
        EXPECT_TRUE(answers.boxes.empty());
    }

    // A row whose process cannot be opened: it stands for an id no process has.
    constexpr DWORD kNoSuchProcess = 0x7FFFFFFC;
    ModalAnswers answers;
    answers.dialog = [&](HWND dialog) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.lParam = kNoSuchProcess;
        ListView_SetItem(GetDlgItem(dialog, IDC_PROCESS_LIST), &item);
        ChooseProcess(kNoSuchProcess)(dialog);
    };
    Command(ID_TARGET_OPEN);
    Command(ID_TARGET_REFRESH);
    EXPECT_EQ(answers.boxes, std::vector<Shown>{ErrorBox(frame.hwnd(), L"Failed to open target process.")});
    EXPECT_EQ(frame.Target(), nullptr);
    EXPECT_EQ(TopLevelRows(), 0);
    EXPECT_EQ(Title(), kIdleTitle);
}

TEST_F(MainWindow, PaneShowsTheFirstPageAtTheSelectedRowOnTheRowsColour) {
    Open(Facts().pid);
    const std::uint64_t pattern = Facts().patternAlloc.address;
    SelectByKeyboard(Region(pattern));
    EXPECT_TRUE(Same(Pane(), PatternDump(pattern, target::kPatternAllocSeed)));
    EXPECT_EQ(PaintedBackground(frame.ContentWindow()), kPrivate);

    SelectByKeyboard(Allocation(Facts().mappedView.address));
    EXPECT_TRUE(Same(Pane(), PatternDump(Facts().mappedView.address, target::kMappedFileSeed)));
    EXPECT_EQ(PaintedBackground(frame.ContentWindow()), kMapped);

    // A section inside the image: the page at the region, not at the allocation's base.
    const HTREEITEM section = Region(Facts().dllBase, 1);
    wchar_t address[32] = {};
    ASSERT_TRUE(rows.GetCellText(section, 0, address, 32));
    ASSERT_NE(address, AddressLabel(Facts().dllBase));
    SelectByKeyboard(section);
    EXPECT_EQ(Pane().substr(0, 16), address);
    EXPECT_EQ(PaintedBackground(frame.ContentWindow()), kImage);
    SelectByKeyboard(Allocation(Facts().dllBase));
    EXPECT_EQ(Pane().substr(0, 16) + Pane().substr(72, 2), AddressLabel(Facts().dllBase) + L"MZ");

    // A selection the program makes empties the pane; no row reads address 0, which fails.
    rows.SelectRow(Allocation(pattern));
    EXPECT_EQ(Pane(), L"");
    EXPECT_EQ(frame.PaneColour(), kImage);
    frame.ShowRowMemory(nullptr);
    EXPECT_EQ(Pane(), kReadFailed);
    EXPECT_EQ(PaintedBackground(frame.ContentWindow()), kWhite);
}

TEST_F(MainWindow, DumpSavesRegionsAndAllocationsByteForByteAndSaysWhenItCannot) {
    {
        ModalAnswers answers;  // no target: nothing to save
        Command(ID_TARGET_DUMP);
        EXPECT_TRUE(answers.dialogs.empty());
    }
    Open(Facts().pid);
    const std::uint64_t pattern = Facts().patternAlloc.address;
    {
        ModalAnswers answers;
        EXPECT_EQ(Dump(Region(pattern), L"region", answers), L"Dump binary file|All Files|MemoryDump");
        EXPECT_EQ(answers.dialogs.at(0).owner, frame.hwnd());
        Bytes committed = PatternAllocationFile();
        committed.resize(target::kPatternCommittedSize);
        EXPECT_TRUE(FileBytes(TempPath(L"region.bin")) == committed);
        Dump(Region(Facts().reservedAlloc.address), L"reserved.bin", answers);
        EXPECT_EQ(FileBytes(TempPath(L"reserved.bin")), Bytes(Facts().reservedAlloc.size));
        EXPECT_TRUE(answers.boxes.empty());
    }
    {  // over a longer file: asked whether to replace it, then replaced, not appended to
        std::ofstream(std::filesystem::path(TempPath(L"allocation.bin")), std::ios::binary) << std::string(3 << 20, 'x');
        ModalAnswers answers;
        Dump(Allocation(pattern), L"allocation.bin", answers);
        EXPECT_TRUE(FileBytes(TempPath(L"allocation.bin")) == PatternAllocationFile());
        ASSERT_EQ(answers.boxes.size(), 1u);
        EXPECT_NE(answers.boxes[0].owner, frame.hwnd());  // the save dialog's question
    }
    {
        ModalAnswers answers;  // cancelled
        Command(ID_TARGET_DUMP);
        EXPECT_EQ(answers.dialogs.size(), 1u);
        EXPECT_TRUE(answers.boxes.empty());
    }
    // A file another program holds open without sharing cannot be made anew.
    const UniqueFileHandle locked(CreateFileW(TempPath(L"locked.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ModalAnswers answers;
    Dump(Allocation(pattern), L"locked.bin", answers);
    ASSERT_EQ(answers.boxes.size(), 2u);  // replace it?, then the failure, after the work
    EXPECT_EQ(answers.boxes[1], ErrorBox(frame.hwnd(), L"Failed to create dump file."));
}

// The program does not watch its target: rows and title stay until Refresh, reads fail.
TEST_F(MainWindow, ATargetThatEndsLeavesItsRowsUntilRefreshAndFailsToBeReadOrDumped) {
    TargetLauncher ending;
    ASSERT_TRUE(ending.Start()) << ending.Error();
    const DWORD pid = ending.Facts().pid;
    const std::uint64_t pattern = ending.Facts().patternAlloc.address;
    Open(pid);
    const std::wstring title = Title();
    SelectByKeyboard(Region(pattern));
    ASSERT_TRUE(Same(Pane(), PatternDump(pattern, target::kPatternAllocSeed)));
    const int allocations = TopLevelRows();
    ASSERT_TRUE(EndProcess(pid));

    EXPECT_EQ(Title(), title);
    EXPECT_EQ(TopLevelRows(), allocations);
    SelectByKeyboard(Allocation(pattern));
    EXPECT_EQ(Pane(), kReadFailed);
    ModalAnswers answers;
    Dump(nullptr, L"gone.bin", answers);
    EXPECT_TRUE(FileBytes(TempPath(L"gone.bin")).empty());
    Command(ID_TARGET_REFRESH);
    EXPECT_EQ(TopLevelRows(), 0);
    EXPECT_EQ(Pane(), L"");
    EXPECT_EQ(Title(), title);
    DeleteFileW(TempPath(L"gone.bin").c_str());
    Dump(nullptr, L"gone.bin", answers);  // no row: the memory at address 0
    const Shown failed = ErrorBox(frame.hwnd(), L"Failed to dump process memory.");
    EXPECT_EQ(answers.boxes, (std::vector<Shown>{failed, failed}));

    // One that ends between the list and the choice opens while a handle to it lives, but
    // the process list no longer names it.
    TargetLauncher vanishing;
    ASSERT_TRUE(vanishing.Start()) << vanishing.Error();
    const DWORD gone = vanishing.Facts().pid;
    const UniqueHandle kept(OpenProcess(SYNCHRONIZE, FALSE, gone));
    ModalAnswers choosing;
    choosing.dialog = [&](HWND dialog) {
        vanishing.Stop();
        ChooseProcess(gone)(dialog);
    };
    Command(ID_TARGET_OPEN);
    EXPECT_EQ(Title(), L"Quarry - [(unknown) (" + std::to_wstring(gone) + L")]");
}

// --- Rows written by hand: the row menu, Copy and Find ------------------------------------------

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// The row menu for `row`, as "Dump|Copy|-|...".
std::wstring MenuFor(CTreeListView& rows, HTREEITEM row) { return MenuTexts(BuildRowMenu(rows, row).get()); }

constexpr wchar_t kTwoEntries[] = L"Dump|Copy", kFiveEntries[] = L"Dump|Copy|-|Explore...|Properties...";

class RowsByHand : public MainWindow {
protected:
    HTREEITEM Image(const std::wstring& details) {
        return AddRow(nullptr, {L"0000000140000000", L"Image", L"28 KB", {}, {}, L"5", details});
    }
    std::optional<std::wstring> CopyOf(HTREEITEM row) {
        rows.SelectRow(row);
        Command(ID_ROW_COPY);
        return ClipboardText();
    }
};

TEST_F(RowsByHand, TheMenuOffersTheFileCommandsOnlyForARowNamingAnExistingFile) {
    const HTREEITEM heap = AddRow(nullptr, {L"0000000000600000", L"Private", L"64 KB", {}, {}, L"1", L"Heap 0 (LFH)"});
    EXPECT_EQ(MenuFor(rows, heap), kTwoEntries);
    EXPECT_EQ(MenuFor(rows, nullptr), kTwoEntries);  // a click below the last row
    EXPECT_EQ(MenuFor(rows, Image(OwnPath())), kFiveEntries);
    EXPECT_EQ(MenuFor(rows, Image(L"C:\\no\\such\\file.dll")), kTwoEntries);
    EXPECT_EQ(MenuFor(rows, Image(L"\\Device\\HarddiskVolume1\\windows\\system32\\kernel32.dll")), kTwoEntries);
    EXPECT_EQ(MenuFor(rows, Image(L"C:\\windows\\" + std::wstring(1100, L'x'))), kTwoEntries);

    // The file test is made again when a command runs: gone by then, the commands are silent.
    const std::wstring path = TempPath(L"row.dll");
    std::ofstream(std::filesystem::path(path)) << "x";
    const HTREEITEM row = Image(path);
    EXPECT_EQ(MenuFor(rows, row), kFiveEntries);
    DeleteFileW(path.c_str());
    EXPECT_EQ(MenuFor(rows, row), kTwoEntries);
    rows.SelectRow(row);
    ModalAnswers answers;
    Command(ID_ROW_EXPLORE);
    Command(ID_ROW_PROPERTIES);
    EXPECT_TRUE(answers.boxes.empty() && answers.dialogs.empty());
}

TEST_F(RowsByHand, CopyPutsTheSetCellsQuotedAndJoinedOnTheClipboardOrWarnsWhileItIsHeld) {
    ModalAnswers answers;
    const HTREEITEM full = AddRow(nullptr, {L"0000000000400000", L"Image", L"12 KB", L"8 KB", L"Read", L"3", L"C:\\a\\app.exe"});
    EXPECT_EQ(CopyOf(full), L"\"0000000000400000\",\"Image\",\"12 KB\",\"8 KB\",\"Read\",\"3\",\"C:\\a\\app.exe\"");
    const HTREEITEM unset = AddRow(full, {L"0000000000401000", L"Image", {}, L"8 KB", {}, {}, L"say \"hi\""});
    EXPECT_EQ(CopyOf(unset), L"\"0000000000401000\",\"Image\",\"8 KB\",\"say \"hi\"\"");
    EXPECT_EQ(CopyOf(nullptr), L"");
    EXPECT_TRUE(answers.boxes.empty());

    // Another thread holds the clipboard open: a warning, and the clipboard keeps its text.
    const std::optional<std::wstring> before = CopyOf(full);
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr), release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        OpenClipboard(nullptr);
        SetEvent(held);
        WaitForSingleObject(release, 30000);
        CloseClipboard();
    });
    WaitForSingleObject(held, 30000);
    rows.SelectRow(unset);
    Command(ID_ROW_COPY);
    SetEvent(release);
    holder.join();
    CloseHandle(held);
    CloseHandle(release);
    EXPECT_EQ(answers.boxes, (std::vector<Shown>{{L"", L"Cannot open Clipboard.", frame.hwnd(), Icon::Warning}}));
    EXPECT_EQ(ClipboardText(), before);
}

// A right click as the mouse makes it: the row under the pointer is selected and shown, the
// menu opens there, and the keys choose from it.
TEST_F(RowsByHand, ARightClickSelectsAndShowsTheRowUnderThePointerAndOpensTheMenuThere) {
    const std::wstring path = OwnPath();
    const HTREEITEM heap = AddRow(nullptr, {L"0000000000600000", L"Private", L"64 KB", {}, {}, L"1", L"Heap 0"});
    const HTREEITEM image = Image(path);
    rows.SelectRow(heap);
    const HWND tree = InnerTree(rows.hwnd());
    RECT rect{};
    TreeView_GetItemRect(tree, image, &rect, TRUE);
    for (const int below : {0, 100}) {
        POINT point{rect.left + 5, (rect.top + rect.bottom) / 2 + below};
        std::wstring entries, pane;
        POINT at{};
        HTREEITEM selected = heap;
        AfterSentMessage opened(WM_INITMENUPOPUP, [&](HWND, WPARAM menu, LPARAM) {
            for (int i = 0; i < GetMenuItemCount(reinterpret_cast<HMENU>(menu)); ++i) entries += L"*";
        });
        AfterSentMessage idle(WM_ENTERIDLE, [&](HWND, WPARAM kind, LPARAM window) {
            if (kind != MSGF_MENU || !pane.empty()) return;
            RECT shown{};
            GetWindowRect(reinterpret_cast<HWND>(window), &shown);
            at = {shown.left, shown.top};
            selected = rows.SelectedRow();
            pane = Pane();
            for (const UINT key : below ? std::vector<UINT>{VK_ESCAPE} : std::vector<UINT>{VK_DOWN, VK_DOWN, VK_RETURN}) {
                PostMessageW(reinterpret_cast<HWND>(window), WM_KEYDOWN, key, 1);
                PostMessageW(reinterpret_cast<HWND>(window), WM_KEYUP, key, 0xC0000001);
            }
        });
        const LPARAM client = MAKELPARAM(point.x, point.y);
        // The row is brought under the pointer: a virtual desktop may put back a pointer
        // that a program moves.
        POINT pointer{};
        ClientToScreen(tree, &point);
        GetCursorPos(&pointer);
        RECT frameRect{};
        GetWindowRect(frame.hwnd(), &frameRect);
        SetWindowPos(frame.hwnd(), nullptr, frameRect.left + pointer.x - point.x, frameRect.top + pointer.y - point.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        point = pointer;
        PostMessageW(tree, WM_RBUTTONUP, 0, client);  // the tree watches for a drag until it comes
        SendMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, client);
        for (MSG message{}; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
        EXPECT_EQ(selected, below ? nullptr : image);
        EXPECT_EQ(pane, kReadFailed);  // shown; there is no target to read
        EXPECT_EQ(entries, below ? L"**" : L"*****");
        EXPECT_EQ(at.x, point.x);
        EXPECT_EQ(at.y, point.y);
    }
    EXPECT_EQ(ClipboardText(), L"\"0000000140000000\",\"Image\",\"28 KB\",\"5\",\"" + path + L"\"");
}

// Like a memory map: an image with two regions, a heap with one, a free range; collapsed.
class FindRows : public RowsByHand {
protected:
    void SetUp() override {
        RowsByHand::SetUp();
        image = AddRow(nullptr, {L"0000000000400000", L"Image", L"12 KB", {}, {}, L"2", L"C:\\a\\app.exe"});
        header = AddRow(image, {L"0000000000400000", L"Image", {}, L"4 KB", L"Read", {}, L"Header"});
        text = AddRow(image, {L"0000000000401000", L"Image", {}, L"8 KB", L"Execute/Read", {}, L".text"});
        heap = AddRow(nullptr, {L"0000000000600000", L"Private", L"64 KB", {}, {}, L"1", L"Heap 0 (LFH)"});
        heapRegion = AddRow(heap, {L"0000000000600000", L"Private", {}, L"64 KB", L"Read/Write", {}, {}});
        free = AddRow(nullptr, {L"0000000000700000", L"Free", L"1 MB", {}, {}, {}, L"renamed"});
        rows.SetCellText(free, 0, L"0000000000700001");  // the tree's own label stays
    }
    // Find with `what`, as the user confirms it; the rows it selected.
    std::vector<HTREEITEM> Find(const wchar_t* what, ModalAnswers& answers, int times = 1) {
        std::vector<HTREEITEM> found;
        answers.dialog = [what](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_FIND_TEXT, what);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        };
        Command(ID_EDIT_FIND);
        answers.dialog = nullptr;
        for (int i = 0; i < times; ++i) {
            if (i) Command(ID_EDIT_FIND_NEXT);
            found.push_back(rows.SelectedRow());
        }
        return found;
    }
    bool Expanded(HTREEITEM row) const {
        return TreeView_GetItemState(InnerTree(rows.hwnd()), row, TVIS_EXPANDED) & TVIS_EXPANDED;
    }

    HTREEITEM image, header, text, heap, heapRegion, free;
};

TEST_F(FindRows, FindsTheCellsOfLaterRowsInPreOrderWithoutRegardToCaseAndNeverWraps) {
    ModalAnswers answers;  // from no selection, the first row itself can match
    EXPECT_EQ(Find(L"kb", answers, 6), (std::vector<HTREEITEM>{image, header, text, heap, heapRegion, heapRegion}));
    EXPECT_TRUE(Expanded(heap));
    EXPECT_EQ(Pane(), kReadFailed);  // each found row is shown
    EXPECT_EQ(GetFocus(), InnerTree(rows.hwnd()));

    rows.SelectRow(text);
    EXPECT_EQ(Find(L"0000000000700000", answers), std::vector<HTREEITEM>{text});  // a label, not a cell
    EXPECT_EQ(Find(L"PRIVATE", answers), std::vector<HTREEITEM>{heap});
    EXPECT_EQ(Find(L"RENAMED", answers), std::vector<HTREEITEM>{free});
    EXPECT_EQ(Find(L"app.exe", answers), std::vector<HTREEITEM>{free});  // only earlier rows match
    const Shown nothing{L"", L"Cannot find item text", frame.hwnd(), Icon::Information};
    EXPECT_EQ(answers.boxes, (std::vector<Shown>{nothing, nothing, nothing}));
}

TEST_F(FindRows, TheFirstF3AsksAnEmptyTextIsRefusedAndLaterF3sRepeatTheSearch) {
    ModalAnswers answers;
    SetFocus(frame.ContentWindow());
    Command(ID_EDIT_FIND_NEXT);  // no text yet: the dialog, cancelled
    ASSERT_EQ(answers.dialogs.size(), 1u);
    EXPECT_EQ(answers.dialogs[0], (Shown{L"Find", L"|Find|Cancel|F3 to find next", frame.hwnd(), Icon::None, false, IDC_FIND_TEXT}));

    // A long text scrolls inside the box rather than stopping at its edge.
    const std::wstring typed = std::wstring(80, L'x') + L"Heap 0";
    HWND refusedIn = nullptr;
    answers.dialog = [&](HWND dialog) {
        if (!refusedIn) {
            refusedIn = dialog;
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);  // empty: refused, the dialog stays
            return;
        }
        for (const wchar_t c : typed) SendDlgItemMessageW(dialog, IDC_FIND_TEXT, WM_CHAR, c, 1);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    answers.afterBox = [&] { PostMessageW(refusedIn, WM_COMMAND, IDCANCEL, 0); };
    Command(ID_EDIT_FIND);
    EXPECT_EQ(answers.boxes, (std::vector<Shown>{{L"", L"Please input find text", refusedIn, Icon::Information}}));
    answers.afterBox = nullptr;
    EXPECT_EQ(frame.FindText(), L"");
    EXPECT_EQ(rows.SelectedRow(), nullptr);
    Command(ID_EDIT_FIND_NEXT);  // still no text: asks again, and now the typed text is taken
    EXPECT_EQ(frame.FindText(), typed);

    rows.SetCellText(heap, 6, typed.c_str());
    rows.SetCellText(free, 6, typed.c_str());
    rows.SelectRow(nullptr);
    Command(ID_EDIT_FIND_NEXT);
    EXPECT_EQ(rows.SelectedRow(), heap);
    answers.dialog = nullptr;
    Command(ID_EDIT_FIND_NEXT);  // repeats without asking
    EXPECT_EQ(rows.SelectedRow(), free);
    EXPECT_EQ(answers.dialogs.size(), 3u);
}

// --- The About box and start-up ------------------------------------------------------------------

TEST_F(MainWindow, AboutIsModalOverTheWindowAndShowsTheNameAndTheLink) {
    ModalAnswers answers;
    answers.dialog = [](HWND dialog) {
        const HWND link = GetDlgItem(dialog, IDC_HYPERLINK);
        SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
        PostMessageW(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 1);
    };
    Command(ID_APP_ABOUT);
    EXPECT_EQ(answers.dialogs, (std::vector<Shown>{{L"About", L"|<icon>|Quarry Application v1.0|https://tellwick.example/quarry|OK",
                                                    frame.hwnd(), Icon::None, false, IDOK}}));
}

std::wstring askedFor;
bool RefusePrivilege(const wchar_t* name) {
    askedFor = name;
    return false;
}

TEST(StartUp, WithoutTheDebugPrivilegeSaysSoAloneAndEndsWithOne) {
    ModalAnswers answers;
    EXPECT_EQ(RunQuarry(SW_SHOWNORMAL, &RefusePrivilege), 1);
    EXPECT_EQ(askedFor, L"SeDebugPrivilege");
    EXPECT_EQ(answers.boxes, (std::vector<Shown>{{L"", L"Failed to get debug privilege.", nullptr, Icon::Error}}));
    EXPECT_TRUE(answers.dialogs.empty());  // no main window, so no process selection
}

}  // namespace
}  // namespace quarry
