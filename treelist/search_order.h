// The order in which Find walks the tree-list's rows: depth first in pre-order, from the
// selected row on, whatever is expanded. Platform-neutral over a small view of the tree, so
// the order is tested without windows.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "memmap/row_writer.h"
#include "treelist/cell_store.h"

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

// Each UTF-16 unit's case-folded form, as the platform folds single characters.
using CaseFoldTable = std::array<char16_t, 0x10000>;

// A-Z folded to a-z and every other unit kept: for tests and for builds without a platform.
std::unique_ptr<CaseFoldTable> AsciiCaseFold();

// True when `text` occurs in `cell` once both are folded by `fold`.
bool ContainsFolded(std::u16string_view cell, std::u16string_view text, const CaseFoldTable& fold);

// The tree-list's record of its rows as the search sees it: a row matches when one of its set
// cells contains the text, compared without regard to case.
class StoreRows final : public SearchTree {
public:
    StoreRows(const CellStore& store, const CaseFoldTable& fold) : store_(store), fold_(fold) {}

    RowHandle FirstTopLevelRow() const override { return store_.FirstChild(kNoRow); }
    RowHandle Parent(RowHandle row) const override { return store_.Parent(row); }
    RowHandle FirstChild(RowHandle row) const override { return store_.FirstChild(row); }
    RowHandle NextSibling(RowHandle row) const override { return store_.NextSibling(row); }
    bool HasChildren(RowHandle row) const override { return store_.FirstChild(row) != kNoRow; }
    bool RowContainsText(RowHandle row, const char16_t* text) const override;

private:
    const CellStore& store_;
    const CaseFoldTable& fold_;
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
