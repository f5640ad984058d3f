// QuarryMap's texts for people: the map as an aligned table, the totals by type, and what
// changed between two maps. Lines end with "\n"; the caller writes them out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/map_rows.h"

namespace quarry::cli {

// Lines of cells in columns two spaces apart, padded to the widest cell of each column; the
// last column is not padded, and right-aligned columns are padded in front.
std::u16string Aligned(const std::vector<std::vector<std::u16string>>& lines, const std::vector<bool>& rightAligned);

// A header line, then every row with its cells in aligned columns (numbers to the right),
// region rows indented under their allocation.
std::u16string MapTable(const MapRows& rows);

struct TypeTotals {
    std::u16string type;  // "Total" for all of them
    std::uint64_t allocations = 0, sizeKb = 0, committedKb = 0;
};

// For each type of allocation (Image, Mapped, Private first, then any other type text in the
// order met) its count of allocations, total size and total committed; last the Total.
std::vector<TypeTotals> SummaryTotals(const MapRows& rows);

// The totals as a table, sizes in KB as the tree writes them.
std::u16string MapSummary(const MapRows& rows);

// One column of a row that two maps show differently.
struct CellChange {
    int column;
    std::u16string before, after;
};

enum class Change { Added, Removed, Changed };

// A row only in one map, or in both with cells that differ. The rows belong to the maps
// compared, which must outlive the difference.
struct RowChange {
    Change change;
    const MapRow* row;                // after's when added, else before's
    std::vector<CellChange> cells;    // Changed: the columns that differ
    std::vector<RowChange> regions;   // Changed allocations: their regions that changed
};

struct MapDifference {
    std::vector<RowChange> allocations;  // in address order
    int added = 0, removed = 0, changed = 0;
    bool Any() const { return !allocations.empty(); }
};

// Allocations matched by address, and within an allocation in both maps its regions: one
// only in `after` is added, one only in `before` removed, one in both whose cells differ
// (or whose regions do) changed.
MapDifference CompareMaps(const MapRows& before, const MapRows& after);

// "+ " and the row as Copy lists it (QuotedCells) for an added allocation, "- " for a
// removed one, "~ ADDRESS: Column old -> new, ..." for a changed one, followed by its
// regions' "  +", "  -" and "  ~" lines; last "N added, N removed, N changed".
std::u16string DifferenceText(const MapDifference& difference);

}  // namespace quarry::cli
