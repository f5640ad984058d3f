// The main window on the test display: its make-up, its colour answer for the content pane,
// the message loop it runs in (F3, Exit, the close box) and the About box.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/startup.h"
#include "framework/layout_math.h"
#include "support/modal_driver.h"
#include "resources/resource.h"
#include "support/tree_list_windows.h"

namespace quarry {
namespace {

using test::AfterSentMessage;

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

layout::Rect WindowRectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

RECT RectIn(HWND window, HWND parent) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

layout::Rect WorkArea(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return {monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
}

struct MenuEntry {
    std::wstring text;
    UINT id;
    bool enabled;
    bool plain;  // a command item, no drop-down
    bool operator==(const MenuEntry&) const = default;
};

void PrintTo(const MenuEntry& entry, std::ostream* out) {
    *out << "{" << std::string(entry.text.begin(), entry.text.end()) << " " << entry.id
         << (entry.enabled ? " enabled" : " disabled") << (entry.plain ? "}" : " popup}");
}

std::vector<MenuEntry> MenuBar(HWND window) {
    std::vector<MenuEntry> entries;
    HMENU menu = GetMenu(window);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = 64;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        entries.push_back({text, item.wID, (item.fState & (MFS_DISABLED | MFS_GRAYED)) == 0, item.hSubMenu == nullptr});
    }
    return entries;
}

class MainFrameTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(frame.Create(), nullptr); }
    void TearDown() override {
        if (frame.hwnd()) DestroyWindow(frame.hwnd());
        test::TakeQuitMessage();
    }

    CMainFrame frame;
};

TEST_F(MainFrameTest, OpensCentredWithTitleStylesAndTheSixCommandMenu) {
    const layout::Rect outer = WindowRectOf(frame.hwnd());
    EXPECT_EQ(outer.Width(), 750);
    EXPECT_EQ(outer.Height(), 660);
    const layout::Rect work = WorkArea(frame.hwnd());
    EXPECT_EQ((layout::Point{outer.left, outer.top}), layout::CentredOrigin(work, 750, 660, work));
    EXPECT_EQ(TextOf(frame.hwnd()), L"Quarry - Tellwick");
    EXPECT_EQ(GetWindowLongPtrW(frame.hwnd(), GWL_STYLE) & 0x06CF0000, 0x06CF0000);
    EXPECT_TRUE(GetWindowLongPtrW(frame.hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_NE(GetClassLongPtrW(frame.hwnd(), GCLP_HICON), 0u);
    EXPECT_EQ(GetClassLongPtrW(frame.hwnd(), GCLP_HBRBACKGROUND), ULONG_PTR{COLOR_WINDOW + 1});

    EXPECT_EQ(MenuBar(frame.hwnd()), (std::vector<MenuEntry>{{L"&Open", 32777, true, true},
                                                             {L"&Refresh", 32776, true, true},
                                                             {L"&Find", 32783, true, true},
                                                             {L"&Dump", 32781, true, true},
                                                             {L"&About", 57664, true, true},
                                                             {L"Exit", 57665, true, true}}));
    EXPECT_EQ(frame.ReadSize(), 4096u);
}

TEST_F(MainFrameTest, SplitterHoldsTheTreeListAboveTheReadOnlyFixedPitchPane) {
    const CHorSplitterWindow& splitter = frame.Splitter();
    RECT client{};
    GetClientRect(frame.hwnd(), &client);
    RECT splitterArea{};
    GetWindowRect(splitter.hwnd(), &splitterArea);
    MapWindowPoints(nullptr, frame.hwnd(), reinterpret_cast<POINT*>(&splitterArea), 2);
    EXPECT_TRUE(EqualRect(&splitterArea, &client));
    EXPECT_EQ(GetDlgCtrlID(splitter.hwnd()), 0);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(splitter.hwnd(), GWL_STYLE)), 0x56000000u);

    HWND tree = frame.TreeList().hwnd();
    HWND content = frame.ContentWindow();
    EXPECT_EQ(GetParent(tree), splitter.hwnd());
    EXPECT_EQ(GetDlgCtrlID(tree), 1);
    EXPECT_EQ(GetParent(content), splitter.hwnd());
    EXPECT_EQ(GetDlgCtrlID(content), 0);
    wchar_t className[16] = {};
    GetClassNameW(content, className, 16);
    EXPECT_EQ(CompareStringOrdinal(className, -1, L"EDIT", -1, TRUE), CSTR_EQUAL);
    const DWORD contentStyle = static_cast<DWORD>(GetWindowLongPtrW(content, GWL_STYLE));
    EXPECT_EQ(contentStyle & 0x503008C4u, 0x503008C4u);
    EXPECT_TRUE(GetWindowLongPtrW(content, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(content, WM_GETFONT, 0, 0)), GetStockObject(ANSI_FIXED_FONT));
    EXPECT_EQ(GetWindowTextLengthW(content), 0);

    // The tree-list above the bar, the pane below it; the bar starts in the middle and keeps
    // that share when the window grows.
    const auto expectPanesAroundMiddle = [&] {
        GetClientRect(frame.hwnd(), &client);
        const RECT above = RectIn(tree, splitter.hwnd());
        const RECT below = RectIn(content, splitter.hwnd());
        const int bar = below.top - above.bottom;
        EXPECT_GT(bar, 0);
        EXPECT_EQ(above.top, 0);
        EXPECT_EQ(below.bottom, client.bottom);
        EXPECT_EQ(above.bottom, (client.bottom - bar) / 2);
    };
    expectPanesAroundMiddle();
    MoveWindow(frame.hwnd(), 0, 0, 750, 860, TRUE);
    expectPanesAroundMiddle();
}

