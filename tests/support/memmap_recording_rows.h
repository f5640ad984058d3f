// A RowWriter that keeps the rows it is given, so that tests can compare whole trees as text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "memmap/memory_map.h"
#include "treelist/row_writer.h"

namespace quarry::test {

// Readable in a failing comparison; the tests' texts are ASCII.
inline std::string Narrow(std::u16string_view text) {
    std::string narrow;
    for (const char16_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

inline std::string Hex(std::uint64_t value, int digits) {
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = "0123456789ABCDEF"[value & 0xF];
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

    void SetRowsVisible(bool visible) override { visible_ = visible; }

    RowHandle InsertRow(const char16_t* text, RowHandle parent) override {
        NoteWrite();
        if (parent != kNoRow && !Holds(parent)) return kNoRow;
        Row& row = rows_.emplace_back();
        row.parent = parent;
        row.cells[0] = text ? text : u"";
        return rows_.size();
    }
    void SetRowValue(RowHandle row, std::uint64_t value) override {
        NoteWrite();
        if (Holds(row)) Mutable(row).value = value;
    }
    bool SetCellText(RowHandle row, int column, const char16_t* text) override {
        NoteWrite();
        if (!Holds(row) || column < 0 || column >= kColumnCount) return false;
        Mutable(row).cells[static_cast<std::size_t>(column)] = text ? text : u"";
        return true;
    }
    bool SetRowColor(RowHandle row, std::uint32_t colour) override {
        NoteWrite();
        if (!Holds(row)) return false;
        Mutable(row).colour = colour;
        return true;
    }

    bool Visible() const { return visible_; }
    int WritesWhileVisible() const { return writesWhileVisible_; }
    const std::vector<Row>& Rows() const { return rows_; }
    const Row& At(RowHandle row) const { return rows_[row - 1]; }

    // The tree, one line a row in tree order: region rows indented under their allocation
    // row, the cells joined by " | " ("-" for a cell never set, "" for an empty one), then the
    // colour; a row whose value is not the address in its first cell says so at the end.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (RowHandle row = 1; row <= rows_.size(); ++row)
            if (At(row).parent == kNoRow) AppendAllocation(lines, row);
        return lines;
    }

    // The lines of the allocation row at `address` and its region rows; none if there is no such row.
    std::vector<std::string> AllocationLines(std::uint64_t address) const {
        std::vector<std::string> lines;
        for (RowHandle row = 1; row <= rows_.size(); ++row)
            if (At(row).parent == kNoRow && At(row).value == address) AppendAllocation(lines, row);
        return lines;
    }

    std::size_t AllocationCount() const {
        std::size_t count = 0;
        for (const Row& row : rows_) count += row.parent == kNoRow;
        return count;
    }

private:
    bool Holds(RowHandle row) const { return row != kNoRow && row <= rows_.size(); }
    Row& Mutable(RowHandle row) { return rows_[row - 1]; }
    void NoteWrite() { writesWhileVisible_ += visible_; }

    void AppendAllocation(std::vector<std::string>& lines, RowHandle allocation) const {
        lines.push_back(Line(At(allocation), ""));
        for (RowHandle row = allocation + 1; row <= rows_.size(); ++row)
            if (At(row).parent == allocation) lines.push_back(Line(At(row), "  "));
    }

    static std::string Line(const Row& row, const char* indent) {
        std::string line = indent;
        for (const std::optional<std::u16string>& cell : row.cells) {
            if (!cell)
                line += "-";
            else if (cell->empty())
                line += "\"\"";
            else
                line += Narrow(*cell);
            line += " | ";
        }
        line += Hex(row.colour, 6);
        if (row.cells[0] != std::u16string(Hex16(row.value))) line += " value=" + Hex(row.value, 16);
        return line;
    }
    static std::u16string Hex16(std::uint64_t value) {
        const std::string text = Hex(value, 16);
        return std::u16string(text.begin(), text.end());
    }

    std::vector<Row> rows_;
    bool visible_ = true;
    int writesWhileVisible_ = 0;
};

}  // namespace quarry::test
