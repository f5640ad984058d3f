// The framework's windows on the test display: splitter, modal dialogs with resizing, the
// hyperlink and the save dialog. The frame is tested as the main window (tests/app).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/dialog_resize.h"
#include "framework/file_dialog.h"
#include "framework/hyperlink.h"
#include "support/modal_driver.h"
#include "framework/splitter.h"
#include "resources/resource.h"

// Rectangles compared and printed by value; RECT lives in the global namespace.
inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
inline void PrintTo(const RECT& r, std::ostream* out) {
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace quarry {
namespace {

using test::AfterSentMessage;

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

RECT RectIn(HWND window, HWND parent) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT Offset(RECT r, int dx, int dy) {
    OffsetRect(&r, dx, dy);
    return r;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// A parent that answers the messages its splitter passes on, and remembers them.
class SplitterHost : public CWindowImpl<SplitterHost> {
public:
    static std::span<const Route<SplitterHost>> Routes() {
        static const Route<SplitterHost> table[] = {
            OnMessage(WM_COMMAND, &SplitterHost::Record),
            OnMessage(WM_NOTIFY, &SplitterHost::Record),
            OnMessage(WM_CTLCOLORSTATIC, &SplitterHost::Record),
        };
        return table;
    }
    HWND Create() {
        return CreateBound({L"QuarryTestSplitterHost"}, nullptr, RECT{0, 0, 500, 500}, L"host",
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, nullptr);
    }
    std::vector<UINT> received;

private:
    LRESULT Record(WindowMessage& m) {
        received.push_back(m.message);
        return 77;
    }
};

class SplitterTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(host.Create(), nullptr);
        ASSERT_NE(splitter.Create(host.hwnd(), RECT{0, 0, 300, 401}, kChildStyle, 0), nullptr);
        top = CreateWindowExW(0, L"STATIC", L"top", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, splitter.hwnd(), nullptr,
                              nullptr, nullptr);
        bottom = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_READONLY, 0, 0, 0, 0, splitter.hwnd(),
                                 nullptr, nullptr, nullptr);
        splitter.SetSplitterPanes(top, bottom);
        splitter.SetSplitterPos();
        bar = RectIn(bottom, splitter.hwnd()).top - BarTop();
    }
    void TearDown() override { DestroyWindow(host.hwnd()); }

    void ResizeTo(int height) { MoveWindow(splitter.hwnd(), 0, 0, 300, height, TRUE); }
    // The bar's top edge: where the top pane ends.
    int BarTop() const { return RectIn(top, splitter.hwnd()).bottom; }
    // The panes as they are placed for the bar at `position` in a splitter `height` tall.
    void ExpectPanesAround(int position, int height) {
        EXPECT_EQ(RectIn(top, splitter.hwnd()), (RECT{0, 0, 300, position}));
        EXPECT_EQ(RectIn(bottom, splitter.hwnd()), (RECT{0, position + bar, 300, height}));
    }

    SplitterHost host;
    CHorSplitterWindow splitter;
    HWND top = nullptr;
    HWND bottom = nullptr;
    int bar = 0;
};

TEST_F(SplitterTest, StacksThePanesAroundABarThatKeepsItsProportion) {
    ExpectPanesAround((401 - bar) / 2, 401);
    ResizeTo(801);
    ExpectPanesAround((801 - bar) / 2, 801);

    // The user drags the bar up to 100; it keeps that share of the height from then on.
    const int grab = BarTop() + 1;
    SendMessageW(splitter.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, grab));
    EXPECT_EQ(GetCapture(), splitter.hwnd());
    SendMessageW(splitter.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 101));
    SendMessageW(splitter.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 101));
    EXPECT_EQ(GetCapture(), nullptr);
    ExpectPanesAround(100, 801);
    ResizeTo(401);
    const int share = layout::ProportionFromBarPosition(100, 801, bar);
    ExpectPanesAround(layout::BarPositionFromProportion(share, 401, bar), 401);

    // A press outside the bar starts no drag.
    const int before = BarTop();
    SendMessageW(splitter.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, before + bar + 5));
    SendMessageW(splitter.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 300));
    SendMessageW(splitter.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 300));
    EXPECT_EQ(BarTop(), before);
}

