#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <tuple>
#include <vector>

#include "framework/handles.h"
#include "framework/window.h"
#include "treelist/tree_list_view.h"
#include "support/tree_list_windows.h"

namespace quarry {
namespace {

constexpr UINT kTreeListId = 5;  // not the inner tree's 1, so that forwarding shows whose id travels
constexpr LRESULT kParentAnswer = 77;
constexpr int kTotalWidth = 715;  // the seven columns of the main window

// A top-level window that records the notifications reaching it.
class ParentWindow : public CWindowImpl<ParentWindow> {
public:
    static std::span<const Route<ParentWindow>> Routes() {
        static const Route<ParentWindow> table[] = {OnMessage(WM_NOTIFY, &ParentWindow::OnNotification)};
        return table;
    }
    HWND Create() {
        return CreateBound({L"QuarryTestTreeListParent"}, nullptr, RECT{0, 0, 900, 400}, L"tree-list",
                           WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, nullptr);
    }
    std::vector<std::tuple<WPARAM, UINT, HWND>> received;  // id, code, sender

private:
    LRESULT OnNotification(WindowMessage& m) {
        received.emplace_back(m.wParam, m.Notification()->code, m.Notification()->hwndFrom);
        return kParentAnswer;
    }
};

// One parent for all tests: under Wine without a window manager, destroying a shown
// top-level window waits two seconds for the X server.
ParentWindow& SharedParent() {
    static ParentWindow parent;
    if (!parent.hwnd()) parent.Create();
    return parent;
}

struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

// A bitmap in a memory device context, to draw into and read back.
class Canvas {
public:
    Canvas(HWND window, int width, int height) : dc_(CreateCompatibleDC(nullptr)) {
        const WindowDC screen(window);
        bitmap_.reset(CreateCompatibleBitmap(screen.get(), width, height));
        previous_ = SelectObject(dc_.get(), bitmap_.get());
    }
    ~Canvas() { SelectObject(dc_.get(), previous_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_.get(); }
    COLORREF At(int x, int y) const { return GetPixel(dc_.get(), x, y); }
    bool AllAre(RECT area, COLORREF colour) const { return Count(area, colour, 0) == Size(area); }
    // Text shows as pixels close to its colour; close, since fonts may be smoothed.
    bool HasPixelNear(RECT area, COLORREF colour) const { return Count(area, colour, 63) > 0; }

private:
    static long Size(RECT area) { return long{area.right - area.left} * (area.bottom - area.top); }
    long Count(RECT area, COLORREF colour, int tolerance) const {
        long count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                const COLORREF p = At(x, y);
                count += std::abs(GetRValue(p) - GetRValue(colour)) <= tolerance &&
                         std::abs(GetGValue(p) - GetGValue(colour)) <= tolerance &&
                         std::abs(GetBValue(p) - GetBValue(colour)) <= tolerance;
            }
        return count;
    }

    std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter> dc_;
    UniqueOf<HBITMAP, DeleteObject> bitmap_;
    HGDIOBJ previous_ = nullptr;
};

// What the window shows on the screen after a full repaint.
std::unique_ptr<Canvas> Screenshot(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client{};
    GetClientRect(window, &client);
    auto canvas = std::make_unique<Canvas>(window, client.right, client.bottom);
    const WindowDC screen(window);
    BitBlt(canvas->dc(), 0, 0, client.right, client.bottom, screen.get(), 0, 0, SRCCOPY);
    return canvas;
}

RECT RowRect(HWND tree, HTREEITEM row, bool labelOnly) {
    RECT rect{};
    std::memcpy(&rect, &row, sizeof(row));
    SendMessageW(tree, TVM_GETITEMRECT, labelOnly, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

class TreeListTest : public ::testing::Test {
protected:
    void SetUp() override {
        const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        ASSERT_NE(parent.hwnd(), nullptr);
        parent.received.clear();
        ASSERT_NE(view.Create(parent.hwnd(), kTreeListId), nullptr);
        tree = test::InnerTree(view.hwnd());
        header = test::InnerHeader(view.hwnd());
    }

    void AddColumns() {
        const std::tuple<const wchar_t*, int, int> columns[] = {
            {L"Address", 145, HDF_LEFT}, {L"Type", 80, HDF_LEFT},     {L"Size", 70, HDF_RIGHT},
            {L"Commit", 70, HDF_RIGHT},  {L"Protect", 100, HDF_LEFT}, {L"Blocks", 50, HDF_RIGHT},
            {L"Details", 200, HDF_LEFT}};
        int index = 0;
        for (auto [caption, width, format] : columns) ASSERT_EQ(view.AddColumn(caption, width, format), index++);
    }
    void Resize(int width) { SetWindowPos(view.hwnd(), nullptr, 0, 0, width, 300, SWP_NOZORDER | SWP_NOACTIVATE); }
    HTREEITEM Row(const wchar_t* text, HTREEITEM parentRow = nullptr) {
        return view.InsertRow(text, parentRow, -1, TVI_LAST);
    }
    int TreeRowCount() const { return static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)); }
    // A column's stretch of a row, in the tree's client coordinates while nothing is scrolled.
    RECT Cell(HTREEITEM row, int column) const {
        RECT rect{};
        SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&rect));
        const RECT line = RowRect(tree, row, false);
        return RECT{rect.left, line.top, rect.right, line.bottom};
    }

