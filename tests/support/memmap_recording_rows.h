// A RowWriter that keeps the rows it is given, so that tests compare whole trees as text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "memmap/map_columns.h"
#include "memmap/row_writer.h"

namespace quarry::test {

// Readable in a failing comparison; the tests' texts are ASCII.
inline std::string Narrow(std::u16string_view text) {
    std::string narrow;
    for (const char16_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

inline std::string Hex16(std::uint64_t value) {
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = "0123456789ABCDEF"[value & 0xF];
    return text;
}

class RecordingRowWriter final : public RowWriter {
public:
    struct Row {
        RowHandle parent = kNoRow;
        std::uint64_t value = 0;
        std::array<std::optional<std::u16string>, kColumnCount> cells;
        std::uint32_t colour = 0xFFFFFF;
    };
    std::vector<Row> rows;  // row handle h is rows[h - 1]
    bool visible = true;
    int writesWhileVisible = 0;

    void SetRowsVisible(bool show) override { visible = show; }
    RowHandle InsertRow(const char16_t* text, RowHandle parent) override {
        if (Write(parent) == nullptr && parent != kNoRow) return kNoRow;
        rows.push_back({parent, 0, {text ? text : u""}, 0xFFFFFF});
        return rows.size();
    }
    void SetRowValue(RowHandle row, std::uint64_t value) override {
        if (Row* r = Write(row)) r->value = value;
    }
    bool SetCellText(RowHandle row, int column, const char16_t* text) override {
        Row* r = Write(row);
        if (r == nullptr || column < 0 || column >= kColumnCount) return false;
        r->cells[static_cast<std::size_t>(column)] = text ? text : u"";
        return true;
    }
    bool SetRowColor(RowHandle row, std::uint32_t colour) override {
        Row* r = Write(row);
        return r && (r->colour = colour, true);
    }

    // One line a row in tree order, region rows indented under their allocation row: the
    // cells joined by " | " ("-" never set, "" empty), then the colour; a row whose value is
    // not the address in its first cell says so. Only the allocation at `base` if one is given.
    std::vector<std::string> Lines(std::optional<std::uint64_t> base = std::nullopt) const {
        std::vector<std::string> lines;
        for (RowHandle top = 1; top <= rows.size(); ++top) {
            if (rows[top - 1].parent != kNoRow || (base && rows[top - 1].value != *base)) continue;
            lines.push_back(Line(rows[top - 1]));
            for (const Row& row : rows)
                if (row.parent == top) lines.push_back("  " + Line(row));
        }
        return lines;
    }

private:
    Row* Write(RowHandle row) {
        writesWhileVisible += visible;
        return row != kNoRow && row <= rows.size() ? &rows[row - 1] : nullptr;
    }

    static std::string Line(const Row& row) {
        std::string line;
        for (const std::optional<std::u16string>& cell : row.cells)
            line += (!cell ? "-" : cell->empty() ? "\"\"" : Narrow(*cell)) + " | ";
        line += Hex16(row.colour).substr(10);
        if (!row.cells[0] || Narrow(*row.cells[0]) != Hex16(row.value)) line += " value=" + Hex16(row.value);
        return line;
    }
};

}  // namespace quarry::test
