// CTreeListView: the multi-column tree of the memory map. A header of columns over an
// inner tree-view ("TreeList", a copy of "SysTreeView32") whose rows it paints itself, one
// band in the row's colour with one text per column, and scrolls sideways together with
// the header.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <span>

#include "framework/handles.h"
#include "framework/window.h"
#include "treelist/cell_store.h"
#include "treelist/row_writer.h"

namespace quarry {

class CTreeListView : public CWindowImpl<CTreeListView>, public RowWriter {
public:
    static std::span<const Route<CTreeListView>> Routes() {
        static const Route<CTreeListView> table[] = {
            OnMessage(WM_CREATE, &CTreeListView::OnCreate),
            OnMessage(WM_DESTROY, &CTreeListView::OnDestroy),
            OnMessage(WM_SIZE, &CTreeListView::OnResize),
            OnMessage(WM_HSCROLL, &CTreeListView::OnHorizontalScroll),
            OnNotify(kTreeId, NM_CUSTOMDRAW, &CTreeListView::OnCustomDraw),  // the header draws itself
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

    // The new row with `text` as label and cell 0, or null. No row is made while no
    // column exists: it could hold no cells.
    HTREEITEM InsertRow(const wchar_t* text, HTREEITEM parent, int image, HTREEITEM insertAfter);
    bool SetCellText(HTREEITEM row, int column, const wchar_t* text);
    // False, with nothing copied, when the cell is unset or its text and terminator do
    // not fit `capacity` characters.
    bool GetCellText(HTREEITEM row, int column, wchar_t* buffer, int capacity);
    bool SetRowColor(HTREEITEM row, COLORREF colour);
    COLORREF GetRowColor(HTREEITEM row) const;
    // For the search, which reads every cell of every row: a set cell's text in place (valid
    // until the row changes) and the row's cell count, with no message to the header.
    const wchar_t* CellText(HTREEITEM row, int column) const;
    int CellCount(HTREEITEM row) const;
    void DeleteAllRows();

    // The owner reads selection, row values and children from the inner tree itself.
    HWND TreeWindow() const { return tree_; }
    HWND HeaderWindow() const { return header_; }

    // RowWriter: how the memory map builder fills the tree.
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
    LRESULT OnItemExpanded(WindowMessage& m);
    LRESULT OnColumnChanged(WindowMessage& m);
    LRESULT ForwardToParent(WindowMessage& m);

    void CreateChildren();
    LRESULT PrepareRow(NMTVCUSTOMDRAW& draw);
    void PaintRow(const NMTVCUSTOMDRAW& draw) const;
    void PaintCell(HDC dc, HTREEITEM row, int column) const;
    void EraseBelowLastRow(HDC dc) const;
    int RecomputeTotalWidth();
    void UpdateScrollRange();
    void ShowCornerBoxForTreeScrollBar() const;
    int TreeClientWidth() const;
    int HeaderItemCount() const;

    CellStore store_;
    TreeEraser eraser_{*this};
    HWND header_ = nullptr;
    HWND tree_ = nullptr;
    HWND cornerBox_ = nullptr;
    int verticalScrollBarWidth_ = 0;
    int columnCount_ = 0;
    int totalColumnWidth_ = 0;
    int horizontalOffset_ = 0;  // where column 0 starts: minus the scroll position
    COLORREF highlightTextColour_ = 0;
    UniqueBrush highlightBrush_;
    // State of the row being painted, taken at item pre-paint for its post-paint.
    COLORREF rowColour_ = kDefaultRowColour;
    bool rowFocused_ = false;
    RECT rowRect_{};
};

}  // namespace quarry