    ParentWindow& parent = SharedParent();
    CTreeListView view;
    HWND tree = nullptr;
    HWND header = nullptr;
};

TEST_F(TreeListTest, ColumnsAreHeaderItemsWithTheirCaptionsWidthsAndFormats) {
    AddColumns();
    ASSERT_EQ(view.AddColumn(L"Extra wide caption", 0, HDF_CENTER), 7);
    std::vector<std::tuple<std::wstring, int, int>> items;
    for (int i = 0; i < SendMessageW(header, HDM_GETITEMCOUNT, 0, 0); ++i) {
        wchar_t caption[64] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.pszText = caption;
        item.cchTextMax = 64;
        ASSERT_TRUE(SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item)));
        items.emplace_back(caption, item.cxy, item.fmt & HDF_JUSTIFYMASK);
    }
    // Width 0: as wide as the caption in a context of the header.
    SIZE extent{};
    GetTextExtentPoint32W(WindowDC(header).get(), L"Extra wide caption", 18, &extent);
    ASSERT_GT(extent.cx, 0);
    EXPECT_EQ(items, (std::vector<std::tuple<std::wstring, int, int>>{
                         {L"Address", 145, HDF_LEFT}, {L"Type", 80, HDF_LEFT}, {L"Size", 70, HDF_RIGHT},
                         {L"Commit", 70, HDF_RIGHT}, {L"Protect", 100, HDF_LEFT}, {L"Blocks", 50, HDF_RIGHT},
                         {L"Details", 200, HDF_LEFT}, {L"Extra wide caption", extent.cx, HDF_CENTER}}));
}

TEST_F(TreeListTest, RowsKeepCellsAndColoursWhileTheTreeKeepsLabelAndValue) {
    AddColumns();
    RowWriter& writer = view;
    const RowHandle allocation = writer.InsertRow(u"0000000000400000", kNoRow);
    const auto row = reinterpret_cast<HTREEITEM>(writer.InsertRow(u"0000000000401000", allocation));
    ASSERT_NE(row, nullptr);
    writer.SetRowValue(reinterpret_cast<RowHandle>(row), 0x401000);
    EXPECT_TRUE(view.SetCellText(row, 0, L"changed"));
    EXPECT_TRUE(writer.SetCellText(reinterpret_cast<RowHandle>(row), 1, u"Image"));
    EXPECT_FALSE(view.SetCellText(row, 7, L"x"));  // the header's count
    EXPECT_EQ(view.GetRowColor(row), 0xFFFFFFu);
    EXPECT_TRUE(writer.SetRowColor(reinterpret_cast<RowHandle>(row), 0xDCDCFA));
    EXPECT_EQ(view.GetRowColor(row), 0xDCDCFAu);

    wchar_t cells[2][16] = {};
    EXPECT_TRUE(view.GetCellText(row, 0, cells[0], 16));
    EXPECT_TRUE(view.GetCellText(row, 1, cells[1], 16));
    EXPECT_STREQ(cells[0], L"changed");
    EXPECT_STREQ(cells[1], L"Image");
    // The tree keeps the insert text as its label and the parent; the record the value.
    EXPECT_EQ(view.RowValue(row), 0x401000u);
    EXPECT_EQ(view.RowValue(nullptr), 0u);
    EXPECT_EQ(view.ChildRows(reinterpret_cast<HTREEITEM>(allocation)), std::vector<HTREEITEM>{row});
    wchar_t label[32] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = row;
    item.pszText = label;
    item.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(label, L"0000000000401000");
    EXPECT_EQ(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(row)),
              static_cast<LRESULT>(allocation));

    // A column added after the row lies outside its cells.
    ASSERT_EQ(view.AddColumn(L"Late", 40, HDF_LEFT), 7);
    EXPECT_FALSE(view.SetCellText(row, 7, L"x"));
}

