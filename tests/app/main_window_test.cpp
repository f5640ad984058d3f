// The main window's commands in process, on the test display, with the test target running:
// Open and Refresh, the content pane, Dump and a target that ends, the row menu and Copy,
// Find and F3, start-up, that Quarry only reads its target, and what rounds of them leave
// behind. Every modal window they open is answered and checked.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
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
using Boxes = std::vector<Shown>;

constexpr wchar_t kIdleTitle[] = L"Quarry - Tellwick";
constexpr wchar_t kReadFailed[] = L"Failed to read process memory";
constexpr COLORREF kPrivate = 0xDCFADC, kMapped = 0xFADCDC, kImage = 0xDCDCFA, kWhite = 0xFFFFFF;
constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480;  // the save dialog's

Shown ErrorBox(HWND owner, const wchar_t* text) { return {L"", text, owner, Icon::Error}; }

// --- Read only ---------------------------------------------------------------------------------

// Quarry only reads its target: Quarry.exe and QuarryMap.exe import, or hold for a lookup at
// run time, the name of no function that writes, allocates, protects, frees or maps memory in
// another process, suspends, debugs or ends it, or starts or steers threads in it.
// Each name also stands for its Nt, Zw, Ex and numbered forms. SuspendThread, ResumeThread
// and SetThreadContext are left out: the compiler's thread library imports them for its own
// threads. Open and Refresh must not call them at all, which the test of them below sees.
const char* const kForbiddenNames[] = {
    "WriteProcessMemory", "WriteVirtualMemory", "VirtualAllocEx", "VirtualAlloc2", "AllocateVirtualMemory",
    "VirtualProtectEx", "ProtectVirtualMemory", "VirtualFreeEx", "FreeVirtualMemory", "MapViewOfFile2",
    "MapViewOfFile3", "MapViewOfFileNuma2", "UnmapViewOfFile2", "MapViewOfSection", "UnmapViewOfSection",
    "CreateRemoteThread", "CreateUserThread", "NtCreateThread", "QueueUserAPC", "QueueApcThread", "SuspendProcess",
    "ResumeProcess", "NtSuspendThread", "Wow64SuspendThread", "NtResumeThread", "NtSetContextThread",
    "Wow64SetThreadContext", "DebugActiveProcess", "DebugBreakProcess", "TerminateProcess", "TerminateThread",
    "NtOpenProcess", "ZwOpenProcess", "NtOpenThread", "ZwOpenThread",  // past the interception below
};

// Calls `visit(name, entry)` for each function that the image at `base` imports, with its
// name ("" for an import by number) and its entry in the import address table.
template <typename Visit>
void ForEachImport(const BYTE* base, Visit visit) {
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports); imports && dll->Name; ++dll) {
        auto* entry = reinterpret_cast<void**>(const_cast<BYTE*>(base) + dll->FirstThunk);
        for (auto* name = reinterpret_cast<const IMAGE_THUNK_DATA64*>(base + dll->OriginalFirstThunk);
             name->u1.Function; ++name, ++entry)
            visit(IMAGE_SNAP_BY_ORDINAL64(name->u1.Ordinal)
                      ? ""
                      : reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name,
                  entry);
    }
}

TEST(ReadOnly, QuarryAndQuarryMapImportAndNameNothingThatChangesAnotherProcess) {
    for (const wchar_t* program : {L"Quarry.exe", L"QuarryMap.exe"}) {
        SCOPED_TRACE(std::string(program, program + wcslen(program)));
        std::ifstream file(test::BesideTestProgram(program).c_str(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        // A name for GetProcAddress sits in the program in ASCII or UTF-16, an imported one in ASCII.
        const auto holds = [&](std::string name) {
            std::string wide;
            for (const char c : name) wide += {c, '\0'};
            return bytes.find(name) != std::string::npos || bytes.find(wide) != std::string::npos;
        };
        for (const char* looking : {"OpenProcess", "VirtualQueryEx", "ReadProcessMemory"})
            EXPECT_TRUE(holds(looking)) << looking << " not found: the program was not read";
        for (const char* forbidden : kForbiddenNames) EXPECT_FALSE(holds(forbidden)) << "it names " << forbidden;
    }
}

// Points this test program's import entry for `name` at `standIn` for the rest of the
// program; returns what it pointed at. mingw-w64 links the entries into writable memory.
template <typename Function>
Function* Redirect(const char* name, Function* standIn) {
    Function* previous = nullptr;
    ForEachImport(reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr)), [&](const char* imported, void** entry) {
        if (std::string_view(imported) == name)
            previous = reinterpret_cast<Function*>(std::exchange(*entry, reinterpret_cast<void*>(standIn)));
    });
    return previous;
}

