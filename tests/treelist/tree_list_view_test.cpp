// The tree-list on the test display, as the user sees it: rows painted as bands with their
// texts, the highlight, sideways scrolling with the header, and an allocation's rows entering
// the tree as it is first opened.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "framework/handles.h"
#include "framework/utf16.h"
#include "support/modal_driver.h"
#include "support/tree_list_windows.h"
#include "treelist/tree_list_view.h"

namespace quarry {
namespace {

constexpr COLORREF kWhite = 0xFFFFFF, kAllocation = 0xDCDCFA, kRegion = 0xDCFADC, kBare = 0xFADCDC;
using Looks = std::vector<std::string>;
using Texts = std::vector<std::wstring>;

std::string Band(COLORREF colour) {
    char hex[16] = {};
    std::snprintf(hex, sizeof(hex), "%06lX", static_cast<unsigned long>(colour));
    return hex;
}
std::string Text(COLORREF band, COLORREF ink, char side) {
    return Band(band) + " with text " + Band(ink) + (side == 'L' ? " at the left" : " at the right");
}

// A window's client area as the screen shows it after a full repaint.
class Shot {
public:
    explicit Shot(HWND window) {
        GetClientRect(window, &client_);
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), client_.right, -client_.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        void* bits = nullptr;
        const UniqueOf<HDC, DeleteDC> dc(CreateCompatibleDC(nullptr));
        const UniqueOf<HBITMAP, DeleteObject> bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        const SavedDC saved(dc.get());
        SelectObject(dc.get(), bitmap.get());
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        BitBlt(dc.get(), 0, 0, client_.right, client_.bottom, WindowDC(window).get(), 0, 0, SRCCOPY);
        GdiFlush();
        const auto* pixel = static_cast<const DWORD*>(bits);
        for (LONG i = 0; i < client_.right * client_.bottom; ++i, ++pixel)
            pixels_.push_back(RGB(*pixel >> 16 & 0xFF, *pixel >> 8 & 0xFF, *pixel & 0xFF));  // from 0x00RRGGBB
    }

    // What the user sees in `area`: its colour and, where text stands out of it, the text's
    // colour and on which half it stands; "" for an area out of view. The area's top-left
    // pixel is the background: no text reaches a line's first pixel or top row. Pixels far
    // from it are ink; smoothed edges are neither.
    std::string Look(RECT area) const {
        if (!IntersectRect(&area, &area, &client_)) return "";
        const COLORREF background = At(area.left, area.top);
        COLORREF ink = background;
        LONG left = area.right, right = area.left;
        for (LONG y = area.top; y < area.bottom; ++y)
            for (LONG x = area.left; x < area.right; ++x) {
                if (Distance(At(x, y), background) < 192) continue;
                if (Distance(At(x, y), background) > Distance(ink, background)) ink = At(x, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
        if (left > right) return Band(background);
        return Text(background, ink, left + right < area.left + area.right ? 'L' : 'R');
    }

private:
    static int Distance(COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
               std::abs(GetBValue(a) - GetBValue(b));
    }
    COLORREF At(LONG x, LONG y) const { return pixels_[y * client_.right + x]; }

    RECT client_{};
    std::vector<COLORREF> pixels_;
};

// The main window's columns over three rows: an allocation with Type and Size set, its
// region (selected) and an allocation with only its address.
class TreeListTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(view.Create(parent, 1), nullptr);
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
        view.SelectRow(region);  // which opens the allocation
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
        TreeView_GetItemRect(tree, row, &rect, labelOnly);
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
        looks.push_back(shot.Look({cell.right + 4, cell.top, cell.right + 4000, cell.bottom}));  // to the edge
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

    const UniqueOf<HWND, DestroyWindow> shown{CreateWindowExW(
        0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 900, 400, nullptr, nullptr, nullptr, nullptr)};
    HWND parent = shown.get(), tree = nullptr, header = nullptr;
    CTreeListView view;
    HTREEITEM allocation = nullptr, region = nullptr, bare = nullptr;
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
};

TEST_F(TreeListTest, PaintsRowsAsBandsWithTheirTextsHighlightsTheFocusedSelectionAndScrollsRowsWithTheHeader) {
    const Shot shot(tree);
    const Looks unscrolled = Expected(kAllocation, ink, "LLR");
    EXPECT_EQ(LookOf(shot, allocation), unscrolled);
    EXPECT_EQ(LookOf(shot, region), Expected(kRegion, ink, "LL"));
    EXPECT_EQ(LookOf(shot, bare), Expected(kBare, ink, "L"));
    SetForegroundWindow(parent);
    view.FocusRows();
    EXPECT_EQ(LookOf(Shot(tree), region), Expected(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT), "LL"));

