// What the program's own heap holds: the benchmark replaces operator new and delete to keep
// count, so that the tree-list's store can be weighed. Windows' controls allocate from their
// own heaps and are not counted.
#pragma once

#include <cstddef>

namespace quarry::bench {

// Bytes the heap spends on the blocks alive now: each block's size rounded up to 16 bytes
// plus the 16-byte header a 64-bit Windows heap puts before it.
std::size_t LiveHeapBytes();
std::size_t LiveHeapBlocks();

}  // namespace quarry::bench
