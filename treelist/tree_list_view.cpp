#include "treelist/tree_list_view.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "framework/utf16.h"
#include "treelist/horizontal_scroll.h"
#include "treelist/search_order.h"

namespace quarry {
namespace {

static_assert(SB_LINELEFT == kScrollLineLeft && SB_LINERIGHT == kScrollLineRight && SB_PAGELEFT == kScrollPageLeft &&
              SB_PAGERIGHT == kScrollPageRight && SB_THUMBPOSITION == kScrollThumbPosition &&
              SB_THUMBTRACK == kScrollThumbTrack && SB_LEFT == kScrollToLeft && SB_RIGHT == kScrollToRight);

constexpr int kHeaderHeight = 20;
constexpr int kHeaderSlack = 20;    // the header reaches past the last column
constexpr int kBandOverhang = 4;    // the row band reaches past the last column
constexpr int kColumnTextInset = 2;
constexpr COLORREF kBackgroundColour = 0xFFFFFF;
// No TVS_HASLINES: rows are bands, connecting lines would cross them.
constexpr DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TVS_NOHSCROLL |
                             TVS_FULLROWSELECT | TVS_LINESATROOT | TVS_HASBUTTONS;
static_assert(kTreeStyle == 0x56009005);

RowHandle ToRowHandle(HTREEITEM item) { return reinterpret_cast<RowHandle>(item); }
HTREEITEM ToTreeItem(RowHandle row) { return reinterpret_cast<HTREEITEM>(row); }
HMENU ControlId(UINT id) { return reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)); }

void SetDefaultGuiFont(HWND window) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
}

bool HasVerticalScrollBar(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VSCROLL) != 0; }

// The tree's class copied under our own name. The result is not checked: registering it
// a second time fails harmlessly and creation goes on with the class already there.
void RegisterTreeListClass() {
    // The tree-view class exists only once the common controls are initialised;
    // a repeated call costs nothing.
    const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW info{};
    if (!GetClassInfoW(nullptr, WC_TREEVIEWW, &info)) return;
    info.lpszClassName = L"TreeList";
    RegisterClassW(&info);
}

// `textOnly`: the label's rectangle; otherwise the whole line's.
bool ItemRect(HWND tree, HTREEITEM item, bool textOnly, RECT& rect) {
    static_assert(sizeof(RECT) >= sizeof(HTREEITEM));
    std::memcpy(&rect, &item, sizeof(item));  // the message takes the item in the rectangle
    return SendMessageW(tree, TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(&rect)) != 0;
}

HTREEITEM TreeItem(HWND tree, UINT relation, HTREEITEM from = nullptr) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

// Case folded as the platform folds single characters (CharUpperBuffW), made once: the
// platform's own substring search (StrStrIW) compares with the locale's full collation at
// every position of every cell, most of a search of 100,000 rows.
const CaseFoldTable& PlatformCaseFold() {
    static const std::unique_ptr<CaseFoldTable> fold = [] {
        auto table = std::make_unique<CaseFoldTable>();
        for (std::size_t unit = 0; unit < table->size(); ++unit) (*table)[unit] = static_cast<char16_t>(unit);
        CharUpperBuffW(AsWide(table->data()), static_cast<DWORD>(table->size()));
        return table;
    }();
    return *fold;
}

UINT TextAlignment(int format) {
    if (format & HDF_CENTER) return DT_CENTER;
    if (format & HDF_RIGHT) return DT_RIGHT;
    return DT_LEFT;
}

}  // namespace

CTreeListView::CTreeListView() = default;
CTreeListView::~CTreeListView() = default;

HWND CTreeListView::Create(HWND parent, UINT controlId) {
    static const WindowClassInfo windowClass{L"TreeListControl", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                                             reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)};
    return CreateBound(windowClass, parent, RECT{}, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                       0, ControlId(controlId));
}

int CTreeListView::AddColumn(const wchar_t* caption, int width, int format) {
    const wchar_t* text = caption ? caption : L"";
    const int length = static_cast<int>(std::wcslen(text));
    if (width == 0) {
        WindowDC dc(header_);
        SIZE extent{};
        GetTextExtentPoint32W(dc.get(), text, length, &extent);
        width = extent.cx;
    }
    HDITEMW item{};
    item.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
    item.cxy = width;
    item.pszText = const_cast<wchar_t*>(text);
    item.cchTextMax = length;
    item.fmt = format;
    const int index = static_cast<int>(
        SendMessageW(header_, HDM_INSERTITEMW, HeaderItemCount(), reinterpret_cast<LPARAM>(&item)));
    // Only columns the header took count: painting reads every counted column from it.
    columnCount_ = HeaderItemCount();
    RecomputeTotalWidth();
    return index;
}

