#include "cli/map_rows.h"

#include <algorithm>

namespace quarry::cli {

RowHandle MapRecorder::InsertRow(const char16_t* text, RowHandle parent) {
    if (parent != kNoRow && (parent > rows_.size() || !rows_[parent - 1].row.allocation)) return kNoRow;
    Recorded recorded{{parent == kNoRow, 0, {}}, parent};
    recorded.row.cells[kColumnAddress] = text ? std::u16string(text) : u"";
    rows_.push_back(std::move(recorded));
    return rows_.size();  // the handle is the index + 1, so that 0 stays "no row"
}

MapRecorder::Recorded* MapRecorder::Find(RowHandle row) {
    return row == kNoRow || row > rows_.size() ? nullptr : &rows_[row - 1];
}

void MapRecorder::SetRowValue(RowHandle row, std::uint64_t value) {
    if (Recorded* recorded = Find(row)) recorded->row.address = value;
}

bool MapRecorder::SetCellText(RowHandle row, int column, const char16_t* text) {
    Recorded* recorded = Find(row);
    if (!recorded || column < 0 || column >= kColumnCount || !text) return false;
    recorded->row.cells[static_cast<std::size_t>(column)] = std::u16string(text);
    return true;
}

MapRows MapRecorder::Rows() const {
    std::vector<std::vector<std::size_t>> children(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].parent) children[rows_[i].parent - 1].push_back(i);
    MapRows ordered;
    ordered.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].parent) continue;
        ordered.push_back(rows_[i].row);
        for (const std::size_t child : children[i]) ordered.push_back(rows_[child].row);
    }
    return ordered;
}

std::uint64_t NumberIn(const std::u16string& cell) {
    std::uint64_t number = 0;
    for (const char16_t c : cell) {
        if (c < u'0' || c > u'9') break;
        number = number * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    return number;
}

std::uint64_t RegionEnd(const MapRow& region) { return region.address + (NumberIn(region.Cell(kColumnSize)) << 10); }

std::optional<MapRows> AllocationHolding(const MapRows& rows, std::uint64_t address) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].allocation || rows[i].address > address) continue;
        std::size_t end = i + 1;
        while (end < rows.size() && !rows[end].allocation) ++end;
        const bool holds = end > i + 1 ? address < RegionEnd(rows[end - 1]) : address == rows[i].address;
        if (holds) return MapRows(rows.begin() + static_cast<std::ptrdiff_t>(i), rows.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return std::nullopt;
}

const MapRow* RegionHolding(const MapRows& rows, std::uint64_t address) {
    for (const MapRow& row : rows)
        if (!row.allocation && row.address <= address && address < RegionEnd(row)) return &row;
    return nullptr;
}

}  // namespace quarry::cli
