// Which rows of the tree-list's record its tree-view holds: the top-level ones, and a row's
// children from when it is first opened or searched into, in order.
#include "treelist/row_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarry {
namespace {

using Items = std::vector<std::u16string>;

// The tree-view as the items made, in order: "label", or "parent's label > label".
class ListedTree final : public TreeItems {
public:
    RowHandle AppendItem(RowHandle parent, const char16_t* label) override {
        items.push_back((parent ? items[parent / 16 - 1] + u" > " : u"") + label);
        return items.size() * 16;  // aligned, as tree items are
    }
    void DeleteAllItems() override { items.clear(); }
    Items items;
};

TEST(RowRecord, TheTreeHoldsTheTopLevelRowsAndEachRowsChildrenFromItsFirstOpening) {
    ListedTree tree;
    RowRecord record(tree);
    const RowHandle image = record.AppendRow(7, u"image", kNoRow);
    record.AppendRow(7, u"header", image);
    const RowHandle text = record.AppendRow(7, u".text", image);
    const RowHandle heap = record.AppendRow(7, u"heap", kNoRow);
    record.AppendRow(7, u"heap 0", heap);
    const RowHandle heapEnd = record.AppendRow(7, u"heap 1", heap);
    EXPECT_EQ(tree.items, (Items{u"image", u"heap"}));
    EXPECT_EQ(record.ItemOf(text), kNoRow);

    record.Open(image);
    record.Open(image);  // only once
    record.AppendRow(7, u"late", image);  // under an open row: at once
    EXPECT_EQ(tree.items, (Items{u"image", u"heap", u"image > header", u"image > .text", u"image > late"}));
    EXPECT_EQ(record.RowOf(record.ItemOf(text)), text);
    // Find's way in: the row found enters the tree with its siblings.
    EXPECT_EQ(record.Show(heapEnd), 7u * 16);
    EXPECT_EQ(tree.items.back(), u"heap > heap 1");

    record.DeleteAllRows();
    EXPECT_TRUE(tree.items.empty());
    EXPECT_EQ(record.Cells().RowCount(), 0u);
    EXPECT_EQ(record.RowOf(16), kNoRow);
    EXPECT_EQ(record.AppendRow(7, u"again", kNoRow), 1u);  // as the first row of all
    EXPECT_EQ(record.Cells().CellText(1, 0), std::u16string(u"again"));
}

}  // namespace
}  // namespace quarry