struct Opened {
    DWORD access, id;
    HANDLE handle;
};
std::vector<Opened> processes, threads;
decltype(&OpenProcess) openProcess;
decltype(&OpenThread) openThread;
int threadControls = 0;  // calls of SuspendThread, ResumeThread and SetThreadContext

// OpenProcess or OpenThread, recorded in `opened` and passed on to `original`.
template <std::vector<Opened>& opened, HANDLE(WINAPI*& original)(DWORD, BOOL, DWORD)>
HANDLE WINAPI Recorded(DWORD access, BOOL inherit, DWORD id) {
    opened.push_back({access, id, original(access, inherit, id)});
    return opened.back().handle;
}
DWORD WINAPI SuspendOrResumeStandIn(HANDLE) { return ++threadControls, static_cast<DWORD>(-1); }
BOOL WINAPI SetThreadContextStandIn(HANDLE, const CONTEXT*) { return ++threadControls, FALSE; }

class MainWindow : public testing::Test {
protected:
    static void SetUpTestSuite() {
        JoinDesktop(L"QuarryMainWindow");  // before COM, which may make a window of the thread's
        CoInitialize(nullptr);
        started_ = target_.Start();
    }
    static void TearDownTestSuite() {
        target_.Stop();
        CoUninitialize();
    }
    void SetUp() override {
        ASSERT_TRUE(started_) << target_.Error();
        ASSERT_NE(frame.Create(), nullptr);
        ShowWindow(frame.hwnd(), SW_SHOWNORMAL);
        SetForegroundWindow(frame.hwnd());
    }
    void TearDown() override {
        DestroyWindow(frame.hwnd());
        MSG quit{};  // the destroyed frame's, which would end the next test's modal loops
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }

    static const TargetFacts& Facts() { return target_.Facts(); }
    void Command(UINT id) { SendMessageW(frame.hwnd(), WM_COMMAND, id, 0); }
    std::wstring Pane() const { return TextOf(frame.ContentWindow()); }
    std::wstring Title() const { return TextOf(frame.hwnd()); }
    UINT RowCount() const { return TreeView_GetCount(InnerTree(rows.hwnd())); }

    void Open(DWORD pid) {
        ModalAnswers answers;
        answers.dialog = ChooseProcess(pid);
        Command(ID_TARGET_OPEN);
    }
    // Whether `work` wrote rows, each under the wait cursor, and left the cursor it found.
    static bool WaitCursorWhileRowsAreWritten(const std::function<void()>& work) {
        const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW), wait = LoadCursorW(nullptr, IDC_WAIT);
        SetCursor(arrow);
        int written = 0, waiting = 0;
        const AfterSentMessage insert(TVM_INSERTITEMW, [&](HWND, WPARAM, LPARAM) {
            ++written;
            waiting += GetCursor() == wait;
        });
        work();
        return written > 0 && waiting == written && GetCursor() == arrow;
    }
    // The allocation row at `address`, or null.
    HTREEITEM Allocation(std::uint64_t address) const {
        const HWND tree = InnerTree(rows.hwnd());
        HTREEITEM row = TreeView_GetRoot(tree);
        while (row && rows.RowValue(row) != address) row = TreeView_GetNextSibling(tree, row);
        return row;
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
    // A row with these cells from the first column on; a null cell is never set.
    HTREEITEM AddRow(HTREEITEM parent, const std::vector<const wchar_t*>& cells) {
        const HTREEITEM row = rows.InsertRow(cells[0], parent, -1, TVI_LAST);
        for (std::size_t column = 1; column < cells.size(); ++column)
            if (cells[column]) rows.SetCellText(row, static_cast<int>(column), cells[column]);
        return row;
    }
    // Dump of the selection into `file`, named in the save dialog as the user would.
    void Dump(const SavedFile& file, ModalAnswers& answers) {
        answers.dialog = [&file](HWND dialog) {
            HWND nameBox = GetDlgItem(dialog, kFileNameCombo);
            if (!nameBox) nameBox = GetDlgItem(dialog, kFileNameEdit);
            SetWindowTextW(nameBox, file.path.c_str());
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        };
        Command(ID_TARGET_DUMP);
        answers.dialog = nullptr;
    }

    static inline TargetLauncher target_;
    static inline bool started_ = false;
    CMainFrame frame;
    CTreeListView& rows = frame.TreeList();
};