// Stands in for a child that refuses every insert (one at a time).
class RefusingInserts {
public:
    RefusingInserts(HWND window, UINT insertMessage) : window_(window) {
        insertMessage_ = insertMessage;
        previous_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RefusingInserts::Procedure)));
    }
    ~RefusingInserts() { SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_)); }
    RefusingInserts(const RefusingInserts&) = delete;
    RefusingInserts& operator=(const RefusingInserts&) = delete;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == insertMessage_) return message == HDM_INSERTITEMW ? -1 : 0;
        return CallWindowProcW(previous_, window, message, wParam, lParam);
    }
    HWND window_;
    static inline UINT insertMessage_ = 0;
    static inline WNDPROC previous_ = nullptr;
};

TEST_F(TreeListTest, RefusedInsertsLeaveNoRow) {
    // No column yet, or only one the header refused: no row could hold a cell.
    EXPECT_EQ(Row(L"0000000000400000"), nullptr);
    {
        const RefusingInserts refusing(header, HDM_INSERTITEMW);
        EXPECT_EQ(view.AddColumn(L"Address", 145, HDF_LEFT), -1);
    }
    EXPECT_EQ(Row(L"0000000000400000"), nullptr);

    AddColumns();
    {
        const RefusingInserts refusing(tree, TVM_INSERTITEMW);
        EXPECT_EQ(static_cast<RowWriter&>(view).InsertRow(u"0000000000400000", kNoRow), kNoRow);
    }
    EXPECT_EQ(TreeRowCount(), 0);
    EXPECT_FALSE(view.SetCellText(nullptr, 1, L"Image"));
    EXPECT_FALSE(view.SetRowColor(nullptr, 0xDCFADC));
    EXPECT_EQ(view.GetRowColor(nullptr), 0xFFFFFFu);
    EXPECT_NE(Row(L"0000000000400000"), nullptr);
}

TEST_F(TreeListTest, SelectionAndRightClicksReachTheParentUnderTheTreeListsId) {
    AddColumns();
    Resize(800);
    const HTREEITEM row = Row(L"0000000000400000");
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(row));
    // A right click on the row: the release is queued already when the tree waits for it.
    const RECT label = RowRect(tree, row, true);
    const LPARAM point = MAKELPARAM(label.left + 2, label.top + 2);
    PostMessageW(tree, WM_RBUTTONUP, 0, point);
    SendMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, point);
    MSG pending{};
    while (PeekMessageW(&pending, tree, 0, 0, PM_REMOVE)) DispatchMessageW(&pending);
    // One from the header, whose answer comes back from the parent.
    NMHDR headerClick{header, 0, static_cast<UINT>(NM_RCLICK)};
    EXPECT_EQ(SendMessageW(view.hwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&headerClick)), kParentAnswer);
    // Other notifications of the children stay with the tree-list.
    NMHDR other{tree, 1, static_cast<UINT>(TVN_ITEMEXPANDINGW)};
    SendMessageW(view.hwnd(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&other));

    EXPECT_EQ(parent.received, (std::vector<std::tuple<WPARAM, UINT, HWND>>{
                                   {kTreeListId, static_cast<UINT>(TVN_SELCHANGEDW), tree},
                                   {kTreeListId, static_cast<UINT>(NM_RCLICK), tree},
                                   {kTreeListId, static_cast<UINT>(NM_RCLICK), header}}));
}

