// QuarryMap's texts for people: the map as an aligned table, the totals by type, and what
// changed between two maps. Lines end with "\n"; the caller writes them out.
#pragma once

#include <string>

#include "cli/map_rows.h"

namespace quarry::cli {

// A header line, then every row with its cells in aligned columns (numbers to the right),
// region rows indented under their allocation.
std::u16string MapTable(const MapRows& rows);

// One line per type of allocation (Image, Mapped, Private first, then any other type text
// in the order met) with its count of allocations, total size and total committed, then a
// Total line; sizes in KB as the tree writes them.
std::u16string MapSummary(const MapRows& rows);

struct MapDifference {
    std::u16string text;  // one line per difference, then the counts
    int added = 0, removed = 0, changed = 0;  // allocations
};

// Allocations matched by address: "+ " and the row as Copy lists it (QuotedCells) for one
// only in `after`, "- " for one only in `before`, "~ ADDRESS: Column old -> new, ..." for
// one in both whose rows differ, followed by its regions' "  +", "  -" and "  ~" lines;
// last "N added, N removed, N changed".
MapDifference CompareMaps(const MapRows& before, const MapRows& after);

}  // namespace quarry::cli