// Open and Refresh show the target, and open it with exactly 0x100418 and its threads with
// exactly 0x100040, seen at the import entries through which the program's code, linked into
// this test, calls OpenProcess and OpenThread.
TEST_F(MainWindow, OpenAndRefreshShowTheTargetOpenedOnlyToLookAndAFailedOpenLeavesNone) {
    openProcess = Redirect("OpenProcess", Recorded<processes, openProcess>);
    openThread = Redirect("OpenThread", Recorded<threads, openThread>);
    ASSERT_TRUE(openProcess && openThread);
    const auto suspend = Redirect("SuspendThread", SuspendOrResumeStandIn);  // not imported: nothing here can call it
    const auto resume = Redirect("ResumeThread", SuspendOrResumeStandIn);
    const auto setContext = Redirect("SetThreadContext", SetThreadContextStandIn);
    EXPECT_EQ(Title(), kIdleTitle);
    EXPECT_TRUE(WaitCursorWhileRowsAreWritten([&] { Open(Facts().pid); }));
    const std::wstring title = L"Quarry - [QuarryTestTarget.exe (" + std::to_wstring(Facts().pid) + L")]";
    EXPECT_EQ(Title(), title);
    const HANDLE held = frame.Target();
    const UINT allRows = RowCount();

    {  // cancelled: target, rows and title stay; Refresh walks the same handle afresh
        SelectByKeyboard(Region(Facts().patternAlloc.address));
        ModalAnswers answers;
        Command(ID_TARGET_OPEN);
        EXPECT_TRUE(WaitCursorWhileRowsAreWritten([&] { Command(ID_TARGET_REFRESH); }));
        EXPECT_EQ(frame.Target(), held);
        EXPECT_EQ(RowCount(), allRows);
        EXPECT_EQ(Pane(), L"");
    }

    // The handle the window holds is one that OpenProcess gave, with exactly the target's
    // rights: synchronize, query information, read and operate on memory.
    EXPECT_TRUE(std::ranges::any_of(processes, [&](const Opened& opened) {
        return opened.handle && opened.handle == frame.Target() && opened.access == 0x100418u &&
               opened.id == Facts().pid;
    })) << "the target was not opened through OpenProcess with exactly 0x100418";
    // Listing the processes for the choice opens them too; only to look: with the target's
    // rights or PROCESS_QUERY_LIMITED_INFORMATION (0x1000) at most.
    for (const Opened& opened : processes)
        EXPECT_EQ(opened.access & ~0x101418u, 0u)
            << "process " << opened.id << " opened with " << std::hex << opened.access;
    // Open and Refresh each walk the target's threads: at least its own two.
    EXPECT_GE(threads.size(), 4u);
    for (const Opened& opened : threads)  // synchronize, query information
        EXPECT_EQ(opened.access, 0x100040u) << "thread " << opened.id << " opened with " << std::hex << opened.access;
    EXPECT_EQ(threadControls, 0) << "threads suspended, resumed or steered";
    // Back to the system's: this program's own threads start through ResumeThread.
    Redirect("SuspendThread", suspend);
    Redirect("ResumeThread", resume);
    Redirect("SetThreadContext", setContext);

    // A row whose process cannot be opened: it stands for an id no process has. There is
    // no target then, and Refresh and Dump have nothing to work on.
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
    Command(ID_TARGET_DUMP);
    EXPECT_EQ(answers.dialogs, 1);
    EXPECT_EQ(answers.boxes, Boxes{ErrorBox(frame.hwnd(), L"Failed to open target process.")});
    EXPECT_EQ(frame.Target(), nullptr);
    EXPECT_EQ(RowCount(), 0u);
    EXPECT_EQ(Title(), kIdleTitle);
}

