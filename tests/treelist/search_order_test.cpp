// The search order of Find over a tree built for the purpose: which row each search lands
// on, and that it visits the rows after the selection once each, in pre-order.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "treelist/search_order.h"

namespace quarry {
namespace {

using Cells = std::vector<std::optional<std::u16string>>;  // nullopt: never set

// Lower-cases ASCII only; the real tree-list compares with the platform's folding.
std::u16string Folded(std::u16string text) {
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return text;
}

class ScriptedTree : public SearchTree {
public:
    RowHandle Add(RowHandle parent, Cells cells) {
        const RowHandle row = 0x1000 + 0x10 * rows_.size();  // rows are never 0
        rows_[row] = {parent, {}, std::move(cells), false};
        (parent == kNoRow ? topLevel_ : rows_[parent].children).push_back(row);
        return row;
    }
    // A row that says it has children (as a tree-view item may) without having any.
    void ClaimChildren(RowHandle row) { rows_[row].claimsChildren = true; }

    RowHandle FirstTopLevelRow() const override { return topLevel_.empty() ? kNoRow : topLevel_.front(); }
    RowHandle Parent(RowHandle row) const override { return rows_.at(row).parent; }
    RowHandle FirstChild(RowHandle row) const override {
        const auto& children = rows_.at(row).children;
        return children.empty() ? kNoRow : children.front();
    }
    RowHandle NextSibling(RowHandle row) const override {
        const RowHandle parent = rows_.at(row).parent;
        const auto& siblings = parent == kNoRow ? topLevel_ : rows_.at(parent).children;
        for (std::size_t i = 0; i + 1 < siblings.size(); ++i)
            if (siblings[i] == row) return siblings[i + 1];
        return kNoRow;
    }
    bool HasChildren(RowHandle row) const override {
        return rows_.at(row).claimsChildren || !rows_.at(row).children.empty();
    }
    bool RowContainsText(RowHandle row, const char16_t* text) const override {
        tested.push_back(row);
        for (const auto& cell : rows_.at(row).cells)
            if (cell && Folded(*cell).find(Folded(text)) != std::u16string::npos) return true;
        return false;
    }

    mutable std::vector<RowHandle> tested;

private:
    struct Row {
        RowHandle parent;
        std::vector<RowHandle> children;
        Cells cells;
        bool claimsChildren;
    };
    std::map<RowHandle, Row> rows_;
    std::vector<RowHandle> topLevel_;
};

// Three allocations like the memory map's: the first with two regions, the second with
// one, the third with none. Cell 1 is the Type; region rows leave Size unset.
class SearchOrder : public testing::Test {
protected:
    ScriptedTree tree;
    const RowHandle image = tree.Add(kNoRow, {u"0000000000400000", u"Image", u"12 KB", {}, {}, {}, u"C:\\a\\app.exe"});
    const RowHandle header = tree.Add(image, {u"0000000000400000", u"Image", {}, u"4 KB", u"Read", {}, u"Header"});
    const RowHandle text = tree.Add(image, {u"0000000000401000", u"Image", {}, u"8 KB", u"Execute/Read", {}, u".text"});
    const RowHandle heap = tree.Add(kNoRow, {u"0000000000600000", u"Private", u"64 KB", {}, {}, {}, u"Heap 0"});
    const RowHandle heapRegion = tree.Add(heap, {u"0000000000600000", u"Private", {}, u"64 KB", u"Read/Write", {}, {}});
    const RowHandle free = tree.Add(kNoRow, {u"0000000000700000", u"Free", u"1 MB", {}, {}, {}, {}});