HTREEITEM CTreeListView::InsertRow(const wchar_t* text, HTREEITEM parent, int image, HTREEITEM insertAfter) {
    // A row needs at least one cell; refusing before the tree makes it keeps every row of
    // the tree in the record.
    if (columnCount_ <= 0) return nullptr;
    if (parent == TVI_ROOT) parent = nullptr;
    const RowHandle parentRow = RowOf(parent);
    if (parent && parentRow == kNoRow) return nullptr;
    record_.Open(parentRow);  // its rows first, so that the tree's order stays the record's
    const HTREEITEM item = InsertItem(parent, insertAfter, text, image);
    if (!item) return nullptr;
    const RowHandle previous = PreviousSibling(parentRow, insertAfter, item);
    if (!record_.AddShownRow(ToRowHandle(item), columnCount_, AsUtf16(text), parentRow, previous)) {
        // A row the record cannot place would be a row that Find and the commands never see.
        SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
        return nullptr;
    }
    return item;
}

// Every item asks the record whether it has children: a row's children may not be in the
// tree yet, and the tree would show no expand button for them.
HTREEITEM CTreeListView::InsertItem(HTREEITEM parent, HTREEITEM insertAfter, const wchar_t* label, int image) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = insertAfter;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(label ? label : L"");
    insert.item.cChildren = I_CHILDRENCALLBACK;
    if (image != -1) {
        insert.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.iImage = image;
        insert.item.iSelectedImage = image;
    }
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

RowHandle CTreeListView::AppendItem(RowHandle parent, const char16_t* label) {
    return ToRowHandle(InsertItem(ToTreeItem(parent), TVI_LAST, AsWide(label), -1));
}

void CTreeListView::DeleteAllItems() { SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }

// Where the tree put the new item among its siblings, asking it only when the record cannot
// tell (a sorted insert): every message to the tree costs. The parent is open, so its rows
// in the record are its items in the tree.
RowHandle CTreeListView::PreviousSibling(RowHandle parent, HTREEITEM insertAfter, HTREEITEM item) const {
    const CellStore& cells = record_.Cells();
    if (insertAfter == TVI_LAST) return cells.LastChild(parent);
    if (insertAfter == TVI_FIRST) return kNoRow;
    const RowHandle after = RowOf(insertAfter);
    if (after != kNoRow && cells.Parent(after) == parent) return after;
    return RowOf(TreeItem(tree_, TVGN_PREVIOUS, item));
}

bool CTreeListView::SetCellText(HTREEITEM row, int column, const wchar_t* text) {
    return SetCellText(RowOf(row), column, AsUtf16(text));
}

bool CTreeListView::GetCellText(HTREEITEM row, int column, wchar_t* buffer, int capacity) const {
    return record_.Cells().GetCellText(RowOf(row), column, columnCount_, AsUtf16(buffer), capacity);
}

bool CTreeListView::SetRowColor(HTREEITEM row, COLORREF colour) { return SetRowColor(RowOf(row), colour); }

COLORREF CTreeListView::GetRowColor(HTREEITEM row) const { return record_.Cells().GetRowColor(RowOf(row)); }

std::uint64_t CTreeListView::RowValue(HTREEITEM row) const { return record_.Cells().RowValue(RowOf(row)); }

std::vector<HTREEITEM> CTreeListView::ChildRows(HTREEITEM row) {
    std::vector<HTREEITEM> children;
    const RowHandle parent = RowOf(row);
    if (parent == kNoRow) return children;  // the top-level rows are nobody's children
    record_.Open(parent);
    const CellStore& cells = record_.Cells();
    for (RowHandle child = cells.FirstChild(parent); child != kNoRow; child = cells.NextSibling(child))
        if (const RowHandle item = record_.ItemOf(child)) children.push_back(ToTreeItem(item));
    return children;
}

HTREEITEM CTreeListView::SelectedRow() const { return TreeItem(tree_, TVGN_CARET); }

void CTreeListView::SelectRow(HTREEITEM row) {
    SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(row));
}

