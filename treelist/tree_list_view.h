// CTreeListView: the multi-column tree of the memory map. A header of columns over an
// inner tree-view ("TreeList", a copy of "SysTreeView32") whose rows it paints itself, one
// band in the row's colour with one text per column, and scrolls sideways together with
// the header. Its record keeps every row; the inner tree holds the top-level rows and the
// rows of each allocation once that is first opened.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <span>
#include <vector>

#include "framework/handles.h"
#include "framework/window.h"
#include "memmap/row_writer.h"
#include "treelist/row_record.h"

namespace quarry {

class CTreeListView : public CWindowImpl<CTreeListView>, public RowWriter, private TreeItems {
public:
    static std::span<const Route<CTreeListView>> Routes() {
        static const Route<CTreeListView> table[] = {
            OnMessage(WM_CREATE, &CTreeListView::OnCreate),
            OnMessage(WM_DESTROY, &CTreeListView::OnDestroy),
            OnMessage(WM_SIZE, &CTreeListView::OnResize),
            OnMessage(WM_HSCROLL, &CTreeListView::OnHorizontalScroll),
            OnNotify(kTreeId, NM_CUSTOMDRAW, &CTreeListView::OnCustomDraw),  // the header draws itself
            OnNotify(kTreeId, TVN_GETDISPINFOW, &CTreeListView::OnChildrenAsked),
            OnNotify(kTreeId, TVN_ITEMEXPANDINGW, &CTreeListView::OnItemExpanding),
            OnNotify(kTreeId, TVN_ITEMEXPANDEDW, &CTreeListView::OnItemExpanded),
            OnNotify(kHeaderId, HDN_ITEMCHANGEDW, &CTreeListView::OnColumnChanged),
            OnNotify(kTreeId, TVN_SELCHANGEDW, &CTreeListView::ForwardToParent),
            OnNotify(kTreeId, NM_RCLICK, &CTreeListView::ForwardToParent),
            OnNotify(kHeaderId, NM_RCLICK, &CTreeListView::ForwardToParent),
        };
        return table;
    }

    CTreeListView();
    ~CTreeListView() override;

    // A child of `parent` with the given control id; the parent's first resize lays it out.
    HWND Create(HWND parent, UINT controlId);

    // Appends a column (width 0: as wide as the caption); its index, or -1 when the
    // header refuses it.
    int AddColumn(const wchar_t* caption, int width, int format);

    // The new row with `text` as label and cell 0, or null; its parent's rows enter the tree
    // first. No row is made while no column exists: it could hold no cells.
    HTREEITEM InsertRow(const wchar_t* text, HTREEITEM parent, int image, HTREEITEM insertAfter);
    bool SetCellText(HTREEITEM row, int column, const wchar_t* text);
    // False, with nothing copied, when the cell is unset or its text and terminator do
    // not fit `capacity` characters.
    bool GetCellText(HTREEITEM row, int column, wchar_t* buffer, int capacity) const;
    bool SetRowColor(HTREEITEM row, COLORREF colour);
    COLORREF GetRowColor(HTREEITEM row) const;
    void DeleteAllRows();

    // The address the row stands for; 0 for no row.
    std::uint64_t RowValue(HTREEITEM row) const;
    // The row's children, in tree order; they enter the tree if they are not in it yet.
    std::vector<HTREEITEM> ChildRows(HTREEITEM row);
    HTREEITEM SelectedRow() const;
    // Selects `row`, opening its parent and scrolling it into view; null clears the selection.
    // Like any selection the program makes, the parent hears of it as TVC_UNKNOWN.
    void SelectRow(HTREEITEM row);
    // The row under a point on the screen; null below the last row or off the rows.
    HTREEITEM RowAtScreenPoint(POINT screen) const;
    // Gives the keyboard focus to the rows, so the selection shows as the focused row.
    void FocusRows() const;
    // The next row after the selection (from the first row when none is selected) with a set
    // cell that contains `text`, compared without regard to case; null when no later row has.
    // A row found under an allocation never opened enters the tree with its siblings.
    HTREEITEM FindNextRow(const wchar_t* text);

