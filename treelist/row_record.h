// The tree-list's record of every row, and which of them its tree-view holds: every top-level
// row, and the rows under a row once that row has been opened (expanded, searched into, asked
// for its children). A tree-view pays for every item it holds, and most region rows are never
// opened. Record rows have identities of their own (1, 2, ... in the order written); a row
// gets a tree item only once it enters the tree-view, and only tree items leave the
// tree-list. Platform-neutral: the tree-view is reached through TreeItems.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "memmap/row_writer.h"
#include "treelist/cell_store.h"

namespace quarry {

// What the record asks of the tree-view.
class TreeItems {
public:
    virtual ~TreeItems() = default;
    // A new last item under the item `parent` (kNoRow: top level) labelled `label`; it asks the
    // record whether it has children. kNoRow when the tree refuses it.
    virtual RowHandle AppendItem(RowHandle parent, const char16_t* label) = 0;
    virtual void DeleteAllItems() = 0;
};

class RowRecord {
public:
    explicit RowRecord(TreeItems& tree) : tree_(tree) {}

    // The walk's row: recorded as the last child of the record row `parent` (kNoRow: top
    // level) with `cellCount` cells, cell 0 `text`; given a tree item at once when it is
    // top-level or its parent is open. The new row, or kNoRow (nothing kept) for a parent not
    // held, no cells, or a top-level row the tree refuses.
    RowHandle AppendRow(int cellCount, const char16_t* text, RowHandle parent);
    // A row whose tree item the caller has made under an open `parent`, after its sibling
    // `previous` (kNoRow: first); kNoRow when it cannot be recorded there.
    RowHandle AddShownRow(RowHandle item, int cellCount, const char16_t* text, RowHandle parent,
                          RowHandle previous);

    // Gives the children of the shown row `row` their tree items, in order, unless it is
    // open already.
    void Open(RowHandle row);
    // The row's tree item, opening its ancestors from the top first; kNoRow for no row.
    RowHandle Show(RowHandle row);
    bool IsOpen(RowHandle row) const;

    // kNoRow for a row not in the tree-view, and for an item the record does not hold.
    RowHandle ItemOf(RowHandle row) const;
    RowHandle RowOf(RowHandle item) const;

    // Every row's cells, colour, value and place, keyed by record row.
    CellStore& Cells() { return cells_; }
    const CellStore& Cells() const { return cells_; }

    // Record and tree-view emptied together.
    void DeleteAllRows();

private:
    bool Holds(RowHandle row) const { return row != kNoRow && row <= items_.size(); }
    RowHandle Record(RowHandle item, int cellCount, const char16_t* text, RowHandle parent, RowHandle previous);
    void GiveItem(RowHandle row, RowHandle item);

    TreeItems& tree_;
    CellStore cells_;
    // Row n at index n - 1: its tree item (kNoRow until shown) and whether it is open.
    std::vector<RowHandle> items_;
    std::vector<bool> open_;
    std::unordered_map<RowHandle, RowHandle> rowOfItem_;  // the shown rows only
};

}  // namespace quarry