HTREEITEM CTreeListView::RowAtScreenPoint(POINT screen) const {
    RECT window{};
    GetWindowRect(tree_, &window);
    TVHITTESTINFO hit{};
    hit.pt = {screen.x - window.left, screen.y - window.top};
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void CTreeListView::FocusRows() const { SetFocus(tree_); }

// Over the record, not the tree-view: a message per row would make a search of 100,000
// rows take seconds.
HTREEITEM CTreeListView::FindNextRow(const wchar_t* text) {
    const StoreRows rows(record_.Cells(), PlatformCaseFold());
    return ToTreeItem(record_.Show(quarry::FindNextRow(rows, RowOf(SelectedRow()), AsUtf16(text))));
}

// Hidden meanwhile, so that the tree does not repaint once per deleted row.
void CTreeListView::DeleteAllRows() {
    SetRowsVisible(false);
    record_.DeleteAllRows();
    SetRowsVisible(true);
}

// Wine's tree-view, even hidden, recomputes its layout for every row added or removed unless
// redrawing is off as well (125,000 rows: 55 s instead of 4 s). Windows needs no more than
// hiding, and turning redrawing off and on again changes nothing there.
void CTreeListView::SetRowsVisible(bool visible) {
    if (!visible) {
        ShowWindow(tree_, SW_HIDE);
        SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
        return;
    }
    ShowWindow(tree_, SW_SHOW);
    SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree_, nullptr, TRUE);
}

// Only top-level rows and rows of an open parent enter the tree; the rest wait in the record.
RowHandle CTreeListView::InsertRow(const char16_t* text, RowHandle parent) {
    return record_.AppendRow(columnCount_, text, parent);
}

// Kept in the record, where the commands read it, rather than in the tree item.
void CTreeListView::SetRowValue(RowHandle row, std::uint64_t value) { record_.Cells().SetRowValue(row, value); }

bool CTreeListView::SetCellText(RowHandle row, int column, const char16_t* text) {
    return record_.Cells().SetCellText(row, column, columnCount_, text);
}

bool CTreeListView::SetRowColor(RowHandle row, std::uint32_t colour) { return record_.Cells().SetRowColor(row, colour); }

LRESULT CTreeListView::OnCreate(WindowMessage& m) {
    verticalScrollBarWidth_ = GetSystemMetrics(SM_CXVSCROLL);
    CreateChildren();
    eraser_.Attach(tree_);
    columnCount_ = 0;
    highlightTextColour_ = GetSysColor(COLOR_HIGHLIGHTTEXT);
    highlightBrush_.reset(CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT)));
    m.handled = false;
    return 0;
}

// Sizes come with the first WM_SIZE.
void CTreeListView::CreateChildren() {
    const HINSTANCE instance = ModuleInstance();
    cornerBox_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, verticalScrollBarWidth_,
                                 kHeaderHeight, hwnd(), nullptr, instance, nullptr);
    header_ = CreateWindowExW(0, WC_HEADERW, nullptr, WS_CHILD | WS_VISIBLE | HDS_BUTTONS, 0, 0, 0, 0, hwnd(),
                              ControlId(kHeaderId), instance, nullptr);
    SetDefaultGuiFont(header_);
    RegisterTreeListClass();
    tree_ = CreateWindowExW(0, L"TreeList", nullptr, kTreeStyle, 0, 0, 0, 0, hwnd(), ControlId(kTreeId), instance,
                            nullptr);
    SetDefaultGuiFont(tree_);
}

LRESULT CTreeListView::OnDestroy(WindowMessage& m) {
    DeleteAllRows();
    m.handled = false;
    return 0;
}

LRESULT CTreeListView::OnResize(WindowMessage& m) {
    LayOut(LOWORD(m.lParam), HIWORD(m.lParam));
    return 0;
}