    // RowWriter: how the memory map builder fills the tree. Its handles are record rows,
    // which stay between the walk and the tree-list.
    void SetRowsVisible(bool visible) override;
    RowHandle InsertRow(const char16_t* text, RowHandle parent) override;
    void SetRowValue(RowHandle row, std::uint64_t value) override;
    bool SetCellText(RowHandle row, int column, const char16_t* text) override;
    bool SetRowColor(RowHandle row, std::uint32_t colour) override;

private:
    // The children's control ids.
    static constexpr UINT kHeaderId = 0;
    static constexpr UINT kTreeId = 1;

    // Erases only what lies below the last row of the inner tree: custom drawing covers
    // the rows, so erasing them first would only make them flicker.
    class TreeEraser : public CSubclassImpl<TreeEraser> {
    public:
        static std::span<const Route<TreeEraser>> Routes() {
            static const Route<TreeEraser> table[] = {
                OnMessage(WM_ERASEBKGND, &TreeEraser::OnEraseBackground),
            };
            return table;
        }

        explicit TreeEraser(const CTreeListView& owner) : owner_(owner) {}

    private:
        LRESULT OnEraseBackground(WindowMessage& m);
        const CTreeListView& owner_;
    };

    LRESULT OnCreate(WindowMessage& m);
    LRESULT OnDestroy(WindowMessage& m);
    LRESULT OnResize(WindowMessage& m);
    LRESULT OnHorizontalScroll(WindowMessage& m);
    LRESULT OnCustomDraw(WindowMessage& m);
    LRESULT OnChildrenAsked(WindowMessage& m);
    LRESULT OnItemExpanding(WindowMessage& m);
    LRESULT OnItemExpanded(WindowMessage& m);
    LRESULT OnColumnChanged(WindowMessage& m);
    LRESULT ForwardToParent(WindowMessage& m);

    // TreeItems: what the record makes in the inner tree.
    RowHandle AppendItem(RowHandle parent, const char16_t* label) override;
    void DeleteAllItems() override;
    HTREEITEM InsertItem(HTREEITEM parent, HTREEITEM insertAfter, const wchar_t* label, int image);
    RowHandle RowOf(HTREEITEM item) const { return record_.RowOf(reinterpret_cast<RowHandle>(item)); }

    void CreateChildren();
    void LayOut(int width, int height);
    LRESULT PrepareRow(NMTVCUSTOMDRAW& draw);
    void PaintRow(const NMTVCUSTOMDRAW& draw) const;
    void PaintCell(HDC dc, int column) const;
    void EraseBelowLastRow(HDC dc) const;
    int RecomputeTotalWidth();
    void UpdateScrollRange();
    void ShowCornerBoxForTreeScrollBar() const;
    int TreeClientWidth() const;
    int HeaderItemCount() const;
    RowHandle PreviousSibling(RowHandle parent, HTREEITEM insertAfter, HTREEITEM item) const;

    RowRecord record_{*this};
    TreeEraser eraser_{*this};
    HWND header_ = nullptr;
    HWND tree_ = nullptr;
    HWND cornerBox_ = nullptr;
    int verticalScrollBarWidth_ = 0;
    int columnCount_ = 0;  // columns the header took, so cells need not ask it
    int totalColumnWidth_ = 0;
    int horizontalOffset_ = 0;  // where column 0 starts: minus the scroll position
    COLORREF highlightTextColour_ = 0;
    UniqueBrush highlightBrush_;
    // State of the row being painted, taken at item pre-paint for its post-paint.
    RowHandle paintedRow_ = kNoRow;
    COLORREF rowColour_ = kDefaultRowColour;
    bool rowFocused_ = false;
    RECT rowRect_{};
};

}  // namespace quarry
