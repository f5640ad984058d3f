// Windows text is UTF-16 in wchar_t; the platform-neutral core holds the same units as
// char16_t. The casts between the two live here and nowhere else.
#pragma once

#include <string>
#include <string_view>

namespace quarry {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

inline const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline const wchar_t* AsWide(const std::u16string& text) { return AsWide(text.c_str()); }
inline wchar_t* AsWide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* AsUtf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
inline char16_t* AsUtf16(wchar_t* text) { return reinterpret_cast<char16_t*>(text); }

inline std::u16string ToUtf16(std::wstring_view text) { return {AsUtf16(text.data()), text.size()}; }
inline std::wstring ToWide(std::u16string_view text) { return {AsWide(text.data()), text.size()}; }

}  // namespace quarry
