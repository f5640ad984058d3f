// The tree-list on the test display, as the user sees it: rows painted as bands with their
// texts, the highlight, sideways scrolling with the header, erasing, and what its parent hears.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "framework/handles.h"
#include "support/tree_list_windows.h"
#include "treelist/tree_list_view.h"

namespace quarry {
namespace {

constexpr UINT kTreeListId = 5;  // not the inner tree's 1, so that forwarding shows whose id travels
constexpr COLORREF kWhite = 0xFFFFFF, kAllocation = 0xDCDCFA, kRegion = 0xDCFADC, kBare = 0xFADCDC;
using Looks = std::vector<std::string>;

std::string Band(COLORREF colour) {
    char hex[16] = {};
    std::snprintf(hex, sizeof(hex), "%06lX", static_cast<unsigned long>(colour));
    return hex;
}
std::string Text(COLORREF band, COLORREF ink, char side) {
    return Band(band) + " with text " + Band(ink) + (side == 'L' ? " at the left" : " at the right");
}

// A window's client area as the screen shows it after a full repaint, or as `paint` leaves
// a blank bitmap of its size.
class Shot {
public:
    explicit Shot(HWND window, const std::function<void(HDC)>& paint = {}) {
        GetClientRect(window, &client_);
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), client_.right, -client_.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        void* bits = nullptr;
        const UniqueOf<HDC, DeleteDC> dc(CreateCompatibleDC(nullptr));
        const UniqueOf<HBITMAP, DeleteObject> bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        const SavedDC saved(dc.get());
        SelectObject(dc.get(), bitmap.get());
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        paint ? paint(dc.get()) : void(BitBlt(dc.get(), 0, 0, client_.right, client_.bottom, WindowDC(window).get(), 0, 0, SRCCOPY));
        GdiFlush();
        for (const DWORD* pixel = static_cast<const DWORD*>(bits); pixels_.size() < Size(); ++pixel)
            pixels_.push_back(RGB(*pixel >> 16 & 0xFF, *pixel >> 8 & 0xFF, *pixel & 0xFF));  // from 0x00RRGGBB
    }

    // What the user sees in `area`: its colour and, where text stands out of it, the text's
    // colour and on which half it stands; "" for an area out of view.
    std::string Look(RECT area) const {
        const Ink ink = InkIn(area);
        if (ink.pixels < 0) return "";
        if (ink.pixels == 0) return Band(ink.background);
        return Text(ink.background, ink.colour, ink.left + ink.right < area.left + area.right ? 'L' : 'R');
    }
    int InkWidth(RECT area) const { return InkIn(area).right - InkIn(area).left + 1; }
    LONG Width() const { return client_.right; }

private:
    struct Ink {
        COLORREF background = 0, colour = 0;
        int pixels = -1, left = 0, right = 0;
    };
    // The area's top-left pixel is the background: no text reaches a line's first pixel or
    // top row. Pixels far from it are ink; smoothed edges are neither.
    Ink InkIn(RECT area) const {
        if (!IntersectRect(&area, &area, &client_)) return {};
        Ink ink{At(area.left, area.top), At(area.left, area.top), 0, area.right, area.left};
        for (LONG y = area.top; y < area.bottom; ++y)
            for (LONG x = area.left; x < area.right; ++x) {
                if (Distance(At(x, y), ink.background) < 192) continue;
                if (Distance(At(x, y), ink.background) > Distance(ink.colour, ink.background)) ink.colour = At(x, y);
                ++ink.pixels, ink.left = std::min<int>(ink.left, x), ink.right = std::max<int>(ink.right, x);
            }
        return ink;
    }
    static int Distance(COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
               std::abs(GetBValue(a) - GetBValue(b));
    }
    std::size_t Size() const { return static_cast<std::size_t>(client_.right * client_.bottom); }
    COLORREF At(LONG x, LONG y) const { return pixels_[y * client_.right + x]; }

