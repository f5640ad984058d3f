#include "cli/map_report.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "text/numbers.h"
#include "treelist/row_text.h"

namespace quarry::cli {
namespace {

using Line = std::vector<std::u16string>;

// Lines of cells in columns two spaces apart, padded to the widest cell of each column; the
// last column is not padded, and right-aligned columns are padded in front.
std::u16string Aligned(const std::vector<Line>& lines, const std::vector<bool>& rightAligned) {
    std::vector<std::size_t> widths(rightAligned.size(), 0);
    for (const Line& line : lines)
        for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
    std::u16string text;
    for (const Line& line : lines) {
        std::u16string out;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const std::u16string padding(widths[i] - line[i].size(), u' ');
            const bool last = i + 1 == line.size();
            out += rightAligned[i] ? padding + line[i] : last ? line[i] : line[i] + padding;
            if (!last) out += u"  ";
        }
        out.erase(out.find_last_not_of(u' ') + 1);
        text += out + u"\n";
    }
    return text;
}

std::u16string Shown(const std::u16string& cell) { return cell.empty() ? u"\"\"" : cell; }

// "Column old -> new" for each column that differs, joined with ", "; empty when none does.
std::u16string ChangedCells(const MapRow& before, const MapRow& after) {
    std::u16string text;
    for (int column = 0; column < kColumnCount; ++column) {
        if (before.Cell(column) == after.Cell(column)) continue;
        if (!text.empty()) text += u", ";
        text += std::u16string(kMapColumns[static_cast<std::size_t>(column)].caption) + u' ' +
                Shown(before.Cell(column)) + u" -> " + Shown(after.Cell(column));
    }
    return text;
}

// An allocation row with its region rows.
struct Allocation {
    const MapRow* row;
    std::vector<const MapRow*> regions;
};

std::map<std::uint64_t, Allocation> ByAddress(const MapRows& rows) {
    std::map<std::uint64_t, Allocation> allocations;
    Allocation* current = nullptr;
    for (const MapRow& row : rows) {
        if (row.allocation) current = &(allocations[row.address] = Allocation{&row, {}});
        else if (current) current->regions.push_back(&row);
    }
    return allocations;
}

// Walks two address-ordered maps side by side: `both` for an address in each, `only` for an
// address in one of them (`inAfter` says which).
template <typename Value, typename Both, typename Only>
void Merge(const std::map<std::uint64_t, Value>& before, const std::map<std::uint64_t, Value>& after, Both both, Only only) {
    auto b = before.begin(), a = after.begin();
    while (b != before.end() || a != after.end()) {
        if (a == after.end() || (b != before.end() && b->first < a->first)) only((b++)->second, false);
        else if (b == before.end() || a->first < b->first) only((a++)->second, true);
        else both((b++)->second, (a++)->second);
    }
}

std::map<std::uint64_t, const MapRow*> RegionsByAddress(const std::vector<const MapRow*>& regions) {
    std::map<std::uint64_t, const MapRow*> byAddress;
    for (const MapRow* region : regions) byAddress[region->address] = region;
    return byAddress;
}

}  // namespace

std::u16string MapTable(const MapRows& rows) {
    std::vector<Line> lines(1);
    std::vector<bool> right;
    for (const MapColumn& column : kMapColumns) {
        lines[0].push_back(column.caption);
        right.push_back(column.alignment == ColumnAlignment::Right);
    }
    for (const MapRow& row : rows) {
        Line line;
        for (int column = 0; column < kColumnCount; ++column) line.push_back(row.Cell(column));
        if (!row.allocation) line[kColumnAddress].insert(0, u"  ");
        lines.push_back(std::move(line));
    }
    return Aligned(lines, right);
}

std::u16string MapSummary(const MapRows& rows) {
    struct Totals {
        std::uint64_t allocations = 0, size = 0, committed = 0;
    };
    std::vector<std::u16string> types{u"Image", u"Mapped", u"Private"};
    std::map<std::u16string, Totals> totals;
    Totals all;
    for (const MapRow& row : rows) {
        if (!row.allocation) continue;
        const std::u16string type = row.Cell(kColumnType);
        if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
        for (Totals* sum : {&totals[type], &all}) {
            ++sum->allocations;
            sum->size += KilobytesIn(row.Cell(kColumnSize));
            sum->committed += KilobytesIn(row.Cell(kColumnCommit));
        }
    }
    std::vector<Line> lines{{u"Type", u"Allocations", u"Size", u"Committed"}};
    const auto add = [&lines](const std::u16string& name, const Totals& sum) {
        lines.push_back({name, DecimalText(sum.allocations), KilobyteText(sum.size), KilobyteText(sum.committed)});
    };
    for (const std::u16string& type : types)
        if (totals.count(type)) add(type, totals[type]);
    add(u"Total", all);
    return Aligned(lines, {false, true, true, true});
}

MapDifference CompareMaps(const MapRows& before, const MapRows& after) {
    MapDifference difference;
    const auto only = [&difference](const Allocation& allocation, bool inAfter) {
        difference.text += (inAfter ? u"+ " : u"- ") + QuotedCells(allocation.row->cells) + u"\n";
        ++(inAfter ? difference.added : difference.removed);
    };
    const auto both = [&difference](const Allocation& old, const Allocation& now) {
        std::u16string regions;
        Merge(
            RegionsByAddress(old.regions), RegionsByAddress(now.regions),
            [&regions](const MapRow* a, const MapRow* b) {
                if (const std::u16string changes = ChangedCells(*a, *b); !changes.empty())
                    regions += u"  ~ " + a->Cell(kColumnAddress) + u": " + changes + u"\n";
            },
            [&regions](const MapRow* region, bool inAfter) {
                regions += (inAfter ? u"  + " : u"  - ") + QuotedCells(region->cells) + u"\n";
            });
        const std::u16string changes = ChangedCells(*old.row, *now.row);
        if (changes.empty() && regions.empty()) return;
        difference.text += u"~ " + old.row->Cell(kColumnAddress) + u":" + (changes.empty() ? u"" : u" " + changes) + u"\n" + regions;
        ++difference.changed;
    };
    Merge(ByAddress(before), ByAddress(after), both, only);
    difference.text += DecimalText(static_cast<std::uint64_t>(difference.added)) + u" added, " +
                       DecimalText(static_cast<std::uint64_t>(difference.removed)) + u" removed, " +
                       DecimalText(static_cast<std::uint64_t>(difference.changed)) + u" changed\n";
    return difference;
}

}  // namespace quarry::cli
