// Reading the target's memory for a search: the readable regions of the ranges asked for,
// adjacent ones joined into runs, each run read in large chunks through ProcessMemory's rule
// and fed to the search in address order.
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

// Told after each chunk how many of the readable bytes are done (searched, or skipped because
// their read failed); false stops the search, as when the target has ended.
using SearchProgress = std::function<bool(std::uint64_t done, std::uint64_t readable)>;

// Searches the readable memory of `ranges` (in address order, not overlapping). Their regions
// are asked for first, to list the runs (a pair of addresses each) and know the total before
// the first read; regions that may be read and touch are one run, across ranges too. A read
// that fails (the region has gone or become unreadable since) ends its run silently, and the
// search goes on after the region that failed. True when every range was searched; false
// when the search or `progress` asked to stop.
bool SearchMemory(ProcessMemory& memory, std::span<const AddressRange> ranges, ChunkSearch& search,
                  const SearchProgress& progress);

}  // namespace quarry
