// The memory map as plain rows, in the tree's order: each allocation row followed by its
// region rows, every cell as the tree shows it. QuarryMap records the walk into it, writes
// it out and reads it back from its own exports.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "memmap/map_columns.h"
#include "memmap/row_writer.h"

namespace quarry::cli {

struct MapRow {
    bool allocation = true;  // else a region of the allocation row before it
    std::uint64_t address = 0;
    std::array<std::optional<std::u16string>, kColumnCount> cells;  // nullopt: never set

    // A column as the table and the CSV show it, where an unset cell is as empty as an
    // empty one; a row as a list of its cells is QuotedCells(cells), as Copy writes it.
    std::u16string Cell(int column) const { return cells[static_cast<std::size_t>(column)].value_or(u""); }
    bool operator==(const MapRow&) const = default;
};

using MapRows = std::vector<MapRow>;

// Records what the walk writes, as the tree-list would show it.
class MapRecorder final : public RowWriter {
public:
    void SetRowsVisible(bool) override {}
    RowHandle InsertRow(const char16_t* text, RowHandle parent) override;
    void SetRowValue(RowHandle row, std::uint64_t value) override;
    bool SetCellText(RowHandle row, int column, const char16_t* text) override;
    bool SetRowColor(RowHandle, std::uint32_t) override { return true; }

    // The rows in the tree's order. The walk writes an allocation's regions right after it,
    // but a region may come later; they are placed under their allocation here.
    MapRows Rows() const;
    std::size_t RowCount() const { return rows_.size(); }

private:
    struct Recorded {
        MapRow row;
        std::size_t parent;  // index + 1 of the allocation row; 0 for allocations
    };
    Recorded* Find(RowHandle row);

    std::vector<Recorded> rows_;
};

// The number a Size, Commit or Blocks cell begins with ("1024 KB", "2"); 0 for an empty cell.
std::uint64_t NumberIn(const std::u16string& cell);

// The first address past a region row, from its Size cell; its own address when the cell
// cannot be read.
std::uint64_t RegionEnd(const MapRow& region);

// The allocation holding `address` with its regions, or nothing when none holds it. An
// allocation holds the addresses from its own up to the end of its last region.
std::optional<MapRows> AllocationHolding(const MapRows& rows, std::uint64_t address);

// The row of the region holding `address` (its allocation's row when it has none listed).
const MapRow* RegionHolding(const MapRows& rows, std::uint64_t address);

}  // namespace quarry::cli
