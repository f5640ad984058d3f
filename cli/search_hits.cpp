#include "cli/search_hits.h"

#include <algorithm>

#include "content/hex_dump.h"
#include "text/ascii.h"
#include "text/numbers.h"

namespace quarry::cli {
namespace {

constexpr std::size_t kDumpAddressWidth = 16 + 4;  // the dump line's address and its gap

// The allocation's Details, then the region's own when it says more.
std::u16string WhereItIs(const MapIndex::Place& place) {
    std::u16string details = place.allocation->Cell(kColumnDetails);
    const std::u16string own = place.region->Cell(kColumnDetails);
    if (!own.empty() && own != details) details += (details.empty() ? u"" : u" ") + own;
    return details;
}

std::vector<std::u16string> PlaceCells(const MapIndex::Place& place, std::uint64_t address) {
    std::u16string text;
    AppendAddress(text, address);
    return {text, place.region->Cell(kColumnType), place.region->Cell(kColumnProtect), WhereItIs(place)};
}

}  // namespace

MapIndex::MapIndex(const MapRows& rows) : rows_(rows) {
    std::size_t allocation = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].allocation) allocation = i;
        else entries_.push_back({rows[i].address, RegionEnd(rows[i]), allocation, i});
    }
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.begin < b.begin; });
}

std::optional<MapIndex::Place> MapIndex::Find(std::uint64_t address) const {
    auto after = std::upper_bound(entries_.begin(), entries_.end(), address,
                                  [](std::uint64_t at, const Entry& entry) { return at < entry.begin; });
    if (after == entries_.begin()) return std::nullopt;
    const Entry& entry = *--after;
    if (address >= entry.end) return std::nullopt;
    return Place{&rows_[entry.allocation], &rows_[entry.region], entry.end};
}

MapIndex::Searched MapIndex::Ranges(const std::vector<std::u16string>& types) const {
    Searched searched;
    std::vector<AddressRange>& ranges = searched.ranges;
    for (const Entry& entry : entries_) {
        const std::u16string type = rows_[entry.allocation].Cell(kColumnType);
        const auto wanted = [&type](const std::u16string& asked) { return EqualFoldingAscii(type, asked); };
        if (!types.empty() && std::none_of(types.begin(), types.end(), wanted)) continue;
        if (!ranges.empty() && ranges.back().end == entry.begin) ranges.back().end = entry.end;
        else ranges.push_back({entry.begin, entry.end});
        searched.committed += NumberIn(rows_[entry.region].Cell(kColumnCommit)) << 10;
    }
    return searched;
}

std::vector<std::u16string> HitCells(const MapIndex::Place& place, std::uint64_t address,
                                     std::span<const std::uint8_t> bytes) {
    std::vector<std::u16string> cells = PlaceCells(place, address);
    bytes = bytes.first(std::min(bytes.size(), kHexLineBytes));
    std::u16string dump;
    FormatHexDump(bytes.data(), static_cast<std::uint32_t>(bytes.size()), address, dump);
    // The first line, without its address and line end; a short one has blank slots at the end.
    dump.erase(dump.find(u"\r\n"));
    dump.erase(0, kDumpAddressWidth);
    dump.erase(dump.find_last_not_of(u' ') + 1);
    cells.push_back(bytes.empty() ? u"" : dump);
    return cells;
}

std::vector<std::u16string> StringCells(const MapIndex::Place& place, const StringHit& hit) {
    std::vector<std::u16string> cells = PlaceCells(place, hit.address);
    cells.push_back(std::u16string(1, static_cast<char16_t>(hit.encoding)));
    cells.push_back({hit.text.begin(), hit.text.end()});
    return cells;
}

std::u16string TextLine(const std::vector<std::u16string>& cells) {
    std::u16string line;
    for (const std::u16string& cell : cells) {
        if (cell.empty()) continue;
        line += (line.empty() ? u"" : u"  ") + cell;
    }
    return line + u"\n";
}

}  // namespace quarry::cli
