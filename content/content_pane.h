// What the content pane shows for a row: the hex dump of the first page at the row's
// address, or a fixed message when that page cannot be read.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "memmap/process_memory.h"

namespace quarry {

inline constexpr char16_t kReadFailedText[] = u"Failed to read process memory";

// Reads page.size() bytes at `address` into `page`, never the region's size, and returns
// the dump of the bytes read, addressed from `address`; the message when the read fails.
std::u16string RowMemoryText(ProcessMemory& memory, std::uint64_t address, std::span<std::uint8_t> page);

}  // namespace quarry
