// The memory map's seven columns: what the tree-list's header shows, what the walk writes
// into each and what Copy reads, named once.
#pragma once

#include <array>

namespace quarry {

inline constexpr int kColumnAddress = 0;
inline constexpr int kColumnType = 1;
inline constexpr int kColumnSize = 2;
inline constexpr int kColumnCommit = 3;
inline constexpr int kColumnProtect = 4;
inline constexpr int kColumnBlocks = 5;
inline constexpr int kColumnDetails = 6;
inline constexpr int kColumnCount = 7;

enum class ColumnAlignment { Left, Right };

struct MapColumn {
    const char16_t* caption;
    int width;  // pixels
    ColumnAlignment alignment;
};

// Numbers read right-aligned so that their digits line up. Every column is set on both kinds
// of row but Blocks, which only allocation rows count.
inline constexpr std::array<MapColumn, kColumnCount> kMapColumns{{
    {u"Address", 145, ColumnAlignment::Left},
    {u"Type", 80, ColumnAlignment::Left},
    {u"Size", 70, ColumnAlignment::Right},
    {u"Commit", 70, ColumnAlignment::Right},
    {u"Protect", 100, ColumnAlignment::Left},
    {u"Blocks", 50, ColumnAlignment::Right},
    {u"Details", 200, ColumnAlignment::Left},
}};

}  // namespace quarry
