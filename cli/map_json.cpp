#include "cli/map_json.h"

#include <array>

#include "text/ascii.h"
#include "text/utf8.h"

namespace quarry::cli {
namespace {

std::u16string Caption(int column) { return kMapColumns[static_cast<std::size_t>(column)].caption; }

// The columns' captions as member names, made once: every row names all seven.
const std::array<std::string, kColumnCount>& CellKeys() {
    static const std::array<std::string, kColumnCount> keys = [] {
        std::array<std::string, kColumnCount> made;
        for (int column = 0; column < kColumnCount; ++column) made[static_cast<std::size_t>(column)] = ToUtf8(Caption(column));
        return made;
    }();
    return keys;
}

void WriteTotals(JsonWriter& json, const TypeTotals& totals) {
    json.Member("allocations", totals.allocations).Member("size_kb", totals.sizeKb).Member("committed_kb", totals.committedKb);
}

void WriteCellChanges(JsonWriter& json, const std::vector<CellChange>& changes) {
    json.Key("cells").BeginArray();
    for (const CellChange& change : changes)
        json.BeginObject()
            .Member("column", Caption(change.column))
            .Member("before", change.before)
            .Member("after", change.after)
            .EndObject();
    json.EndArray();
}

std::string_view ChangeName(Change change) {
    switch (change) {
        case Change::Added: return "added";
        case Change::Removed: return "removed";
        case Change::Changed: break;
    }
    return "changed";
}

void WriteRegionChange(JsonWriter& json, const RowChange& region) {
    if (region.change == Change::Changed) {
        json.BeginObject().Member("address", region.row->Cell(kColumnAddress));
        WriteCellChanges(json, region.cells);
    } else {
        BeginRow(json, *region.row);
    }
    json.Member("change", FromUtf8(ChangeName(region.change))).EndObject();
}

}  // namespace

void BeginRow(JsonWriter& json, const MapRow& row) {
    json.BeginObject()
        .Member("address", row.Cell(kColumnAddress))
        .Member("size_kb", NumberIn(row.Cell(kColumnSize)))
        .Member("commit_kb", NumberIn(row.Cell(kColumnCommit)))
        .Member("blocks", NumberIn(row.Cell(kColumnBlocks)))
        .Key("cells")
        .BeginObject();
    for (int column = 0; column < kColumnCount; ++column)
        json.Member(CellKeys()[static_cast<std::size_t>(column)], row.Cell(column));
    json.EndObject();
}

std::string MapToJson(const MapRows& rows) {
    JsonWriter json;
    json.BeginObject().Key("allocations").BeginArray();
    bool open = false;  // an allocation whose regions are being written
    for (const MapRow& row : rows) {
        if (row.allocation) {
            if (open) json.EndArray().EndObject();
            BeginRow(json, row);
            json.Key("regions").BeginArray();
            open = true;
        } else if (open) {
            BeginRow(json, row);
            json.EndObject();
        }
    }
    if (open) json.EndArray().EndObject();
    json.EndArray().EndObject();
    return json.Take() + "\n";
}

std::string SummaryToJson(const MapRows& rows) {
    const std::vector<TypeTotals> totals = SummaryTotals(rows);
    JsonWriter json;
    json.BeginObject().Key("types").BeginArray();
    for (std::size_t i = 0; i + 1 < totals.size(); ++i) {
        json.BeginObject().Member("type", totals[i].type);
        WriteTotals(json, totals[i]);
        json.EndObject();
    }
    json.EndArray().Key("total").BeginObject();
    WriteTotals(json, totals.back());
    json.EndObject().EndObject();
    return json.Take() + "\n";
}

void WriteDifference(JsonWriter& json, const MapDifference& difference) {
    for (const Change kind : {Change::Added, Change::Removed, Change::Changed}) {
        json.Key(ChangeName(kind)).BeginArray();
        for (const RowChange& allocation : difference.allocations) {
            if (allocation.change != kind) continue;
            if (kind != Change::Changed) {
                BeginRow(json, *allocation.row);
                json.EndObject();
                continue;
            }
            json.BeginObject().Member("address", allocation.row->Cell(kColumnAddress));
            WriteCellChanges(json, allocation.cells);
            json.Key("regions").BeginArray();
            for (const RowChange& region : allocation.regions) WriteRegionChange(json, region);
            json.EndArray().EndObject();
        }
        json.EndArray();
    }
}

std::string DifferenceToJson(const MapDifference& difference) {
    JsonWriter json;
    json.BeginObject();
    WriteDifference(json, difference);
    json.EndObject();
    return json.Take() + "\n";
}

void WriteCells(JsonWriter& json, const std::vector<std::u16string>& captions, const std::vector<std::u16string>& cells) {
    json.BeginObject();
    for (std::size_t i = 0; i < captions.size() && i < cells.size(); ++i) {
        std::string name = ToUtf8(captions[i]);
        for (char& c : name) c = static_cast<char>(FoldAsciiCase(c));
        json.Member(name, cells[i]);
    }
    json.EndObject();
}

}  // namespace quarry::cli
