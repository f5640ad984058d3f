// A-Z case folding, free of the user's locale: names, paths and search texts compare alike
// on every system.
#pragma once

#include <string_view>

namespace quarry {

constexpr bool IsAsciiLetter(char32_t c) { return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'); }

// A-Z to a-z; every other unit stays.
constexpr char16_t FoldAsciiCase(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

constexpr bool EqualFoldingAscii(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
    return true;
}

constexpr bool StartsFoldingAscii(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && EqualFoldingAscii(text.substr(0, prefix.size()), prefix);
}

}  // namespace quarry