TEST_F(MainFrameTest, TreeListHasTheSevenColumns) {
    struct Column {
        std::wstring caption;
        int width;
        int alignment;
        bool operator==(const Column&) const = default;
    };
    std::vector<Column> columns;
    HWND header = test::InnerHeader(frame.TreeList().hwnd());
    for (int i = 0; i < static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)); ++i) {
        wchar_t caption[32] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.pszText = caption;
        item.cchTextMax = 32;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        columns.push_back({caption, item.cxy, item.fmt & HDF_JUSTIFYMASK});
    }
    EXPECT_EQ(columns, (std::vector<Column>{{L"Address", 145, HDF_LEFT},
                                            {L"Type", 80, HDF_LEFT},
                                            {L"Size", 70, HDF_RIGHT},
                                            {L"Commit", 70, HDF_RIGHT},
                                            {L"Protect", 100, HDF_LEFT},
                                            {L"Blocks", 50, HDF_RIGHT},
                                            {L"Details", 200, HDF_LEFT}}));
}

TEST_F(MainFrameTest, ContentPaneIsPaintedWhiteWithTheFramesBrush) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetBkColor(dc, RGB(1, 2, 3));
    // The read-only pane asks its parent, the splitter, which passes the request on.
    const LRESULT answer = SendMessageW(frame.Splitter().hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(frame.ContentWindow()));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    DeleteDC(dc);
    ASSERT_NE(frame.PaneBrush(), nullptr);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(answer), frame.PaneBrush());
    LOGBRUSH brush{};
    GetObjectW(frame.PaneBrush(), sizeof(brush), &brush);
    EXPECT_EQ(brush.lbColor, RGB(255, 255, 255));
    EXPECT_EQ(frame.PaneColour(), RGB(255, 255, 255));
}

// Commands sent to a main window while RunMainWindow runs: menu and accelerator commands
// only (they carry no control handle).
class CommandLog {
public:
    explicit CommandLog(std::function<void(HWND frame, UINT id)> react = {})
        : watch_(WM_COMMAND, [this, react](HWND window, WPARAM wParam, LPARAM lParam) {
              wchar_t className[32] = {};
              GetClassNameW(window, className, 32);
              if (lParam != 0 || std::wstring(className) != CMainFrame::kClassName) return;
              commands.push_back(LOWORD(wParam));
              sources.push_back(HIWORD(wParam));
              if (react) react(window, LOWORD(wParam));
          }) {}
    std::vector<UINT> commands;
    std::vector<UINT> sources;  // 0 menu, 1 accelerator

private:
    AfterSentMessage watch_;
};

// The inner tree-view of the main window's tree-list, where the keyboard usually is.
HWND InnerTree(HWND frame) {
    HWND splitter = FindWindowExW(frame, nullptr, L"QuarrySplitter", nullptr);
    return GetDlgItem(GetDlgItem(splitter, CMainFrame::kTreeListId), 1);
}

