#include "content/content_pane.h"

#include <algorithm>

#include "content/hex_dump.h"

namespace quarry {

std::u16string RowMemoryText(ProcessMemory& memory, std::uint64_t address, std::span<std::uint8_t> page) {
    const std::optional<std::size_t> read = memory.Read(address, page);
    if (!read) return kReadFailedText;
    // Never more than the buffer holds, whatever the count claims.
    const std::size_t length = std::min(*read, page.size());
    std::u16string text;
    FormatHexDump(page.data(), static_cast<std::uint32_t>(length), address, text);
    return text;
}

}  // namespace quarry
