// RowWriters for the baselines: one that only counts what the walk writes, so that timing
// the walk into it measures the walk alone, and one that keeps the shape of the tree (each
// row's parent and label), so that the bare tree-view can be given the very same rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "memmap/row_writer.h"

namespace quarry::bench {

class CountingRowWriter final : public RowWriter {
public:
    void SetRowsVisible(bool) override {}
    // Rows need handles of their own: the walk writes no region row without its allocation row.
    RowHandle InsertRow(const char16_t*, RowHandle parent) override {
        allocations += parent == kNoRow;
        return ++rows;
    }
    void SetRowValue(RowHandle, std::uint64_t) override {}
    bool SetCellText(RowHandle, int, const char16_t*) override {
        ++cellWrites;
        return true;
    }
    bool SetRowColor(RowHandle, std::uint32_t) override { return true; }

    std::size_t rows = 0;
    std::size_t allocations = 0;
    std::size_t cellWrites = 0;
};

// Row i's parent is an index into the same list (or kNoParent) and its label the 16-digit address.
struct PlannedRow {
    static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);
    std::size_t parent = kNoParent;
    std::array<char16_t, 17> label{};
    std::uint64_t value = 0;
};

class RowPlanRecorder final : public RowWriter {
public:
    void SetRowsVisible(bool) override {}
    RowHandle InsertRow(const char16_t* text, RowHandle parent) override {
        PlannedRow& row = plan.emplace_back();
        row.parent = parent == kNoRow ? PlannedRow::kNoParent : parent - 1;
        for (std::size_t i = 0; i + 1 < row.label.size() && text[i] != u'\0'; ++i) row.label[i] = text[i];
        return plan.size();
    }
    void SetRowValue(RowHandle row, std::uint64_t value) override { plan[row - 1].value = value; }
    bool SetCellText(RowHandle, int, const char16_t*) override { return true; }
    bool SetRowColor(RowHandle, std::uint32_t) override { return true; }

    std::vector<PlannedRow> plan;
};

}  // namespace quarry::bench
