// UTF-16, the program's own text, to and from UTF-8, the text of files and pipes.
#pragma once

#include <string>
#include <string_view>

namespace quarry {

// A lone half of a surrogate pair has no UTF-8 form: it becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Bytes that are no UTF-8 become U+FFFD, one for each.
std::u16string FromUtf8(std::string_view text);

}  // namespace quarry