    RECT client_{};
    std::vector<COLORREF> pixels_;
};

std::vector<std::tuple<WPARAM, UINT, HWND>> received;  // by the tree-list's parent: id, code, sender

LRESULT CALLBACK RecordNotifications(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (message == WM_NOTIFY) received.emplace_back(wParam, header->code, header->hwndFrom);
    return DefSubclassProc(window, message, wParam, lParam);
}

// One parent for all tests: under Wine without a window manager, destroying a shown
// top-level window waits two seconds for the X server.
HWND SharedParent() {
    static const UniqueOf<HWND, DestroyWindow> parent(CreateWindowExW(
        0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 900, 400, nullptr, nullptr, nullptr, nullptr));
    SetWindowSubclass(parent.get(), &RecordNotifications, 1, 0);
    return parent.get();
}

// Makes the tree-list's children refuse every insert, as controls short of memory would.
class Refusal {
public:
    explicit Refusal(HWND window) : window_(window) { SetWindowSubclass(window, &Refuse, 1, 0); }
    ~Refusal() { RemoveWindowSubclass(window_, &Refuse, 1); }
    Refusal(const Refusal&) = delete;
    Refusal& operator=(const Refusal&) = delete;

private:
    static LRESULT CALLBACK Refuse(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
        if (message == HDM_INSERTITEMW) return -1;
        return message == TVM_INSERTITEMW ? 0 : DefSubclassProc(window, message, wParam, lParam);
    }
    HWND window_;
};

// The main window's columns over three rows: an allocation with Type and Size set, its
// region (selected) and an allocation with only its address.
class TreeListTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(view.Create(parent, kTreeListId), nullptr);
        tree = test::InnerTree(view.hwnd());
        header = test::InnerHeader(view.hwnd());
        const std::tuple<const wchar_t*, int, int> columns[] = {
            {L"Address", 145, HDF_LEFT}, {L"Type", 80, HDF_LEFT},     {L"Size", 70, HDF_RIGHT}, {L"Commit", 70, HDF_RIGHT},
            {L"Protect", 100, HDF_LEFT}, {L"Blocks", 50, HDF_RIGHT}, {L"Details", 200, HDF_LEFT}};
        for (auto [caption, width, format] : columns) view.AddColumn(caption, width, format);
        ResizedWithScrollBar(800);
        allocation = AddRow(L"0000000000400000", nullptr, kAllocation, {L"Image", L"1024 KB"});
        region = AddRow(L"0000000000401000", allocation, kRegion, {L"Image"});
        bare = AddRow(L"0000000000500000", nullptr, kBare, {});
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(allocation));
        view.SelectRow(region);
        SetFocus(parent);
    }

    HTREEITEM AddRow(const wchar_t* address, HTREEITEM parentRow, COLORREF colour, std::vector<const wchar_t*> cells) {
        const HTREEITEM row = view.InsertRow(address, parentRow, -1, TVI_LAST);
        view.SetRowColor(row, colour);
        for (int column = 1; const wchar_t* text : cells) view.SetCellText(row, column++, text);
        return row;
    }
    bool ResizedWithScrollBar(int width) {
        SetWindowPos(view.hwnd(), nullptr, 0, 0, width, 300, SWP_NOZORDER | SWP_NOACTIVATE);
        return GetWindowLongW(view.hwnd(), GWL_STYLE) & WS_HSCROLL;
    }
    RECT RowRect(HTREEITEM row, bool labelOnly) const {
        RECT rect{};
        std::memcpy(&rect, &row, sizeof(row));  // the message takes the row in the rectangle
        SendMessageW(tree, TVM_GETITEMRECT, labelOnly, reinterpret_cast<LPARAM>(&rect));
        return rect;
    }
    // Column `column` of `row` where the header shows it, in the tree's coordinates.
    RECT Cell(HTREEITEM row, int column) const {
        RECT cell{};
        SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&cell));
        MapWindowPoints(header, tree, reinterpret_cast<POINT*>(&cell), 2);
        return {cell.left, RowRect(row, false).top, cell.right, RowRect(row, false).bottom};
    }
    // The row from left to right: just left of its label, its seven cells (the first from
    // the label on), 4 pixels past the last column, and the rest of the line.
    Looks LookOf(const Shot& shot, HTREEITEM row) const {
        RECT cell = Cell(row, 0);
        cell.left += RowRect(row, true).left;  // the tree never scrolls itself: the header's shift
        Looks looks{shot.Look({cell.left - 1, cell.top, cell.left, cell.bottom}), shot.Look(cell)};
        for (int column = 1; column < 7; ++column) looks.push_back(shot.Look(cell = Cell(row, column)));
        looks.push_back(shot.Look({cell.right, cell.top, cell.right + 4, cell.bottom}));
        looks.push_back(shot.Look({cell.right + 4, cell.top, shot.Width(), cell.bottom}));
        return looks;
    }
    // What LookOf gives for a row in `band` whose first cells show texts at the sides given.
    static Looks Expected(COLORREF band, COLORREF ink, std::string sides) {
        Looks looks{Band(kWhite)};
        for (char side : sides.append(7 - sides.size(), ' '))
            looks.push_back(side == ' ' ? Band(band) : Text(band, ink, side));
        looks.insert(looks.end(), {Band(band), Band(kWhite)});
        return looks;
    }

    HWND parent = SharedParent(), tree = nullptr, header = nullptr;
    CTreeListView view;
    HTREEITEM allocation = nullptr, region = nullptr, bare = nullptr;
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
};

TEST_F(TreeListTest, RowsAreBandsInTheirColourWithTheTextsOfTheirSetCellsInTheTreesFont) {
    const Shot shot(tree);
    EXPECT_EQ(LookOf(shot, allocation), Expected(kAllocation, ink, "LLR"));
    EXPECT_EQ(LookOf(shot, region), Expected(kRegion, ink, "LL"));
    EXPECT_EQ(LookOf(shot, bare), Expected(kBare, ink, "L"));
    SIZE extent{};
    const WindowDC dc(tree);
    SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32W(dc.get(), L"0000000000500000", 16, &extent);
    EXPECT_NEAR(shot.InkWidth(Cell(bare, 0)), extent.cx, 2) << "the address in another font";
}