    RowHandle Next(RowHandle selected, const char16_t* what) { return FindNextRow(tree, selected, what); }
};

TEST_F(SearchOrder, FromNothingSelectedTheFirstTopLevelRowItselfCanMatch) {
    EXPECT_EQ(Next(kNoRow, u"00400000"), image);
    EXPECT_EQ(Next(kNoRow, u"Heap 0"), heap);
    EXPECT_EQ(Next(kNoRow, u"nowhere"), kNoRow);
}

TEST_F(SearchOrder, NeverReportsTheSelectedRowAndDoesNotWrapAround) {
    EXPECT_EQ(Next(free, u"Free"), kNoRow);           // selected matches, nothing later does
    EXPECT_EQ(Next(heapRegion, u"app.exe"), kNoRow);  // only an earlier row matches
    EXPECT_EQ(Next(image, u"00400000"), header);      // the selection matches, and so does its child
}

TEST_F(SearchOrder, GoesDownIntoChildrenAndOnAcrossAllocations) {
    EXPECT_EQ(Next(image, u"Header"), header);      // the selection's own first child
    EXPECT_EQ(Next(text, u"Private"), heap);        // last child of one allocation to the next allocation
    EXPECT_EQ(Next(header, u"Read/Write"), heapRegion);  // into a later allocation's children
    EXPECT_EQ(Next(heapRegion, u"1 MB"), free);     // from a last child to a row without children
}

// Every row found from the top on, repeating from each; bounded, so that a search that
// wrapped around would show as rows found twice rather than run for ever.
std::vector<RowHandle> EveryMatch(const SearchTree& tree, const char16_t* what) {
    std::vector<RowHandle> found;
    for (RowHandle at = FindNextRow(tree, kNoRow, what); at != kNoRow && found.size() < 20;
         at = FindNextRow(tree, at, what))
        found.push_back(at);
    return found;
}

TEST_F(SearchOrder, RepeatingFromEachMatchVisitsEveryMatchInPreOrderThenStops) {
    EXPECT_EQ(EveryMatch(tree, u"image"), (std::vector<RowHandle>{image, header, text}));
    EXPECT_EQ(EveryMatch(tree, u"KB"), (std::vector<RowHandle>{image, header, text, heap, heapRegion}));
}

TEST_F(SearchOrder, SetCellsAreComparedWithoutRegardToCase) {
    EXPECT_EQ(Next(kNoRow, u"private"), heap);
    EXPECT_EQ(Next(kNoRow, u"EXECUTE/read"), text);
}

TEST_F(SearchOrder, VisitsEachRowAfterTheSelectionOnceInPreOrder) {
    EXPECT_EQ(Next(header, u"nowhere"), kNoRow);
    // The selection once for its skip-first test, then the walk from it.
    EXPECT_EQ(tree.tested, (std::vector<RowHandle>{header, header, text, heap, heapRegion, free}));
}

TEST(SearchOrderEdges, AnEmptyTreeHasNothingToFind) {
    ScriptedTree empty;
    EXPECT_EQ(FindNextRow(empty, kNoRow, u"0"), kNoRow);
    AncestorStack ancestors;
    EXPECT_EQ(FindRow(empty, kNoRow, u"0", ancestors, false), kNoRow);
}

TEST(SearchOrderEdges, ResumesDeepInTheTreeWithTheAncestorsInOrder) {
    ScriptedTree tree;
    const RowHandle a = tree.Add(kNoRow, {u"a"});
    const RowHandle b = tree.Add(a, {u"b"});
    const RowHandle c = tree.Add(b, {u"c"});
    tree.Add(a, {u"d"});
    tree.Add(kNoRow, {u"e"});
    const RowHandle f = tree.Add(b, {u"f"});  // after c, last child of b

    // From f, the last grandchild: back up to b's sibling d, then a's sibling e.
    EXPECT_EQ(FindNextRow(tree, f, u"d"), tree.NextSibling(b));
    EXPECT_EQ(FindNextRow(tree, c, u"e"), tree.NextSibling(a));
    EXPECT_EQ(FindNextRow(tree, f, u"a"), kNoRow);
}

TEST(SearchOrderEdges, ARowClaimingChildrenItDoesNotHaveIsPassedBy) {
    ScriptedTree tree;
    const RowHandle empty = tree.Add(kNoRow, {u"empty"});
    const RowHandle next = tree.Add(kNoRow, {u"next"});
    tree.ClaimChildren(empty);
    EXPECT_EQ(FindNextRow(tree, empty, u"next"), next);
    EXPECT_EQ(FindNextRow(tree, kNoRow, u"next"), next);
}

// The tree-list searches its own record: the same order over a CellStore, unset cells passed
// by, case folded by the table it is given.
TEST(SearchOrderEdges, TheRecordOfTheRowsIsSearchedInTheSameOrder) {
    CellStore store;
    const RowHandle image = 0x100, header = 0x200, text = 0x300, heap = 0x400;
    store.AppendRow(image, 7, u"0000000000400000", kNoRow);
    store.AppendRow(header, 7, u"0000000000400000", image);
    store.AppendRow(text, 7, u"0000000000401000", image);
    store.AppendRow(heap, 7, u"0000000000600000", kNoRow);
    store.SetCellText(text, 6, 7, u".text");
    store.SetCellText(heap, 1, 7, u"Private");
    const auto fold = AsciiCaseFold();
    const StoreRows rows(store, *fold);

    EXPECT_EQ(FindNextRow(rows, kNoRow, u"00400000"), image);
    EXPECT_EQ(FindNextRow(rows, image, u"00400000"), header);
    EXPECT_EQ(FindNextRow(rows, image, u".TEXT"), text);
    EXPECT_EQ(FindNextRow(rows, header, u"private"), heap);
    EXPECT_EQ(FindNextRow(rows, heap, u"0000"), kNoRow);
    EXPECT_FALSE(rows.RowContainsText(0x500, u"0"));  // a row not held
}

TEST(SearchOrderEdges, CellsContainTheTextWhenBothAreFoldedAlike) {
    auto fold = AsciiCaseFold();
    (*fold)[u'\u00E9'] = u'\u00C9';  // as a platform may fold beyond ASCII
    const struct {
        std::u16string_view cell, text;
        bool found;
    } cases[] = {
        {u"Execute/Read/Write", u"read/WRITE", true}, {u"Private", u"privatE", true}, {u"Read", u"Read/Write", false},
        {u"C:\\Caf\u00E9\\x.dll", u"CAF\u00C9", true}, {u"Heap", u"heaps", false}, {u"aab", u"ab", true},
        {u"", u"a", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ContainsFolded(c.cell, c.text, *fold), c.found) << static_cast<int>(&c - cases);
}

}  // namespace
}  // namespace quarry