TEST_F(MainWindow, PaneShowsOnePageAtTheSelectedRowOnTheRowsColour) {
    Open(Facts().pid);
    const std::uint64_t pattern = Facts().patternAlloc.address, mapped = Facts().mappedView.address;
    const HTREEITEM section = Region(Facts().dllBase, 1);  // inside the image, past its base
    wchar_t sectionAddress[32] = {};
    ASSERT_TRUE(rows.GetCellText(section, 0, sectionAddress, 32));
    ASSERT_NE(rows.RowValue(section), Facts().dllBase);
    const struct {
        HTREEITEM row;
        std::wstring start;  // the whole page for the patterned rows
        COLORREF colour;
    } cases[] = {
        {Region(pattern), PatternDump(pattern, target::kPatternAllocSeed), kPrivate},
        {Allocation(mapped), PatternDump(mapped, target::kMappedFileSeed), kMapped},
        {section, sectionAddress, kImage},
    };
    for (const auto& [row, start, colour] : cases) {
        SCOPED_TRACE(testing::Message() << "row at " << std::hex << rows.RowValue(row));
        SelectByKeyboard(row);
        EXPECT_EQ(Pane().substr(0, start.size()), start);
        EXPECT_EQ(Pane().size(), PatternDump(0, 0).size());  // every page takes as many lines
        EXPECT_EQ(frame.PaneColour(), colour);
    }
    // Dark text on the pale pane, also where the theme's text is light.
    const UniqueOf<HDC, DeleteDC> dc(CreateCompatibleDC(nullptr));
    SetTextColor(dc.get(), kWhite);
    SendMessageW(frame.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()), 0);
    EXPECT_EQ(GetTextColor(dc.get()), 0u);

    // The guard and no-access pages between two readable ones: never read, though Wine
    // would give their bytes.
    for (const std::size_t index : {1, 2}) {
        SelectByKeyboard(Region(Facts().guardedAlloc.address, index));
        EXPECT_EQ(Pane(), kReadFailed);
    }

    frame.ShowRowMemory(nullptr);  // no row reads address 0, which fails
    EXPECT_EQ(Pane(), kReadFailed);
    EXPECT_EQ(frame.PaneColour(), kWhite);
}