// The header as wide as the columns, the rows below it, and the scroll range for both,
// keeping the scroll position as far as the new widths allow.
void CTreeListView::LayOut(int width, int height) {
    const int total = RecomputeTotalWidth();
    SetWindowPos(header_, nullptr, 0, 0, width > total ? width : total + kHeaderSlack, kHeaderHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(cornerBox_, nullptr, width - verticalScrollBarWidth_, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(tree_, nullptr, 0, kHeaderHeight, width, std::max(height - kHeaderHeight, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowCornerBoxForTreeScrollBar();

    const int position = -horizontalOffset_;
    UpdateScrollRange();
    const int kept = PulledBackScrollPosition(width, verticalScrollBarWidth_, position, totalColumnWidth_);
    SendMessageW(hwnd(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, kept), 0);
    InvalidateRect(hwnd(), nullptr, FALSE);
}

// The scroll bar is the tree-list's own: the inner tree never scrolls sideways itself.
void CTreeListView::UpdateScrollRange() {
    const int total = RecomputeTotalWidth();
    const bool needed = NeedsHorizontalScrollBar(total, TreeClientWidth());
    SetScrollRange(hwnd(), SB_HORZ, 0, needed ? total : 0, TRUE);
    SetScrollPos(hwnd(), SB_HORZ, 0, TRUE);
    const LONG style = GetWindowLongW(hwnd(), GWL_STYLE);
    const LONG wanted = needed ? (style | WS_HSCROLL) : (style & ~WS_HSCROLL);
    if (wanted != style) SetWindowLongW(hwnd(), GWL_STYLE, wanted);
    horizontalOffset_ = 0;
}

LRESULT CTreeListView::OnHorizontalScroll(WindowMessage& m) {
    const int page = TreeClientWidth();
    const int position = GetScrollPos(hwnd(), SB_HORZ);
    int min = 0;
    int max = 0;
    GetScrollRange(hwnd(), SB_HORZ, &min, &max);
    const int next = NewScrollPosition(LOWORD(m.wParam), HIWORD(m.wParam), position, max, page);

    SetScrollPos(hwnd(), SB_HORZ, next, TRUE);
    horizontalOffset_ = -next;
    // Shift the pixels already there; only the uncovered strip is painted anew.
    ScrollWindowEx(tree_, position - next, 0, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_PAGE;
    info.nPage = static_cast<UINT>(page);
    SetScrollInfo(hwnd(), SB_HORZ, &info, TRUE);
    if (page != 0) SetWindowPos(header_, nullptr, horizontalOffset_, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    InvalidateRect(header_, nullptr, FALSE);
    InvalidateRect(cornerBox_, nullptr, FALSE);
    return 0;
}

LRESULT CTreeListView::OnCustomDraw(WindowMessage& m) {
    auto& draw = *reinterpret_cast<NMTVCUSTOMDRAW*>(m.lParam);
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            // Everything the tree and the rows draw moves left with the scroll position.
            SetViewportOrgEx(draw.nmcd.hdc, horizontalOffset_, 0, nullptr);
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: return PrepareRow(draw);
        case CDDS_ITEMPOSTPAINT: PaintRow(draw); return CDRF_DODEFAULT;
        default: m.handled = false; return 0;
    }
}

LRESULT CTreeListView::PrepareRow(NMTVCUSTOMDRAW& draw) {
    const auto row = reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec);
    if (!ItemRect(tree_, row, true, rowRect_)) return CDRF_SKIPDEFAULT;
    paintedRow_ = RowOf(row);
    rowColour_ = record_.Cells().GetRowColor(paintedRow_);
    draw.clrText = rowColour_;
    draw.clrTextBk = kBackgroundColour;
    // Wine marks the selected row CDIS_FOCUS also while the tree lacks the keyboard focus;
    // Windows only while it has it, so asking for the focus as well changes nothing there.
    rowFocused_ = (draw.nmcd.uItemState & CDIS_FOCUS) != 0 && GetFocus() == tree_;
    draw.nmcd.uItemState &= ~CDIS_FOCUS;  // the band shows the focus; no focus rectangle
    return CDRF_NOTIFYPOSTPAINT;
}

// One band from the label's left edge to past the last column, then the cell texts.
void CTreeListView::PaintRow(const NMTVCUSTOMDRAW& draw) const {
    const HDC dc = draw.nmcd.hdc;
    SavedDC saved(dc);
    const RECT band{rowRect_.left, rowRect_.top, totalColumnWidth_ + kBandOverhang, rowRect_.bottom};
    if (rowFocused_) {
        FillRect(dc, &band, highlightBrush_.get());
        SetTextColor(dc, highlightTextColour_);
    } else {
        const UniqueBrush rowBrush(CreateSolidBrush(rowColour_));
        FillRect(dc, &band, rowBrush.get());
        SetTextColor(dc, kRowTextColour);
    }
    SetBkMode(dc, TRANSPARENT);
    // Windows hands over the context with the tree's font selected, Wine with the context's
    // original one; selecting the tree's font again is the same on Windows.
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tree_, WM_GETFONT, 0, 0)));
    for (int column = 0; column < columnCount_; ++column) PaintCell(dc, column);
}

void CTreeListView::PaintCell(HDC dc, int column) const {
    const char16_t* text = record_.Cells().CellText(paintedRow_, column);
    if (!text) return;  // never set: the band alone
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header_, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
    RECT columnRect{};
    SendMessageW(header_, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&columnRect));
    // Column 0's text starts at the label, after the tree's indentation and button.
    RECT textRect{column == 0 ? rowRect_.left : columnRect.left + kColumnTextInset, rowRect_.top, columnRect.right,
                  rowRect_.bottom};
    InflateRect(&textRect, -1, 0);
    DrawTextW(dc, AsWide(text), static_cast<int>(std::char_traits<char16_t>::length(text)), &textRect,
              TextAlignment(item.fmt) | DT_SINGLELINE | DT_WORD_ELLIPSIS);
}