TEST_F(TreeListTest, DeleteAllRowsEmptiesTheTreeAndShowsItAgain) {
    AddColumns();
    const HTREEITEM top = Row(L"0000000000400000");
    const HTREEITEM rows[] = {top, Row(L"0000000000401000", top), Row(L"0000000000500000")};
    for (HTREEITEM row : rows) ASSERT_TRUE(view.SetRowColor(row, 0xDCFADC));
    static_cast<RowWriter&>(view).SetRowsVisible(false);  // as a walk hides it

    view.DeleteAllRows();
    EXPECT_EQ(TreeRowCount(), 0);
    EXPECT_TRUE(IsWindowVisible(tree));
    wchar_t text[16] = {};
    for (HTREEITEM row : rows) {
        EXPECT_FALSE(view.GetCellText(row, 0, text, 16));
        EXPECT_FALSE(view.SetRowColor(row, 0xDCFADC));
        EXPECT_EQ(view.GetRowColor(row), 0xFFFFFFu);
    }
}

TEST_F(TreeListTest, HorizontalScrollBarShowsOnlyWhileTheColumnsAreWider) {
    AddColumns();
    const auto state = [&] {  // shown, range end, position, header's left edge
        int min = 0;
        int max = 0;
        GetScrollRange(view.hwnd(), SB_HORZ, &min, &max);
        RECT rect{};
        GetWindowRect(header, &rect);
        MapWindowPoints(nullptr, view.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
        const bool shown = (GetWindowLongW(view.hwnd(), GWL_STYLE) & WS_HSCROLL) != 0;
        return std::tuple{shown, max, GetScrollPos(view.hwnd(), SB_HORZ), int{rect.left}};
    };
    Resize(800);
    EXPECT_EQ(state(), std::tuple(false, 0, 0, 0));
    Resize(500);
    EXPECT_EQ(state(), std::tuple(true, kTotalWidth, 0, 0));
    SendMessageW(view.hwnd(), WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(state(), std::tuple(true, kTotalWidth, 6, -6));
    SendMessageW(view.hwnd(), WM_HSCROLL, SB_RIGHT, 0);
    EXPECT_EQ(state(), std::tuple(true, kTotalWidth, 216, -216));
    // Widening pulls the position back so that the last column ends at the right edge;
    // without a vertical scroll bar in the tree, that is the last position of the bar.
    Resize(600);
    const int kept = std::min(kTotalWidth - (600 - GetSystemMetrics(SM_CXVSCROLL)), kTotalWidth - 600 + 1);
    EXPECT_EQ(state(), std::tuple(true, kTotalWidth, kept, -kept));
    Resize(800);
    EXPECT_EQ(state(), std::tuple(false, 0, 0, 0));
}

class TreeListPaintTest : public TreeListTest {
protected:
    void SetUp() override {
        TreeListTest::SetUp();
        AddColumns();
        Resize(800);
        allocation = Row(L"0000000000400000");
        view.SetCellText(allocation, 1, L"Image");
        view.SetCellText(allocation, 2, L"1024 KB");
        view.SetRowColor(allocation, 0xDCDCFA);
        region = Row(L"0000000000401000", allocation);
        view.SetCellText(region, 1, L"Image");
        view.SetRowColor(region, 0xDCFADC);
        bare = Row(L"0000000000500000");
        view.SetRowColor(bare, 0xFADCDC);
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(allocation));
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(region));
    }
    HTREEITEM allocation = nullptr;
    HTREEITEM region = nullptr;
    HTREEITEM bare = nullptr;
};

