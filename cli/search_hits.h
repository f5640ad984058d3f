// What QuarryMap's memory searches report about each hit: where it lies in the map (the
// region's type and protection, the allocation's Details and the region's own), and the
// bytes or the string found there, as a line of text or of CSV. Platform-neutral.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/map_rows.h"
#include "content/memory_search.h"
#include "content/search_reader.h"

namespace quarry::cli {

// The region rows of a map by address, for finding the one that holds a hit.
class MapIndex {
public:
    // `rows` must outlive the index.
    explicit MapIndex(const MapRows& rows);

    struct Place {
        const MapRow* allocation = nullptr;
        const MapRow* region = nullptr;
        std::uint64_t regionEnd = 0;
    };
    std::optional<Place> Find(std::uint64_t address) const;

    // What a search goes through: from each allocation's base to the end of its last
    // region, for the allocations whose Type is one of `types` (A-Z folded), or all of them
    // when `types` is empty; and how much of that the map shows committed.
    struct Searched {
        std::vector<AddressRange> ranges;
        std::uint64_t committed = 0;
    };
    Searched Ranges(const std::vector<std::u16string>& types) const;

private:
    struct Entry {
        std::uint64_t begin, end;
        std::size_t allocation, region;  // indexes into the rows
    };
    const MapRows& rows_;
    std::vector<Entry> entries_;  // in address order
};

// The columns of a hit and of a string, the last one aside.
inline const std::vector<std::u16string> kHitCaptions = {u"Address", u"Type", u"Protect", u"Details", u"Bytes"};
inline const std::vector<std::u16string> kStringCaptions = {u"Address", u"Type", u"Protect", u"Details", u"Encoding",
                                                            u"Text"};

// The bytes a hit shows: one line of the hex dump.
inline constexpr std::size_t kHexLineBytes = 16;

// A hit's cells: its address, where it is, and `bytes` (at most kHexLineBytes, from the hit
// on) as the hex dump writes them, hex and characters.
std::vector<std::u16string> HitCells(const MapIndex::Place& place, std::uint64_t address,
                                     std::span<const std::uint8_t> bytes);
std::vector<std::u16string> StringCells(const MapIndex::Place& place, const StringHit& hit);

// The cells two spaces apart, for people; "\n" at the end.
std::u16string TextLine(const std::vector<std::u16string>& cells);

}  // namespace quarry::cli
