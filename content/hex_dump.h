// The content pane's text: a hex dump of bytes read from the target.
#pragma once

#include <cstdint>
#include <string>

namespace quarry {

// Replaces `text` with the dump of `length` bytes: one 90-unit line per 16 bytes, then
// one closing line that holds the rest (or only blanks). `displayBase` is the target
// address of the first byte; it is printed, never dereferenced.
void FormatHexDump(const std::uint8_t* bytes, std::uint32_t length, std::uint64_t displayBase,
                   std::u16string& text);

}  // namespace quarry
