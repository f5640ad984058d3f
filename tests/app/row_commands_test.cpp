// The row context menu and the row commands in process on the real tree-list of a main
// window: the menu's entries for the rows the file test tells apart, and Copy's text read
// back from the real clipboard.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_frame.h"
#include "app/row_commands.h"
#include "framework/handles.h"
#include "row_test_support.h"

namespace quarry {
namespace {

using namespace test;

struct MenuEntry {
    std::wstring text;
    UINT id;
    bool separator;
    bool operator==(const MenuEntry&) const = default;
};

void PrintTo(const MenuEntry& entry, std::ostream* out) {
    *out << "{" << std::string(entry.text.begin(), entry.text.end()) << " " << entry.id
         << (entry.separator ? " separator}" : "}");
}

std::vector<MenuEntry> EntriesOf(HMENU menu) {
    std::vector<MenuEntry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = 64;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        entries.push_back({text, item.wID, (item.fType & MFT_SEPARATOR) != 0});
    }
    return entries;
}

const std::vector<MenuEntry> kTwoEntries{{L"Dump", ID_TARGET_DUMP, false}, {L"Copy", ID_ROW_COPY, false}};
const std::vector<MenuEntry> kFiveEntries{{L"Dump", ID_TARGET_DUMP, false},
                                          {L"Copy", ID_ROW_COPY, false},
                                          {L"", 0, true},
                                          {L"Explore...", ID_ROW_EXPLORE, false},
                                          {L"Properties...", ID_ROW_PROPERTIES, false}};

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// A file of its own in the temporary folder, removed at the end unless removed before.
class TemporaryFile {
public:
    TemporaryFile() {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        path_ = std::wstring(folder) + L"quarry-row-" + std::to_wstring(GetCurrentProcessId()) + L".dll";
        UniqueFileHandle(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    ~TemporaryFile() { Remove(); }
    const std::wstring& Path() const { return path_; }
    void Remove() const { DeleteFileW(path_.c_str()); }

private:
    std::wstring path_;
};

std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    std::optional<std::wstring> text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        const SIZE_T units = GlobalSize(data) / sizeof(wchar_t);
        if (const auto* at = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = std::wstring(at, wcsnlen(at, units));
            if (text->size() == units) text->append(L"<no terminator>");
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void PutOnClipboard(const wchar_t* text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const SIZE_T bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), text, bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

// Another thread holds the clipboard open while this lives.
class ClipboardHolder {
public:
    ClipboardHolder() {
        holder_ = std::thread([this] {
            opened_ = OpenClipboard(nullptr) != FALSE;
            SetEvent(ready_.get());
            WaitForSingleObject(release_.get(), INFINITE);
            if (opened_) CloseClipboard();
        });
        WaitForSingleObject(ready_.get(), INFINITE);
    }
    ~ClipboardHolder() {
        SetEvent(release_.get());
        holder_.join();
    }
    bool Holds() const { return opened_; }

private:
    UniqueHandle ready_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle release_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool opened_ = false;
    std::thread holder_;
};

class RowCommands : public MainFrameWithRows {
protected:
    std::vector<MenuEntry> MenuFor(HTREEITEM row) {
        const UniqueMenu menu = BuildRowMenu(rows, row);
        return menu ? EntriesOf(menu.get()) : std::vector<MenuEntry>{};
    }
    HTREEITEM RowWithDetails(const std::wstring& details) {
        return AddRow(rows, nullptr, {L"0000000140000000", L"Image", L"28 KB", {}, {}, L"5", details});
    }
    std::optional<std::wstring> CopyOf(HTREEITEM row) {
        Select(tree, row);
        CopyRow(frame.hwnd(), rows);
        return ClipboardText();
    }
};

TEST_F(RowCommands, TheMenuOffersExploreAndPropertiesOnlyForARowNamingAnExistingFile) {
    const HTREEITEM heap = AddRow(rows, nullptr, {L"0000000000600000", L"Private", L"64 KB", {}, {}, L"1", L"Heap 0 (LFH)"});
    const HTREEITEM stack = AddRow(rows, heap, {L"0000000000610000", L"Private", {}, L"8 KB", L"Read/Write", {}, L"Thread 12 stack"});
    EXPECT_EQ(MenuFor(heap), kTwoEntries);
    EXPECT_EQ(MenuFor(stack), kTwoEntries);
    EXPECT_EQ(MenuFor(nullptr), kTwoEntries);  // a click below the last row

    EXPECT_EQ(MenuFor(RowWithDetails(OwnPath())), kFiveEntries);
    EXPECT_EQ(MenuFor(RowWithDetails(L"C:\\windows\\system32\\kernel32.dll")), kFiveEntries);
    EXPECT_EQ(MenuFor(RowWithDetails(L"C:\\no\\such\\file.dll")), kTwoEntries);
    EXPECT_EQ(MenuFor(RowWithDetails(L"\\Device\\HarddiskVolume1\\windows\\system32\\kernel32.dll")), kTwoEntries);
    EXPECT_EQ(MenuFor(RowWithDetails(L"C:")), kTwoEntries);
    EXPECT_EQ(MenuFor(AddRow(rows, nullptr, {L"0000000000700000", L"Free"})), kTwoEntries);  // Details unset
    // Longer than the file test reads: refused whole rather than cut into another path.
    EXPECT_EQ(MenuFor(RowWithDetails(L"C:\\windows\\" + std::wstring(1100, L'x'))), kTwoEntries);
}

TEST_F(RowCommands, TheFileTestIsMadeAgainWhenACommandRuns) {
    TemporaryFile file;
    const HTREEITEM row = RowWithDetails(file.Path());
    EXPECT_EQ(RowFilePath(rows, row), file.Path());
    EXPECT_EQ(MenuFor(row), kFiveEntries);
    file.Remove();  // gone after the menu was built
    EXPECT_EQ(RowFilePath(rows, row), std::nullopt);
    EXPECT_EQ(MenuFor(row), kTwoEntries);
}

// The shell would say that the file is missing; the commands say nothing at all.
TEST_F(RowCommands, ExploreAndPropertiesDoNothingOnceTheFileIsGone) {
    TemporaryFile file;
    Select(tree, RowWithDetails(file.Path()));
    file.Remove();
    ModalAnswers answers;
    ExploreRow(rows);
    ShowRowProperties(frame.hwnd(), rows);
    EXPECT_TRUE(answers.boxes.empty());
    EXPECT_EQ(GetWindow(frame.hwnd(), GW_ENABLEDPOPUP), nullptr);
}

TEST_F(RowCommands, CopyPutsTheSetCellsQuotedAndJoinedOnTheClipboard) {
    ModalAnswers answers;
    const HTREEITEM full = AddRow(rows, nullptr, {L"0000000000400000", L"Image", L"12 KB", L"8 KB", L"Read", L"3", L"C:\\a\\app.exe"});
    EXPECT_EQ(CopyOf(full), L"\"0000000000400000\",\"Image\",\"12 KB\",\"8 KB\",\"Read\",\"3\",\"C:\\a\\app.exe\"");

    const HTREEITEM unset = AddRow(rows, full, {L"0000000000401000", L"Image", {}, L"8 KB", {}, {}, L".text"});
    EXPECT_EQ(CopyOf(unset), L"\"0000000000401000\",\"Image\",\"8 KB\",\".text\"");

    const HTREEITEM empty = AddRow(rows, nullptr, {L"0000000000600000", L"", {}, {}, {}, {}, L""});
    EXPECT_EQ(CopyOf(empty), L"\"0000000000600000\",\"\",\"\"");

    const HTREEITEM quoted = AddRow(rows, nullptr, {L"0000000000700000", L"say \"hi\"", {}, {}, {}, {}, L"\""});
    EXPECT_EQ(CopyOf(quoted), L"\"0000000000700000\",\"say \"hi\"\",\"\"\"");

    const std::wstring longest(1021, L'x');
    const HTREEITEM longCells = AddRow(rows, nullptr, {L"a", longest, std::wstring(1022, L'y'), L"b"});
    EXPECT_EQ(CopyOf(longCells), L"\"a\",\"" + longest + L"\",\"b\"");

    EXPECT_EQ(CopyOf(nullptr), L"");  // no row selected
    EXPECT_TRUE(answers.boxes.empty());
}

TEST_F(RowCommands, CopyWarnsAndLeavesTheClipboardAloneWhileAnotherHoldsIt) {
    PutOnClipboard(L"before");
    const HTREEITEM row = AddRow(rows, nullptr, {L"0000000000400000", L"Image"});
    Select(tree, row);
    ModalAnswers answers;
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.Holds());
        CopyRow(frame.hwnd(), rows);
    }
    const ShownBox warning{L"Cannot open Clipboard.", L"", frame.hwnd(), BoxIcon::Warning};
    EXPECT_EQ(answers.boxes, std::vector<ShownBox>{warning});
    EXPECT_EQ(ClipboardText(), L"before");
}

// --- The menu on a right click ----------------------------------------------------------------

// What the row menu showed while it was open; it is then answered with keys.
struct MenuSeen {
    std::vector<MenuEntry> entries;
    POINT at{};
    HTREEITEM selected = nullptr;
    std::wstring pane;
    int opened = 0;
};

class RowMenu : public RowCommands {
protected:
    // A right click on the tree at `screen`, as the mouse makes it: the pointer there, the
    // button down and up; `keys` go to the menu once it is open. The chosen command is
    // carried out before this returns.
    MenuSeen RightClickAt(POINT screen, std::vector<UINT> keys) {
        MenuSeen seen;
        AfterSentMessage entries(WM_INITMENUPOPUP, [&](HWND, WPARAM menu, LPARAM) {
            seen.entries = EntriesOf(reinterpret_cast<HMENU>(menu));
            ++seen.opened;
        });
        AfterSentMessage idle(WM_ENTERIDLE, [&](HWND, WPARAM kind, LPARAM window) {
            if (kind != MSGF_MENU || seen.pane.size()) return;
            RECT rect{};
            GetWindowRect(reinterpret_cast<HWND>(window), &rect);
            seen.at = {rect.left, rect.top};
            seen.selected = Selection(tree);
            seen.pane = TextOf(frame.ContentWindow());
            for (const UINT key : keys) {
                PostMessageW(reinterpret_cast<HWND>(window), WM_KEYDOWN, key, 1);
                PostMessageW(reinterpret_cast<HWND>(window), WM_KEYUP, key, 0xC0000001);
            }
        });
        POINT client = screen;
        ScreenToClient(tree, &client);
        SetCursorPos(screen.x, screen.y);
        // The tree watches for a drag until the button comes up; it is up already.
        PostMessageW(tree, WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y));
        SendMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        return seen;
    }