class MessageLoopTest : public testing::Test {
protected:
    // The Open command at start-up shows the process selection: cancelled here.
    AfterSentMessage cancelSelection_{WM_INITDIALOG, [](HWND dialog, WPARAM, LPARAM) {
                                          if (GetDlgItem(dialog, IDC_PROCESS_LIST))
                                              PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                                      }};
};

TEST_F(MessageLoopTest, ShowsTheWindowOpensOnceTurnsF3IntoFindNextAndEndsWithOneOnExit) {
    bool visibleAtOpen = false;
    // F3 before any search opens the Find dialog, which is cancelled; Exit follows it.
    AfterSentMessage cancelFind(WM_INITDIALOG, [](HWND dialog, WPARAM, LPARAM) {
        if (GetDlgItem(dialog, IDC_FIND_TEXT)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    CommandLog log([&](HWND frame, UINT id) {
        if (id == ID_EDIT_FIND_NEXT) PostMessageW(frame, WM_COMMAND, ID_APP_EXIT, 0);
        if (id != ID_TARGET_OPEN) return;
        visibleAtOpen = IsWindowVisible(frame) != FALSE;
        PostMessageW(InnerTree(frame), WM_KEYDOWN, VK_F3, 1);
        PostMessageW(InnerTree(frame), WM_KEYUP, VK_F3, 0xC0000001);
    });
    EXPECT_EQ(RunMainWindow(SW_SHOWNORMAL), 1);
    EXPECT_TRUE(visibleAtOpen);
    // The posted Exit is dispatched, not sent, so the log does not see it; the status does.
    EXPECT_EQ(log.commands, (std::vector<UINT>{ID_TARGET_OPEN, ID_EDIT_FIND_NEXT}));
    EXPECT_EQ(log.sources[1], 1u);
    EXPECT_EQ(FindWindowW(CMainFrame::kClassName, nullptr), nullptr);
}

TEST_F(MessageLoopTest, TheCloseBoxEndsWithOne) {
    CommandLog log([](HWND frame, UINT id) {
        if (id == ID_TARGET_OPEN) PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(RunMainWindow(SW_SHOWNORMAL), 1);
    EXPECT_EQ(log.commands, (std::vector<UINT>{ID_TARGET_OPEN}));
}

// The About box over the main window: the link, centred over its parent, and each way out.
TEST_F(MainFrameTest, AboutBoxShowsTheLinkOverItsParentAndEndsWithOkEscOrTheCloseBox) {
    ShowWindow(frame.hwnd(), SW_SHOWNORMAL);
    const auto checkAndLeave = [this](HWND dialog, void (*leave)(HWND)) {
        EXPECT_EQ(TextOf(dialog), L"About");
        HWND link = GetDlgItem(dialog, IDC_HYPERLINK);
        EXPECT_EQ(TextOf(link), L"https://tellwick.example/quarry");
        SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
        const layout::Rect box = WindowRectOf(dialog), over = WindowRectOf(frame.hwnd());
        EXPECT_NEAR(box.left + box.Width() / 2, over.left + over.Width() / 2, 1);
        EXPECT_NEAR(box.top + box.Height() / 2, over.top + over.Height() / 2, 1);
        leave(dialog);
    };
    struct Ending {
        void (*leave)(HWND dialog);
        INT_PTR result;
    };
    const Ending endings[] = {
        {[](HWND dialog) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }, IDOK},
        {[](HWND dialog) { PostMessageW(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 1); }, IDCANCEL},
        {[](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    for (const Ending& ending : endings) {
        int opened = 0;
        AfterSentMessage drive(WM_INITDIALOG, [&](HWND dialog, WPARAM, LPARAM) {
            ++opened;
            checkAndLeave(dialog, ending.leave);
        });
        CAboutDlg about;
        EXPECT_EQ(about.DoModal(frame.hwnd()), ending.result);
        EXPECT_EQ(opened, 1);
    }

    // From the menu: modal over the active window, the main window.
    SetActiveWindow(frame.hwnd());
    HWND parent = nullptr;
    AfterSentMessage drive(WM_INITDIALOG, [&](HWND dialog, WPARAM, LPARAM) {
        parent = GetParent(dialog);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    SendMessageW(frame.hwnd(), WM_COMMAND, ID_APP_ABOUT, 0);
    EXPECT_EQ(parent, frame.hwnd());
}

}  // namespace
}  // namespace quarry