TEST_F(TreeListTest, TheSelectedRowIsHighlightedOnlyWhileTheTreeHasTheFocus) {
    SetForegroundWindow(parent);
    view.FocusRows();
    EXPECT_EQ(LookOf(Shot(tree), region), Expected(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT), "LL"));
    SetFocus(parent);
    EXPECT_EQ(LookOf(Shot(tree), region), Expected(kRegion, ink, "LL"));
}

TEST_F(TreeListTest, RowsMoveLeftWithTheHeaderAndTheScrollBarShowsOnlyWhileTheColumnsAreWider) {
    const Looks unscrolled = LookOf(Shot(tree), allocation);
    EXPECT_TRUE(ResizedWithScrollBar(500));
    SendMessageW(view.hwnd(), WM_HSCROLL, SB_RIGHT, 0);
    // The indentation and the address have gone past the left edge; the last column ends in view.
    const std::string band = Band(kAllocation);
    EXPECT_EQ(LookOf(Shot(tree), allocation), (Looks{"", "", band, Text(kAllocation, ink, 'R'), band, band, band, band, band, ""}));
    EXPECT_FALSE(ResizedWithScrollBar(800));
    EXPECT_EQ(LookOf(Shot(tree), allocation), unscrolled);
}

TEST_F(TreeListTest, ErasingWhitensOnlyBelowTheLastRow) {
    const Shot erased(tree, [this](HDC dc) {
        const RECT all{0, 0, 2000, 2000};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SendMessageW(tree, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    });
    const LONG rowsEnd = RowRect(bare, false).bottom;
    EXPECT_EQ(erased.Look({0, 0, erased.Width(), rowsEnd}), Band(0));
    EXPECT_EQ(erased.Look({0, rowsEnd, erased.Width(), 2000}), Band(kWhite));
}

TEST_F(TreeListTest, DeleteAllRowsLeavesAnEmptyWhiteTreeThatFindPassesOver) {
    static_cast<RowWriter&>(view).SetRowsVisible(false);  // as a walk that failed half-way leaves it
    view.DeleteAllRows();
    EXPECT_TRUE(IsWindowVisible(tree));
    EXPECT_EQ(Shot(tree).Look({0, 0, 2000, 2000}), Band(kWhite));
    EXPECT_EQ(view.FindNextRow(L"0000"), nullptr);
}

TEST_F(TreeListTest, RefusedInsertsLeaveNoRow) {
    CTreeListView empty;
    ASSERT_NE(empty.Create(parent, kTreeListId + 1), nullptr);
    EXPECT_EQ(empty.InsertRow(L"0000000000400000", nullptr, -1, TVI_LAST), nullptr);  // no column to hold it
    {
        const Refusal refusal(test::InnerHeader(empty.hwnd()));
        EXPECT_EQ(empty.AddColumn(L"Address", 145, HDF_LEFT), -1);
    }
    EXPECT_EQ(empty.InsertRow(L"0000000000400000", nullptr, -1, TVI_LAST), nullptr);
    EXPECT_EQ(SendMessageW(test::InnerTree(empty.hwnd()), TVM_GETCOUNT, 0, 0), 0);
    const Refusal refusal(tree);
    EXPECT_EQ(view.InsertRow(L"0000000000600000", nullptr, -1, TVI_LAST), nullptr);
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(view.FindNextRow(L"0000000000600000"), nullptr);
}

TEST_F(TreeListTest, SelectionAndRightClicksReachTheParentUnderTheTreeListsId) {
    received.clear();
    view.SelectRow(bare);
    // A right click on the row: the release is queued already when the tree waits for it.
    const LPARAM point = MAKELPARAM(RowRect(bare, true).left + 2, RowRect(bare, true).top + 2);
    PostMessageW(tree, WM_RBUTTONUP, 0, point);
    SendMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, point);
    MSG pending{};
    while (PeekMessageW(&pending, tree, 0, 0, PM_REMOVE)) DispatchMessageW(&pending);
    SendMessageW(header, WM_RBUTTONUP, 0, MAKELPARAM(10, 5));
    // Other notifications of the children stay with the tree-list.
    NMHDR other{tree, 1, static_cast<UINT>(TVN_ITEMEXPANDINGW)};
    SendMessageW(view.hwnd(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&other));

    EXPECT_EQ(received, (decltype(received){{kTreeListId, static_cast<UINT>(TVN_SELCHANGEDW), tree},
                                            {kTreeListId, static_cast<UINT>(NM_RCLICK), tree},
                                            {kTreeListId, static_cast<UINT>(NM_RCLICK), header}}));
}

}  // namespace
}  // namespace quarry
