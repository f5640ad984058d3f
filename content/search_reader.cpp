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

// The readable parts of `ranges` as runs, one pair of addresses each, so that the total is
// known before the first read; regions that touch join, across ranges too.
std::vector<AddressRange> ReadableRuns(ProcessMemory& memory, std::span<const AddressRange> ranges) {
    std::vector<AddressRange> runs;
    for (const AddressRange& range : ranges) {
        for (std::uint64_t at = range.begin; at < range.end;) {
            RegionInfo region;
            // A target that cannot say, or an answer that does not hold `at`: nothing more
            // can be learnt about this range.
            if (!memory.QueryRegion(at, region) || !RegionHolds(region, at)) break;
            const std::uint64_t end = std::min(RegionEnd(region), range.end);
            if (MayRead(region)) {
                if (!runs.empty() && runs.back().end == at) runs.back().end = end;
                else runs.push_back({at, end});
            }
            at = end;
        }
    }
    return runs;
}

class RunReader {
public:
    RunReader(ProcessMemory& memory, ChunkSearch& search, const SearchProgress& progress, std::uint64_t readable)
        : memory_(memory), search_(search), progress_(progress), readable_(readable), chunk_(kSearchChunkSize) {}

    // False once the search or the progress asked to stop.
    bool Search(const AddressRange& run) {
        for (std::uint64_t at = run.begin; at < run.end && !stopped_;) {
            const std::uint64_t next = Step(at, run.end);
            done_ += next - at;
            at = next;
            if (progress_ && !progress_(done_, readable_)) stopped_ = true;
        }
        if (!search_.EndRun()) stopped_ = true;
        return !stopped_;
    }

private:
    // Reads and feeds the chunk at `at`; where the search goes on.
    std::uint64_t Step(std::uint64_t at, std::uint64_t end) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(chunk_.size(), end - at));
        // The region is asked for at its first chunk, and its answer serves the chunks after
        // it: under Wine each question costs a fifth of a 1 MiB read.
        RegionInfo asked;
        if (!current_ || !RegionHolds(*current_, at)) current_ = memory_.QueryRegion(at, asked) ? std::optional(asked) : std::nullopt;
        if (const auto read = ReadChunk(at, size, current_ ? &*current_ : nullptr)) return Fed(at, *read);
        current_.reset();
        // Which region failed: the one at `at`, if alone it now cannot be read, or one after it.
        RegionInfo region;
        const bool known = memory_.QueryRegion(at, region) && RegionHolds(region, at);
        const std::uint64_t regionEnd = known ? std::min(RegionEnd(region), end) : at + size;
        if (known && MayRead(region) && regionEnd < at + size)
            if (const auto read = ReadChunk(at, static_cast<std::size_t>(regionEnd - at), &region)) return Fed(at, *read);
        if (!search_.EndRun()) stopped_ = true;
        // A region that still looks readable loses only this chunk; one that cannot be read
        // any more is passed over whole.
        return known && !MayRead(region) ? regionEnd : std::min(regionEnd, at + size);
    }

    std::optional<std::size_t> ReadChunk(std::uint64_t at, std::size_t size, const RegionInfo* known) {
        const std::optional<std::size_t> read = memory_.Read(at, std::span(chunk_).first(size), known);
        // A read that claims success with no bytes would never move the search on: it failed.
        if (!read || *read == 0 || *read > size) return std::nullopt;
        return read;
    }

    std::uint64_t Fed(std::uint64_t at, std::size_t size) {
        if (!search_.Feed(at, std::span(chunk_).first(size))) stopped_ = true;
        return at + size;
    }

    ProcessMemory& memory_;
    ChunkSearch& search_;
    const SearchProgress& progress_;
    const std::uint64_t readable_;
    std::uint64_t done_ = 0;
    std::vector<std::uint8_t> chunk_;
    std::optional<RegionInfo> current_;  // the region of the last chunk, as asked at its first
    bool stopped_ = false;
};

}  // namespace

bool SearchMemory(ProcessMemory& memory, std::span<const AddressRange> ranges, ChunkSearch& search,
                  const SearchProgress& progress) {
    const std::vector<AddressRange> runs = ReadableRuns(memory, ranges);
    std::uint64_t readable = 0;
    for (const AddressRange& run : runs) readable += run.end - run.begin;
    RunReader reader(memory, search, progress, readable);
    for (const AddressRange& run : runs)
        if (!reader.Search(run)) return false;
    return true;
}

}  // namespace quarry