TEST_F(SplitterTest, PassesItsPanesCommandsNotificationsAndColourRequestsOn) {
    NMHDR header{top, 1, static_cast<UINT>(NM_RCLICK)};
    EXPECT_EQ(SendMessageW(splitter.hwnd(), WM_COMMAND, MAKEWPARAM(5, EN_CHANGE), reinterpret_cast<LPARAM>(bottom)), 77);
    EXPECT_EQ(SendMessageW(splitter.hwnd(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&header)), 77);
    // The read-only edit asks for its colours when it paints.
    ShowWindow(host.hwnd(), SW_SHOWNOACTIVATE);
    RedrawWindow(bottom, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    ASSERT_GE(host.received.size(), 3u);
    EXPECT_EQ(host.received[0], static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(host.received[1], static_cast<UINT>(WM_NOTIFY));
    EXPECT_EQ(host.received.back(), static_cast<UINT>(WM_CTLCOLORSTATIC));
}

// Dialog 202 with the resizing that the process selection uses.
class ResizableDialog : public CDialogImpl<ResizableDialog>, public CDialogResize {
public:
    static std::span<const Route<ResizableDialog>> Routes() {
        static const Route<ResizableDialog> table[] = {
            OnMessage(WM_INITDIALOG, &ResizableDialog::OnInitDialog),
            OnMessage(WM_SIZE, &ResizableDialog::MoveAnchoredControls),
            OnMessage(WM_GETMINMAXINFO, &ResizableDialog::KeepMinimumSize),
            OnCommand(IDOK, &ResizableDialog::OnEnd),
            OnCommand(IDCANCEL, &ResizableDialog::OnEnd),
        };
        return table;
    }
    static constexpr int IDD = IDD_SELECT_PROCESS;
    LPARAM initParam = 0;

private:
    static constexpr ResizeAnchor kAnchors[] = {
        {IDC_PROCESS_LIST, layout::kSizeX | layout::kSizeY},
        {IDOK, layout::kMoveX | layout::kMoveY},
        {IDCANCEL, layout::kMoveX | layout::kMoveY},
        {IDC_REFRESH_LIST, layout::kMoveX | layout::kMoveY},
        {IDC_SHOW_ALL_PROCESSES, layout::kMoveY},
    };
    LRESULT OnInitDialog(WindowMessage& m) {
        initParam = m.lParam;
        InitResize(hwnd(), kAnchors);
        return TRUE;
    }
    LRESULT OnEnd(WindowMessage& m) {
        EndDialog(m.CommandId() == IDOK ? 11 : 22);
        return 0;
    }
};

class DialogTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
    }
};