// Dump of an allocation saves all its regions, never opened as it is, over a file that was
// there; it says when it cannot make the file or read a target that has ended, whose rows
// stay until Refresh.
TEST_F(MainWindow, DumpSavesAllTheAllocationsRegionsAndSaysWhenItCannot) {
    TargetLauncher ending;
    ASSERT_TRUE(ending.Start()) << ending.Error();
    const std::uint64_t pattern = ending.Facts().patternAlloc.address;
    Open(ending.Facts().pid);
    ModalAnswers answers;
    const SavedFile saved(L"allocation.bin"), guarded(L"guarded.bin"), locked(L"locked.bin"), gone(L"gone.bin");
    std::ofstream(std::filesystem::path(saved.path), std::ios::binary) << std::string(3 << 20, 'x');
    rows.SelectRow(Allocation(pattern));
    ASSERT_EQ(TreeView_GetChild(InnerTree(rows.hwnd()), Allocation(pattern)), nullptr) << "opened before its dump";
    Dump(saved, answers);
    EXPECT_TRUE(saved.Bytes() == PatternAllocationFile()) << saved.Bytes().size() << " bytes";
    rows.SelectRow(Allocation(ending.Facts().guardedAlloc.address));
    Dump(guarded, answers);
    EXPECT_TRUE(guarded.Bytes() == GuardedAllocationFile()) << "its guard and no-access pages were read, or the rest not";

    // A file another program holds open without sharing cannot be made anew.
    const UniqueFileHandle holder(CreateFileW(locked.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Dump(locked, answers);

    const std::wstring title = Title();
    const UINT allRows = RowCount();
    ending.Stop();
    EXPECT_EQ(RowCount(), allRows);
    SelectByKeyboard(Allocation(pattern));
    EXPECT_EQ(Pane(), kReadFailed);
    Dump(gone, answers);
    EXPECT_TRUE(gone.Bytes().empty());
    Command(ID_TARGET_REFRESH);
    EXPECT_EQ(RowCount(), 0u);
    EXPECT_EQ(Pane(), L"");
    EXPECT_EQ(Title(), title);

    // The other boxes are the save dialog's own: whether to replace each file that was there.
    std::erase_if(answers.boxes, [&](const Shown& box) { return box.owner != frame.hwnd(); });
    EXPECT_EQ(answers.boxes, (Boxes{ErrorBox(frame.hwnd(), L"Failed to create dump file."),
                                    ErrorBox(frame.hwnd(), L"Failed to dump process memory.")}));
}

TEST_F(MainWindow, TheRowMenuOffersTheFileCommandsOnlyWhileTheRowNamesAnExistingFile) {
    const SavedFile file(L"row.dll");
    std::ofstream(std::filesystem::path(file.path)) << "x";
    const HTREEITEM row = AddRow(nullptr, {L"0000000140000000", L"Image", L"28 KB", {}, {}, L"5", file.path.c_str()});
    EXPECT_EQ(GetMenuItemCount(BuildRowMenu(rows, row).get()), 5);  // Dump, Copy, a separator, Explore, Properties
    EXPECT_EQ(GetMenuItemCount(BuildRowMenu(rows, nullptr).get()), 2);  // a click below the last row

    // The file test is made again when a command runs: gone by then, the commands are silent.
    DeleteFileW(file.path.c_str());
    EXPECT_EQ(GetMenuItemCount(BuildRowMenu(rows, row).get()), 2);
    rows.SelectRow(row);
    ModalAnswers answers;
    Command(ID_ROW_EXPLORE);
    Command(ID_ROW_PROPERTIES);
    EXPECT_TRUE(answers.boxes.empty() && answers.dialogs == 0);
}

TEST_F(MainWindow, CopyPutsTheRowOnTheClipboardOrWarnsWhileAnotherHoldsItOrMemoryLacks) {
    ModalAnswers answers;
    rows.SelectRow(AddRow(nullptr, {L"0000000000400000", L"Image", {}, L"8 KB", L"Read", {}, L"C:\\a\\app.exe"}));
    Command(ID_ROW_COPY);
    const std::wstring copied = L"\"0000000000400000\",\"Image\",\"8 KB\",\"Read\",\"C:\\a\\app.exe\"";
    EXPECT_EQ(ClipboardText(), copied);

    // Another thread holds the clipboard open: a warning, and the clipboard keeps its text.
    std::promise<void> held, released;
    std::thread holder([&] {
        OpenClipboard(nullptr);
        held.set_value();
        released.get_future().wait_for(std::chrono::seconds(30));
        CloseClipboard();
    });
    held.get_future().wait_for(std::chrono::seconds(30));
    rows.SelectRow(AddRow(nullptr, {L"0000000000600000", L"Private"}));
    Command(ID_ROW_COPY);
    released.set_value();
    holder.join();
    // No memory for the text: a warning, and the clipboard keeps its text here too.
    const auto globalAlloc = Redirect("GlobalAlloc", +[](UINT, SIZE_T) -> HGLOBAL { return nullptr; });
    Command(ID_ROW_COPY);
    Redirect("GlobalAlloc", globalAlloc);
    EXPECT_EQ(answers.boxes, (Boxes{{L"", L"Cannot open Clipboard.", frame.hwnd(), Icon::Warning},
                                    {L"", L"Allocate memory failed.", frame.hwnd(), Icon::Warning}}));
    EXPECT_EQ(ClipboardText(), copied);
}

// Find asks for a text, refusing an empty one; it and each F3 after it select and show the
// next row with the text, until none is left.
TEST_F(MainWindow, FindAndF3SelectAndShowEachLaterRowWithTheTextThenSaySoWhenNoneIsLeft) {
    const HTREEITEM image = AddRow(nullptr, {L"0000000000400000", L"Image", L"12 KB", {}, {}, L"2", L"C:\\a\\app.exe"});
    const HTREEITEM section = AddRow(image, {L"0000000000401000", L"Image", {}, L"8 KB", L"Execute/Read", {}, L".text"});
    const HTREEITEM heap = AddRow(nullptr, {L"0000000000600000", L"Private", L"64 KB", {}, {}, L"1", L"Heap 0"});
    ModalAnswers answers;
    HWND find = nullptr;
    answers.dialog = [&](HWND dialog) { PostMessageW(find = dialog, WM_COMMAND, IDOK, 0); };  // empty: refused
    answers.afterBox = [&] {
        SetDlgItemTextW(find, IDC_FIND_TEXT, L"kb");
        PostMessageW(find, WM_COMMAND, IDOK, 0);
    };
    SetFocus(frame.ContentWindow());
    std::vector<HTREEITEM> found;
    for (const UINT command : {ID_EDIT_FIND, ID_EDIT_FIND_NEXT, ID_EDIT_FIND_NEXT, ID_EDIT_FIND_NEXT}) {
        Command(command);
        answers.afterBox = nullptr;
        found.push_back(rows.SelectedRow());
    }
    EXPECT_EQ(found, (std::vector<HTREEITEM>{image, section, heap, heap}));
    EXPECT_EQ(answers.dialogs, 1);
    EXPECT_EQ(answers.boxes, (Boxes{{L"", L"Please input find text", find, Icon::Information},
                                    {L"", L"Cannot find item text", frame.hwnd(), Icon::Information}}));
    EXPECT_EQ(Pane(), kReadFailed);  // shown; there is no target to read
    EXPECT_EQ(GetFocus(), InnerTree(rows.hwnd()));
}

TEST(StartUp, WithoutTheDebugPrivilegeSaysSoAloneAndEndsWithOne) {
    static std::wstring askedFor;
    ModalAnswers answers;
    EXPECT_EQ(RunQuarry(SW_SHOWNORMAL, [](const wchar_t* name) { return askedFor = name, false; }), 1);
    EXPECT_EQ(askedFor, L"SeDebugPrivilege");
    EXPECT_EQ(answers.boxes, (Boxes{ErrorBox(nullptr, L"Failed to get debug privilege.")}));
    EXPECT_EQ(answers.dialogs, 0);  // no main window, so no process selection
}

// --- Leaks --------------------------------------------------------------------------------------

// Wine answers 0 to GetGuiResources: its GDI and USER handles are indexes into the process's
// tables (USER ones 0x20 + 2 * index), and one whose upper word is zero stands for whatever
// object is at that index. Windows never gets there.
long GdiObjects() {
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<long>(count);
    long count = 0;
    for (ULONG_PTR index = 0; index <= 0xFFFF; ++index) count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return count;
}

// Windows of this process, menus and accelerator tables.
long UserObjects() {
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return static_cast<long>(count);
    long count = 0;
    for (ULONG_PTR handle = 0x20; handle <= 0xFFFF; handle += 2) {
        DWORD owner = 0;
        count += IsWindow(reinterpret_cast<HWND>(handle)) &&
                 GetWindowThreadProcessId(reinterpret_cast<HWND>(handle), &owner) && owner == GetCurrentProcessId();
        count += IsMenu(reinterpret_cast<HMENU>(handle)) ||
                 CopyAcceleratorTableW(reinterpret_cast<HACCEL>(handle), nullptr, 0);
    }
    return count;
}

// Probed one by one: Wine answers 0 to GetProcessHandleCount too.
long Handles() {
    long count = 0;
    DWORD flags = 0;
    for (ULONG_PTR handle = 4; handle <= 0xFFFF; handle += 4)
        count += GetHandleInformation(reinterpret_cast<HANDLE>(handle), &flags) != 0;
    return count;
}

// Rounds of Open, the row menu, Refresh and row selections leave the program's handles, GDI
// objects and USER objects where they were after a first round.
TEST_F(MainWindow, RoundsOfOpenRowMenuRefreshAndSelectionsLeaveNothingBehind) {
    constexpr long kTolerance = 3;  // for objects that the system or the controls make once and keep
    const HWND tree = InnerTree(rows.hwnd());
    // The row menu goes as soon as it waits for the user.
    const AfterSentMessage closeMenu(WM_ENTERIDLE, [](HWND, WPARAM kind, LPARAM menu) {
        if (kind == MSGF_MENU) PostMessageW(reinterpret_cast<HWND>(menu), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    ModalAnswers answers;
    answers.dialog = ChooseProcess(Facts().pid);
    NMHDR rightClick{rows.hwnd(), CMainFrame::kTreeListId, static_cast<UINT>(NM_RCLICK)};
    const auto round = [&] {
        Command(ID_TARGET_OPEN);  // over the open target, after the first
        SendMessageW(frame.hwnd(), WM_NOTIFY, rightClick.idFrom, reinterpret_cast<LPARAM>(&rightClick));
        Command(ID_TARGET_REFRESH);
        // The keys move only a selection there is: the first row's, made as the program makes one.
        rows.SelectRow(TreeView_GetRoot(tree));
        for (int key = 0; key < 3; ++key) SendMessageW(tree, WM_KEYDOWN, VK_DOWN, 0);
    };
    round();
    ASSERT_NE(frame.Target(), nullptr);
    const long before[] = {Handles(), GdiObjects(), UserObjects()};
    for (int i = 0; i < 8; ++i) round();
    const long after[] = {Handles(), GdiObjects(), UserObjects()};
    EXPECT_NE(Pane(), L"") << "the keys' selection was not shown";
    const char* const kinds[] = {"handles", "GDI objects", "USER objects"};
    for (const int kind : {0, 1, 2}) {
        EXPECT_GT(before[kind], 0) << "cannot count " << kinds[kind];
        EXPECT_LE(after[kind] - before[kind], kTolerance) << kinds[kind] << ": " << before[kind] << " -> " << after[kind];
    }
}

}  // namespace
}  // namespace quarry
