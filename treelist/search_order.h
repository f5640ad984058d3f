// The order in which Find walks the tree-list's rows: depth first in pre-order, from the
// selected row on, whatever is expanded. Platform-neutral over a small view of the tree, so
// the order is tested without windows.
#pragma once

#include <vector>

#include "treelist/cell_store.h"
#include "treelist/row_writer.h"

namespace quarry {

// What the search asks of a tree. Every answer is kNoRow (or false) where the tree has none.
class SearchTree {
public:
    virtual ~SearchTree() = default;
    virtual RowHandle FirstTopLevelRow() const = 0;
    virtual RowHandle Parent(RowHandle row) const = 0;
    virtual RowHandle FirstChild(RowHandle row) const = 0;
    virtual RowHandle NextSibling(RowHandle row) const = 0;
    virtual bool HasChildren(RowHandle row) const = 0;
    // True when a set cell of the row contains `text`, compared without regard to case.
    virtual bool RowContainsText(RowHandle row, const char16_t* text) const = 0;
};

// True when `cell` contains `text`; how case is folded is the platform's.
using TextMatcher = bool (*)(const char16_t* cell, const char16_t* text);

// The tree-list's record of its rows as the search sees it: a row matches when one of its set
// cells does.
class StoreRows final : public SearchTree {
public:
    StoreRows(const CellStore& store, TextMatcher contains) : store_(store), contains_(contains) {}

    RowHandle FirstTopLevelRow() const override { return store_.FirstChild(kNoRow); }
    RowHandle Parent(RowHandle row) const override { return store_.Parent(row); }
    RowHandle FirstChild(RowHandle row) const override { return store_.FirstChild(row); }
    RowHandle NextSibling(RowHandle row) const override { return store_.NextSibling(row); }
    bool HasChildren(RowHandle row) const override { return store_.FirstChild(row) != kNoRow; }
    bool RowContainsText(RowHandle row, const char16_t* text) const override;

private:
    const CellStore& store_;
    TextMatcher contains_;
};

// Rows whose children the walk has entered, the outermost at the bottom.
using AncestorStack = std::vector<RowHandle>;

// The first matching row from `start` on in pre-order (the second when `skipFirst`), or
// kNoRow when the walk runs off the end of the tree. Consumes `ancestors`.
RowHandle FindRow(const SearchTree& tree, RowHandle start, const char16_t* text, AncestorStack& ancestors,
                  bool skipFirst);

// The first row after `selected` that contains `text`, never `selected` itself; from the
// first top-level row on, that row included, when nothing is selected. No wrap-around:
// kNoRow when no later row matches.
RowHandle FindNextRow(const SearchTree& tree, RowHandle selected, const char16_t* text);

}  // namespace quarry
