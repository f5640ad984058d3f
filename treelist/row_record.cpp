#include "treelist/row_record.h"

namespace quarry {

RowHandle RowRecord::AppendRow(int cellCount, const char16_t* text, RowHandle parent) {
    if (cellCount <= 0 || (parent != kNoRow && !Holds(parent))) return kNoRow;
    RowHandle item = kNoRow;
    if (IsOpen(parent)) {
        item = tree_.AppendItem(ItemOf(parent), text);
        if (item == kNoRow) return kNoRow;
    }
    return Record(item, cellCount, text, parent, cells_.LastChild(parent));
}

RowHandle RowRecord::AddShownRow(RowHandle item, int cellCount, const char16_t* text, RowHandle parent,
                                 RowHandle previous) {
    if (item == kNoRow || !IsOpen(parent)) return kNoRow;
    return Record(item, cellCount, text, parent, previous);
}

// Row numbers run on from the last one kept, so they stay indexes of items_.
RowHandle RowRecord::Record(RowHandle item, int cellCount, const char16_t* text, RowHandle parent,
                            RowHandle previous) {
    const RowHandle row = items_.size() + 1;
    if (!cells_.InsertRow(row, cellCount, text, parent, previous)) return kNoRow;
    items_.push_back(kNoRow);
    open_.push_back(false);
    if (item != kNoRow) GiveItem(row, item);
    return row;
}

void RowRecord::GiveItem(RowHandle row, RowHandle item) {
    items_[row - 1] = item;
    rowOfItem_[item] = row;
}

// Open before the first child goes in: the tree may ask about the row meanwhile. A child the
// tree refuses stays out of it, as a refused row always has.
void RowRecord::Open(RowHandle row) {
    if (IsOpen(row) || ItemOf(row) == kNoRow) return;
    open_[row - 1] = true;
    for (RowHandle child = cells_.FirstChild(row); child != kNoRow; child = cells_.NextSibling(child))
        if (const RowHandle item = tree_.AppendItem(ItemOf(row), cells_.CellText(child, 0)); item != kNoRow)
            GiveItem(child, item);
}

RowHandle RowRecord::Show(RowHandle row) {
    if (!Holds(row)) return kNoRow;
    if (const RowHandle parent = cells_.Parent(row); parent != kNoRow) {
        Show(parent);
        Open(parent);
    }
    return ItemOf(row);
}

// The top level is always in the tree-view.
bool RowRecord::IsOpen(RowHandle row) const { return row == kNoRow || (Holds(row) && open_[row - 1]); }

RowHandle RowRecord::ItemOf(RowHandle row) const { return Holds(row) ? items_[row - 1] : kNoRow; }

RowHandle RowRecord::RowOf(RowHandle item) const {
    const auto found = rowOfItem_.find(item);
    return found == rowOfItem_.end() ? kNoRow : found->second;
}

// Swapped for empty containers, which hold no memory.
void RowRecord::DeleteAllRows() {
    cells_.DeleteAllRows();
    std::vector<RowHandle>().swap(items_);
    std::vector<bool>().swap(open_);
    std::unordered_map<RowHandle, RowHandle>().swap(rowOfItem_);
    tree_.DeleteAllItems();
}

}  // namespace quarry