// A row that has children keeps them until all rows go, so the tree may keep that answer and
// stop asking; "none" may change while the walk writes on.
LRESULT CTreeListView::OnChildrenAsked(WindowMessage& m) {
    auto& info = reinterpret_cast<NMTVDISPINFOW*>(m.lParam)->item;
    if (!(info.mask & TVIF_CHILDREN)) return 0;
    info.cChildren = record_.Cells().FirstChild(RowOf(info.hItem)) != kNoRow;
    if (info.cChildren) info.mask |= TVIF_DI_SETITEM;
    return 0;
}

// An allocation's rows enter the tree when it is first expanded, whoever expands it.
LRESULT CTreeListView::OnItemExpanding(WindowMessage& m) {
    const auto& change = *reinterpret_cast<const NMTREEVIEWW*>(m.lParam);
    if ((change.action & (TVE_EXPAND | TVE_COLLAPSE)) == TVE_EXPAND) record_.Open(RowOf(change.itemNew.hItem));
    return FALSE;  // let it expand
}

LRESULT CTreeListView::OnItemExpanded(WindowMessage& m) {
    ShowCornerBoxForTreeScrollBar();
    m.handled = false;
    return 0;
}

// A user's column resize lays out as a resize of the window does: a column widened past
// the window needs the scroll bar, and the header the width for its whole caption, at once.
LRESULT CTreeListView::OnColumnChanged(WindowMessage&) {
    RECT client{};
    GetClientRect(hwnd(), &client);
    LayOut(client.right, client.bottom);
    InvalidateRect(tree_, nullptr, TRUE);
    return 0;
}

// The parent hears of selection and right clicks under the tree-list's own id; the record
// (and its sender handle) passes unchanged.
LRESULT CTreeListView::ForwardToParent(WindowMessage& m) {
    return SendMessageW(GetParent(hwnd()), WM_NOTIFY, static_cast<WPARAM>(GetDlgCtrlID(hwnd())), m.lParam);
}

LRESULT CTreeListView::TreeEraser::OnEraseBackground(WindowMessage& m) {
    owner_.EraseBelowLastRow(reinterpret_cast<HDC>(m.wParam));
    return 1;
}

void CTreeListView::EraseBelowLastRow(HDC dc) const {
    int rowsBottom = 0;
    const HTREEITEM last = TreeItem(tree_, TVGN_LASTVISIBLE);
    RECT lastRow{};
    if (last && ItemRect(tree_, last, false, lastRow)) rowsBottom = lastRow.bottom;
    RECT below{};
    GetClientRect(tree_, &below);
    if (below.bottom - below.top <= rowsBottom) return;
    below.top += rowsBottom;
    const UniqueBrush background(CreateSolidBrush(kBackgroundColour));
    FillRect(dc, &below, background.get());
}

int CTreeListView::RecomputeTotalWidth() {
    int total = 0;
    const int count = HeaderItemCount();
    for (int column = 0; column < count; ++column) {
        HDITEMW item{};
        item.mask = HDI_WIDTH;
        if (SendMessageW(header_, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item))) total += item.cxy;
    }
    totalColumnWidth_ = total;
    return total;
}

void CTreeListView::ShowCornerBoxForTreeScrollBar() const {
    ShowWindow(cornerBox_, HasVerticalScrollBar(tree_) ? SW_SHOW : SW_HIDE);
}

int CTreeListView::TreeClientWidth() const {
    RECT client{};
    GetClientRect(tree_, &client);
    return client.right - client.left;
}

int CTreeListView::HeaderItemCount() const {
    return static_cast<int>(SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0));
}

}  // namespace quarry
