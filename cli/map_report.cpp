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

}  // namespace

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

namespace {

std::u16string Shown(const std::u16string& cell) { return cell.empty() ? u"\"\"" : cell; }

// The columns that differ.
std::vector<CellChange> ChangedCells(const MapRow& before, const MapRow& after) {
    std::vector<CellChange> changes;
    for (int column = 0; column < kColumnCount; ++column)
        if (before.Cell(column) != after.Cell(column)) changes.push_back({column, before.Cell(column), after.Cell(column)});
    return changes;
}

// "Column old -> new" for each change, joined with ", ".
std::u16string ChangesText(const std::vector<CellChange>& changes) {
    std::u16string text;
    for (const CellChange& change : changes) {
        if (!text.empty()) text += u", ";
        text += std::u16string(kMapColumns[static_cast<std::size_t>(change.column)].caption) + u' ' + Shown(change.before) +
                u" -> " + Shown(change.after);
    }
    return text;
}

// One line of the text form, regions indented.
std::u16string ChangeLine(const RowChange& change, const std::u16string& indent) {
    switch (change.change) {
        case Change::Added: return indent + u"+ " + QuotedCells(change.row->cells) + u"\n";
        case Change::Removed: return indent + u"- " + QuotedCells(change.row->cells) + u"\n";
        case Change::Changed: break;
    }
    const std::u16string cells = ChangesText(change.cells);
    return indent + u"~ " + change.row->Cell(kColumnAddress) + u":" + (cells.empty() ? u"" : u" " + cells) + u"\n";
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

std::vector<TypeTotals> SummaryTotals(const MapRows& rows) {
    std::vector<TypeTotals> totals{{u"Image"}, {u"Mapped"}, {u"Private"}};
    TypeTotals all{u"Total"};
    for (const MapRow& row : rows) {
        if (!row.allocation) continue;
        const std::u16string type = row.Cell(kColumnType);
        auto sum = std::find_if(totals.begin(), totals.end(), [&type](const TypeTotals& t) { return t.type == type; });
        if (sum == totals.end()) sum = totals.insert(totals.end(), {type});
        for (TypeTotals* add : {&*sum, &all}) {
            ++add->allocations;
            add->sizeKb += NumberIn(row.Cell(kColumnSize));
            add->committedKb += NumberIn(row.Cell(kColumnCommit));
        }
    }
    std::erase_if(totals, [](const TypeTotals& t) { return t.allocations == 0; });
    totals.push_back(all);
    return totals;
}

std::u16string MapSummary(const MapRows& rows) {
    std::vector<Line> lines{{u"Type", u"Allocations", u"Size", u"Committed"}};
    for (const TypeTotals& sum : SummaryTotals(rows))
        lines.push_back({sum.type, DecimalText(sum.allocations), KilobyteText(sum.sizeKb), KilobyteText(sum.committedKb)});
    return Aligned(lines, {false, true, true, true});
}

MapDifference CompareMaps(const MapRows& before, const MapRows& after) {
    MapDifference difference;
    const auto only = [&difference](const Allocation& allocation, bool inAfter) {
        difference.allocations.push_back({inAfter ? Change::Added : Change::Removed, allocation.row, {}, {}});
        ++(inAfter ? difference.added : difference.removed);
    };
    const auto both = [&difference](const Allocation& old, const Allocation& now) {
        RowChange change{Change::Changed, old.row, ChangedCells(*old.row, *now.row), {}};
        Merge(
            RegionsByAddress(old.regions), RegionsByAddress(now.regions),
            [&change](const MapRow* a, const MapRow* b) {
                if (std::vector<CellChange> cells = ChangedCells(*a, *b); !cells.empty())
                    change.regions.push_back({Change::Changed, a, std::move(cells), {}});
            },
            [&change](const MapRow* region, bool inAfter) {
                change.regions.push_back({inAfter ? Change::Added : Change::Removed, region, {}, {}});
            });
        if (change.cells.empty() && change.regions.empty()) return;
        difference.allocations.push_back(std::move(change));
        ++difference.changed;
    };
    Merge(ByAddress(before), ByAddress(after), both, only);
    return difference;
}

std::u16string DifferenceText(const MapDifference& difference) {
    std::u16string text;
    for (const RowChange& allocation : difference.allocations) {
        text += ChangeLine(allocation, u"");
        for (const RowChange& region : allocation.regions) text += ChangeLine(region, u"  ");
    }
    return text + DecimalText(static_cast<std::uint64_t>(difference.added)) + u" added, " +
           DecimalText(static_cast<std::uint64_t>(difference.removed)) + u" removed, " +
           DecimalText(static_cast<std::uint64_t>(difference.changed)) + u" changed\n";
}

}  // namespace quarry::cli