TEST_F(TreeListPaintTest, RowsAreBandsInTheirColourWithTheTextsOfTheirSetCells) {
    const auto shot = Screenshot(tree);
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    // Cells never set show only the band, from the label to 4 pixels past the last column.
    const RECT label = RowRect(tree, bare, true);
    EXPECT_TRUE(shot->AllAre(RECT{Cell(bare, 1).left, label.top, kTotalWidth + 4, label.bottom}, 0xFADCDC));
    EXPECT_EQ(shot->At(label.left, label.top), 0xFADCDCu);
    EXPECT_EQ(shot->At(label.left - 1, label.top), 0xFFFFFFu);
    EXPECT_EQ(shot->At(kTotalWidth + 4, label.top), 0xFFFFFFu);

    // In the tree's font: the drawn address is as wide as that font makes it.
    std::vector<int> inked;
    const RECT address = Cell(bare, 0);
    for (int x = address.left; x < address.right; ++x)
        if (shot->HasPixelNear(RECT{x, address.top, x + 1, address.bottom}, text)) inked.push_back(x);
    ASSERT_FALSE(inked.empty());
    SIZE extent{};
    const WindowDC dc(tree);
    SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32W(dc.get(), L"0000000000500000", 16, &extent);
    EXPECT_NEAR(inked.back() - inked.front() + 1, extent.cx, 2);

    // "Type" at the left of its column, "Size" at the right of its own.
    constexpr int kEdge = 15;
    const RECT type = Cell(allocation, 1);
    const RECT size = Cell(allocation, 2);
    EXPECT_TRUE(shot->HasPixelNear(RECT{type.left, type.top, type.left + kEdge, type.bottom}, text));
    EXPECT_TRUE(shot->AllAre(RECT{type.right - kEdge, type.top, type.right, type.bottom}, 0xDCDCFA));
    EXPECT_TRUE(shot->AllAre(RECT{size.left, size.top, size.left + kEdge, size.bottom}, 0xDCDCFA));
    EXPECT_TRUE(shot->HasPixelNear(RECT{size.right - kEdge, size.top, size.right, size.bottom}, text));
}

TEST_F(TreeListPaintTest, TheSelectedRowIsHighlightedOnlyWhileTheTreeHasTheFocus) {
    SetForegroundWindow(parent.hwnd());
    SetFocus(tree);
    ASSERT_EQ(GetFocus(), tree);
    auto shot = Screenshot(tree);
    EXPECT_TRUE(shot->AllAre(Cell(region, 3), GetSysColor(COLOR_HIGHLIGHT)));
    EXPECT_TRUE(shot->HasPixelNear(Cell(region, 1), GetSysColor(COLOR_HIGHLIGHTTEXT)));
    EXPECT_TRUE(shot->AllAre(Cell(allocation, 3), 0xDCDCFA));

    SetFocus(parent.hwnd());
    ASSERT_NE(GetFocus(), tree);
    shot = Screenshot(tree);
    EXPECT_TRUE(shot->AllAre(Cell(region, 3), 0xDCFADC));
    EXPECT_TRUE(shot->HasPixelNear(Cell(region, 1), GetSysColor(COLOR_WINDOWTEXT)));
}

TEST_F(TreeListPaintTest, RowsMoveLeftWithTheHeader) {
    Resize(500);
    const RECT line = RowRect(tree, bare, false);
    EXPECT_EQ(Screenshot(tree)->At(1, line.top), 0xFFFFFFu);  // the indentation
    SendMessageW(view.hwnd(), WM_HSCROLL, SB_RIGHT, 0);
    // Indentation and column 0 now lie left of the edge: the band fills the line.
    EXPECT_TRUE(Screenshot(tree)->AllAre(RECT{0, line.top, 500, line.bottom}, 0xFADCDC));
}

TEST_F(TreeListPaintTest, ErasingWhitensOnlyBelowTheLastRow) {
    RECT client{};
    GetClientRect(tree, &client);
    const int rowsBottom = RowRect(tree, bare, false).bottom;
    constexpr COLORREF kMarker = RGB(0x12, 0x34, 0x56);
    const auto erase = [&] {
        auto canvas = std::make_unique<Canvas>(tree, client.right, client.bottom);
        const UniqueBrush marker(CreateSolidBrush(kMarker));
        FillRect(canvas->dc(), &client, marker.get());
        EXPECT_EQ(SendMessageW(tree, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas->dc()), 0), 1);
        return canvas;
    };
    auto canvas = erase();
    EXPECT_TRUE(canvas->AllAre(RECT{0, 0, client.right, rowsBottom}, kMarker));
    EXPECT_TRUE(canvas->AllAre(RECT{0, rowsBottom, client.right, client.bottom}, 0xFFFFFF));
    view.DeleteAllRows();
    EXPECT_TRUE(erase()->AllAre(client, 0xFFFFFF));
}

}  // namespace
}  // namespace quarry
