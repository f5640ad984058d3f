// Reading the target's memory for a search: the readable regions of the ranges asked for, in
// address order, each read in large chunks through ProcessMemory's rule and fed to the search;
// adjacent readable regions make one run, so a hit may cross from one into the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "content/memory_search.h"
#include "memmap/process_memory.h"

namespace quarry {

// Under Wine a read of another process costs about as much for 4 KiB as for far more: large
// reads are what make a search fast.
inline constexpr std::size_t kSearchChunkSize = std::size_t{1} << 20;

struct AddressRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;  // one past the last byte
};

// Told after each step how many committed bytes of the ranges are done: searched, or passed
// over because they may not be read or their read failed. False stops the search, as when
// the target has ended.
using SearchProgress = std::function<bool(std::uint64_t committedDone)>;

// Searches the readable memory of `ranges` (in address order, not overlapping; ranges that
// touch are read as one). Each region is asked for just before its first read, once: under
// Wine a question costs a fifth of a 1 MiB read, so the search does not list the regions
// first. A read that fails (the region has gone or become unreadable since) ends its run
// silently, and the search goes on after the region that failed. True when every range was
// searched; false when the search or `progress` asked to stop.
bool SearchMemory(ProcessMemory& memory, std::span<const AddressRange> ranges, ChunkSearch& search,
                  const SearchProgress& progress);

}  // namespace quarry