    // Narrower than the columns: the indentation and the address go past the left edge, the
    // last column ends in view, and paging on stops there. The scroll bar shows only meanwhile.
    EXPECT_TRUE(ResizedWithScrollBar(500));
    const std::string band = Band(kAllocation);
    for (const WPARAM code : {SB_RIGHT, SB_PAGERIGHT}) {
        SendMessageW(view.hwnd(), WM_HSCROLL, code, 0);
        EXPECT_EQ(LookOf(Shot(tree), allocation), (Looks{"", "", band, Text(kAllocation, ink, 'R'), band, band, band, band, band, ""}));
    }
    EXPECT_FALSE(ResizedWithScrollBar(800));
    EXPECT_EQ(LookOf(Shot(tree), allocation), unscrolled);
    SendMessageW(view.hwnd(), WM_HSCROLL, SB_RIGHT, 0);
    EXPECT_EQ(LookOf(Shot(tree), allocation), unscrolled) << "scrolled although the columns fit";
}

// A column widened past the window gets the scroll bar and its whole caption at once; a
// theme's light text would vanish on the pale bands, so the rows keep their own dark text.
TEST_F(TreeListTest, AWidenedColumnScrollsAtOnceAndTheRowTextStaysDarkUnderALightTheme) {
    HDITEMW details{};
    details.mask = HDI_WIDTH;
    details.cxy = 600;
    Header_SetItem(header, 6, &details);
    EXPECT_TRUE(GetWindowLongW(view.hwnd(), GWL_STYLE) & WS_HSCROLL);
    RECT caption{}, width{};
    Header_GetItemRect(header, 6, &caption);
    GetClientRect(header, &width);
    EXPECT_GE(width.right, caption.right);
    // The text colour a light-on-dark theme leaves in the tree's painting.
    const test::AfterSentMessage lightText(WM_NOTIFY, [](HWND, WPARAM, LPARAM lParam) {
        const auto* draw = reinterpret_cast<const NMCUSTOMDRAW*>(lParam);
        if (draw->hdr.code == NM_CUSTOMDRAW && draw->dwDrawStage == CDDS_PREPAINT) SetTextColor(draw->hdc, kWhite);
    });
    EXPECT_EQ(LookOf(Shot(tree), allocation)[1], Text(kAllocation, 0, 'L'));
}

// Rows the walk writes: the tree holds the top-level ones, and an allocation's rows, in order,
// once the user or Find first opens it.
TEST_F(TreeListTest, AnAllocationsRowsEnterTheTreeWhenTheUserOrFindFirstOpensIt) {
    RowWriter& walk = view;
    for (const auto& written : {Texts{L"A", L"A1", L"A2"}, Texts{L"B", L"B1", L"B2"}}) {
        const RowHandle top = walk.InsertRow(AsUtf16(written[0].c_str()), kNoRow);
        for (std::size_t i = 1; i < written.size(); ++i) walk.InsertRow(AsUtf16(written[i].c_str()), top);
    }
    const auto texts = [&](HTREEITEM under) {  // the items under `under`, by their cell 0
        Texts found;
        for (HTREEITEM item = TreeView_GetChild(tree, under); item; item = TreeView_GetNextSibling(tree, item)) {
            wchar_t text[8] = {};
            view.GetCellText(item, 0, text, 8);
            found.push_back(text);
        }
        return found;
    };
    EXPECT_EQ(TreeView_GetCount(tree), 5u);  // the three rows above, and A and B
    const HTREEITEM a = TreeView_GetNextSibling(tree, bare), b = TreeView_GetNextSibling(tree, a);
    view.SelectRow(a);
    SendMessageW(tree, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(texts(a), (Texts{L"A1", L"A2"}));
    EXPECT_EQ(TreeView_GetCount(tree), 7u);
    view.SelectRow(view.FindNextRow(L"B2"));
    EXPECT_EQ(texts(b), (Texts{L"B1", L"B2"}));
    EXPECT_EQ(TreeView_GetSelection(tree), TreeView_GetLastVisible(tree));
}

}  // namespace
}  // namespace quarry