TEST_F(DialogTest, RunsModallyWithTheCallersParameterAndEndsWithTheGivenResult) {
    ResizableDialog dialog;
    HWND seen = nullptr;
    AfterSentMessage close(WM_INITDIALOG, [&](HWND window, WPARAM, LPARAM) {
        seen = window;
        EXPECT_EQ(dialog.hwnd(), window);
        EXPECT_EQ(TextOf(window), L"Select a process");
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(dialog.DoModal(nullptr, 1234), 22);
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(dialog.initParam, 1234);
    EXPECT_EQ(dialog.hwnd(), nullptr);
}

TEST_F(DialogTest, ResizingFollowsTheAnchorsAndNeverGoesBelowTheOpeningSize) {
    ResizableDialog dialog;
    bool checked = false;
    AfterSentMessage check(WM_INITDIALOG, [&](HWND window, WPARAM, LPARAM) {
        const auto at = [window](int id) { return RectIn(GetDlgItem(window, id), window); };
        const RECT list = at(IDC_PROCESS_LIST), ok = at(IDOK), cancel = at(IDCANCEL),
                   refresh = at(IDC_REFRESH_LIST), showAll = at(IDC_SHOW_ALL_PROCESSES);
        RECT outer{}, client{};
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_CLIPCHILDREN);
        HWND grip = FindWindowExW(window, nullptr, L"SCROLLBAR", nullptr);
        ASSERT_NE(grip, nullptr);
        EXPECT_TRUE(GetWindowLongPtrW(grip, GWL_STYLE) & SBS_SIZEGRIP);
        const RECT gripAt = RectIn(grip, window);
        EXPECT_EQ(gripAt.right, client.right);
        EXPECT_EQ(gripAt.bottom, client.bottom);

        SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + 100, outer.bottom - outer.top + 60,
                     SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(at(IDC_PROCESS_LIST), (RECT{list.left, list.top, list.right + 100, list.bottom + 60}));
        EXPECT_EQ(at(IDOK), Offset(ok, 100, 60));
        EXPECT_EQ(at(IDCANCEL), Offset(cancel, 100, 60));
        EXPECT_EQ(at(IDC_REFRESH_LIST), Offset(refresh, 100, 60));
        EXPECT_EQ(at(IDC_SHOW_ALL_PROCESSES), Offset(showAll, 0, 60));
        EXPECT_EQ(RectIn(grip, window), Offset(gripAt, 100, 60));

        MINMAXINFO limits{};
        SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        EXPECT_EQ(limits.ptMinTrackSize.x, outer.right - outer.left);
        EXPECT_EQ(limits.ptMinTrackSize.y, outer.bottom - outer.top);
        checked = true;
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(dialog.DoModal(nullptr), 11);
    EXPECT_TRUE(checked);
}

// Records where a click would take the user instead of starting a browser.
class RecordingLink : public CHyperLink {
public:
    int navigations = 0;

private:
    void Navigate() override { ++navigations; }
};

// The control painted into a bitmap of its own size; each pixel as 0x00RRGGBB.
std::vector<std::vector<COLORREF>> PaintedPixels(HWND control) {
    RECT area{};
    GetClientRect(control, &area);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = area.right;
    info.bmiHeader.biHeight = -area.bottom;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    std::vector<std::vector<COLORREF>> rows(static_cast<std::size_t>(area.bottom));
    const auto* pixel = static_cast<const DWORD*>(bits);
    for (auto& row : rows) row.assign(pixel, pixel + area.right), pixel += area.right;
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return rows;
}

// A label 300 by 20 in a host window, turned into a link.
class HyperLinkTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(host.Create(), nullptr);
        label = CreateWindowExW(0, L"STATIC", L"https://tellwick.example/quarry", WS_CHILD | WS_VISIBLE | SS_CENTER,
                                10, 10, 300, 20, host.hwnd(), nullptr, nullptr, nullptr);
        ASSERT_TRUE(link.SubclassWindow(label));
    }
    void TearDown() override { DestroyWindow(host.hwnd()); }

    SplitterHost host;
    HWND label = nullptr;
    RecordingLink link;
};

TEST_F(HyperLinkTest, ShowsItsAddressAsAnUnderlinedLinkWithTheHand) {
    EXPECT_TRUE(GetWindowLongPtrW(label, GWL_STYLE) & SS_NOTIFY);

    // The text in the link colour (0x00RRGGBB in the bitmap) with an unbroken underline.
    constexpr DWORD kBlue = 0x0000FF;
    std::size_t longestRun = 0;
    for (const auto& row : PaintedPixels(label)) {
        std::size_t run = 0;
        for (COLORREF pixel : row) {
            run = pixel == kBlue ? run + 1 : 0;
            longestRun = std::max(longestRun, run);
        }
    }
    EXPECT_GE(longestRun, 100u);

    SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(HyperLinkTest, OpensOnlyWhenThePressAndTheReleaseAreBothOnTheLink) {
    // On the link and on it again: one opening.
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(8, 6));
    EXPECT_EQ(link.navigations, 1);
    EXPECT_EQ(GetCapture(), nullptr);

    // Pressed elsewhere, released on the link.
    SendMessageW(host.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 200));
    SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(link.navigations, 1);

    // Pressed on the link, released below it and left of it: the captured release comes in
    // the link's coordinates.
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(5, 40));
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(-3, 5));
    EXPECT_EQ(link.navigations, 1);
    EXPECT_EQ(GetCapture(), nullptr);
}

// The save dialog as the Dump command configures it, filled in and confirmed.
class SaveDialogTest : public testing::Test {
protected:
    static constexpr int kFileName = 1148;  // the dialog's file name box
    static constexpr int kFileTypes = 1136;
    static constexpr FileType kTypes[] = {{L"Dump binary file", L"*.bin"}, {L"All Files", L"*.*"}};
    static constexpr DWORD kOptions = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;

    static std::wstring TempFolder() {
        wchar_t path[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, path);
        return path;
    }
    static std::vector<std::wstring> FileTypes(HWND dialog) {
        std::vector<std::wstring> names;
        HWND box = GetDlgItem(dialog, kFileTypes);
        for (LRESULT i = 0, count = SendMessageW(box, CB_GETCOUNT, 0, 0); i < count; ++i) {
            wchar_t name[64] = {};
            SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
            names.push_back(name);
        }
        return names;
    }
};

TEST_F(SaveDialogTest, ReturnsTheChosenPathWithTheDefaultExtension) {
    CFileDialog dialog(kTypes, L"bin", L"MemoryDump", kOptions);
    const std::wstring chosen = TempFolder() + L"quarry-save-test";
    AfterSentMessage fill(WM_INITDIALOG, [&](HWND window, WPARAM, LPARAM) {
        if (!GetDlgItem(window, kFileName)) return;
        EXPECT_EQ(TextOf(GetDlgItem(window, kFileName)), L"MemoryDump");
        EXPECT_EQ(FileTypes(window), (std::vector<std::wstring>{L"Dump binary file", L"All Files"}));
        SetDlgItemTextW(window, kFileName, chosen.c_str());
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    ASSERT_TRUE(dialog.DoModal(nullptr));
    EXPECT_EQ(dialog.Path(), chosen + L".bin");
}

}  // namespace
}  // namespace quarry
