// Find's search order over the tree-list's record of its rows: which row each search lands
// on, from every kind of selection; past the last match it finds nothing.
#include "treelist/search_order.h"

#include <gtest/gtest.h>

namespace quarry {
namespace {

// Allocations like the memory map's, and one level deeper under the heap's region, so that
// the walk climbs back more than one level. Region rows leave Size unset.
class SearchOrder : public testing::Test {
protected:
    void SetUp() override {
        Add(image, kNoRow, {u"0000000000400000", u"Image", u"12 KB", {}, {}, {}, u"C:\\a\\app.exe"});
        Add(header, image, {u"0000000000400000", u"Image", {}, u"4 KB", u"Read", {}, u"Header"});
        Add(text, image, {u"0000000000401000", u"Image", {}, u"8 KB", u"Execute/Read", {}, u".text"});
        Add(heap, kNoRow, {u"0000000000600000", u"Private", u"64 KB", {}, {}, {}, u"Heap 0"});
        Add(heapRegion, heap, {u"0000000000600000", u"Private", {}, u"64 KB", u"Read/Write", {}, {}});
        Add(deep, heapRegion, {u"deep", {}, {}, {}, {}, {}, u"Caf\u00E9"});
        Add(free, kNoRow, {u"0000000000700000", u"Free", u"1 MB", {}, {}, {}, {}});
        (*fold)[u'\u00E9'] = u'\u00C9';  // as a platform may fold beyond ASCII
    }
    void Add(RowHandle row, RowHandle parent, std::vector<std::optional<std::u16string>> cells) {
        ASSERT_TRUE(store.AppendRow(row, 7, cells[0]->c_str(), parent));
        for (int column = 1; column < 7; ++column)
            if (cells[static_cast<std::size_t>(column)]) store.SetCellText(row, column, 7, cells[static_cast<std::size_t>(column)]->c_str());
    }

    const RowHandle image = 0x10, header = 0x20, text = 0x30, heap = 0x40, heapRegion = 0x50, deep = 0x60, free = 0x70;
    CellStore store;
    const std::unique_ptr<CaseFoldTable> fold = AsciiCaseFold();
    StoreRows rows{store, *fold};
};

TEST_F(SearchOrder, FindsTheFirstMatchAfterTheSelectionInPreOrderWithoutWrappingAround) {
    const struct {
        RowHandle selected;
        const char16_t* what;
        RowHandle found;
    } cases[] = {
        {kNoRow, u"00400000", image},     // from nothing selected the first row itself can match
        {kNoRow, u"nowhere", kNoRow},
        {free, u"Free", kNoRow},           // the selection matches, nothing later does
        {heapRegion, u"app.exe", kNoRow},  // only an earlier row matches
        {image, u"00400000", header},      // the selection matches, and so does its child
        {text, u"Private", heap},          // from a last child on to the next allocation
        {header, u"Read/Write", heapRegion},
        {deep, u"1 MB", free},             // up two levels
        {kNoRow, u"EXECUTE/read", text},   // case folded, on both sides
        {kNoRow, u"CAF\u00C9", deep},      // ... by the table given
        {kNoRow, u"Read/Write/", kNoRow},
    };
    for (const auto& c : cases) EXPECT_EQ(FindNextRow(rows, c.selected, c.what), c.found) << std::hex << c.selected;
}

}  // namespace
}  // namespace quarry
