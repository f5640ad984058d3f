#include "content/search_reader.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace quarry {
namespace {

// Where the region ends; the last region of the address space ends at its top.
std::uint64_t RegionEnd(const RegionInfo& region) {
    const std::uint64_t room = std::numeric_limits<std::uint64_t>::max() - region.baseAddress;
    return region.baseAddress + std::min(region.regionSize, room);
}

// The ranges with those that touch joined, so that reads do not stop at their seams.
std::vector<AddressRange> Joined(std::span<const AddressRange> ranges) {
    std::vector<AddressRange> joined;
    for (const AddressRange& range : ranges) {
        if (range.begin >= range.end) continue;
        if (!joined.empty() && joined.back().end == range.begin) joined.back().end = range.end;
        else joined.push_back(range);
    }
    return joined;
}

class RangeReader {
public:
    RangeReader(ProcessMemory& memory, ChunkSearch& search, const SearchProgress& progress)
        : memory_(memory), search_(search), progress_(progress), chunk_(kSearchChunkSize) {}

    // False once the search or the progress asked to stop.
    bool Search(const AddressRange& range) {
        for (std::uint64_t at = range.begin; at < range.end && !stopped_;) {
            RegionInfo region;
            if (current_ && RegionHolds(*current_, at)) region = *current_;
            // A target that cannot say, or an answer that does not hold `at`: nothing more
            // can be learnt about this range.
            else if (!memory_.QueryRegion(at, region) || !RegionHolds(region, at)) break;
            const std::uint64_t next = MayRead(region) ? Step(at, range.end, region) : PassOver(range.end, region);
            if (region.state == kMemCommit) done_ += next - at;
            at = next;
            if (progress_ && !progress_(done_)) stopped_ = true;
        }
        EndRun();
        return !stopped_;
    }

private:
    // A region that may not be read ends the run; where the search goes on.
    std::uint64_t PassOver(std::uint64_t end, const RegionInfo& region) {
        EndRun();
        return std::min(RegionEnd(region), end);
    }

    // Reads and feeds the chunk at `at`, in `region`, which has just been asked for; where
    // the search goes on. The chunk may go on into the regions after it, which the read asks
    // for, up to one that may not be read; the last of them serves the next step.
    std::uint64_t Step(std::uint64_t at, std::uint64_t end, const RegionInfo& region) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(chunk_.size(), end - at));
        const std::uint64_t regionEnd = std::min(RegionEnd(region), end);
        RegionInfo last;
        current_.reset();
        if (const auto read = ReadChunk(at, size, region, &last)) {
            current_ = last;
            return Fed(at, *read);
        }
        // A read that failed across regions (the last one asked, if it may not be read, was
        // not part of it): this region alone may still read.
        const std::uint64_t tried = MayRead(last) ? std::min(RegionEnd(last), at + size) : last.baseAddress;
        if (regionEnd < tried)
            if (const auto read = ReadChunk(at, static_cast<std::size_t>(regionEnd - at), region, nullptr))
                return Fed(at, *read);
        EndRun();
        // A region that still looks readable loses only this chunk; one that cannot be read
        // any more is passed over whole.
        RegionInfo now;
        const bool readable = memory_.QueryRegion(at, now) && RegionHolds(now, at) && MayRead(now);
        return readable ? std::min(regionEnd, at + size) : regionEnd;
    }

    std::optional<std::size_t> ReadChunk(std::uint64_t at, std::size_t size, const RegionInfo& region, RegionInfo* last) {
        const std::optional<std::size_t> read = memory_.ReadReadable(at, std::span(chunk_).first(size), &region, last);
        // A read that claims success with no bytes would never move the search on: it failed.
        if (!read || *read == 0 || *read > size) return std::nullopt;
        return read;
    }

    std::uint64_t Fed(std::uint64_t at, std::size_t size) {
        if (!search_.Feed(at, std::span(chunk_).first(size))) stopped_ = true;
        return at + size;
    }

    void EndRun() {
        if (!search_.EndRun()) stopped_ = true;
    }

    ProcessMemory& memory_;
    ChunkSearch& search_;
    const SearchProgress& progress_;
    std::uint64_t done_ = 0;
    std::vector<std::uint8_t> chunk_;
    std::optional<RegionInfo> current_;  // the region the last read ended in, as it asked
    bool stopped_ = false;
};

}  // namespace

bool SearchMemory(ProcessMemory& memory, std::span<const AddressRange> ranges, ChunkSearch& search,
                  const SearchProgress& progress) {
    RangeReader reader(memory, search, progress);
    for (const AddressRange& range : Joined(ranges))
        if (!reader.Search(range)) return false;
    return true;
}

}  // namespace quarry