    POINT ScreenPointOf(HTREEITEM row) const {
        RECT rect{};
        TreeView_GetItemRect(tree, row, &rect, TRUE);
        POINT point{rect.left + 5, (rect.top + rect.bottom) / 2};
        ClientToScreen(tree, &point);
        return point;
    }
};

TEST_F(RowMenu, SelectsAndShowsTheRowUnderTheCursorThenOpensTheMenuThereWhoseCopyCopies) {
    const HTREEITEM heap = AddRow(rows, nullptr, {L"0000000000600000", L"Private", L"64 KB", {}, {}, L"1", L"Heap 0"});
    const std::wstring path = OwnPath();
    const HTREEITEM image = RowWithDetails(path);
    Select(tree, heap);
    const POINT point = ScreenPointOf(image);

    const MenuSeen seen = RightClickAt(point, {VK_DOWN, VK_DOWN, VK_RETURN});  // the second entry
    EXPECT_EQ(seen.selected, image);
    EXPECT_EQ(seen.pane, L"Failed to read process memory");  // shown; no target to read
    EXPECT_EQ(seen.entries, kFiveEntries);
    EXPECT_EQ(seen.at.x, point.x);
    EXPECT_EQ(seen.at.y, point.y);
    EXPECT_EQ(ClipboardText(), L"\"0000000140000000\",\"Image\",\"28 KB\",\"5\",\"" + path + L"\"");
}

TEST_F(RowMenu, AClickBelowTheLastRowRemovesTheSelectionAndOffersDumpAndCopy) {
    const HTREEITEM image = RowWithDetails(OwnPath());
    Select(tree, image);
    POINT below = ScreenPointOf(image);
    below.y += 100;

    const MenuSeen seen = RightClickAt(below, {VK_ESCAPE});
    EXPECT_EQ(seen.selected, nullptr);
    EXPECT_EQ(seen.pane, L"Failed to read process memory");
    EXPECT_EQ(seen.entries, kTwoEntries);

    // Another control's right clicks are not the tree-list's.
    NMHDR other{frame.hwnd(), 7, static_cast<UINT>(NM_RCLICK)};
    SendMessageW(frame.hwnd(), WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(seen.opened, 1);
}

TEST(PointOnAMonitor, PullsOnlyAnOffScreenXIntoTheNearestWorkArea) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT work = monitor.rcWork;
    const POINT inside{work.left + 10, work.top + 10};
    EXPECT_EQ(PointOnAMonitor(inside).x, inside.x);
    EXPECT_EQ(PointOnAMonitor(inside).y, inside.y);
    const POINT farLeft = PointOnAMonitor(POINT{monitor.rcMonitor.left - 5000, work.top + 10});
    EXPECT_EQ(farLeft.x, work.left);
    EXPECT_EQ(farLeft.y, work.top + 10);
    EXPECT_EQ(PointOnAMonitor(POINT{monitor.rcMonitor.right + 5000, work.top + 10}).x, work.right - 1);
}

}  // namespace
}  // namespace quarry
