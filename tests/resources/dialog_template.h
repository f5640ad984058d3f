// Reads a compiled DLGTEMPLATEEX into plain records, so that a test can compare a whole
// dialog with what it should be, control by control.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quarry {

struct DialogControl {
    std::wstring className;  // upper case: see ParseDialogTemplateEx
    int id = 0;
    std::wstring text;  // "#n" when the template holds a resource ordinal (an icon's id)
    int x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t style = 0, exStyle = 0;
    bool operator==(const DialogControl&) const = default;
};

struct DialogTemplate {
    std::uint32_t style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, windowClass, caption;
    int pointSize = 0, weight = 0, italic = 0, charset = 0;
    std::wstring typeface;
    std::vector<DialogControl> controls;
    bool operator==(const DialogTemplate&) const = default;
};

// Returns nothing for anything but a well-formed extended template that fits in `bytes`.
// Window class names are case-insensitive and windres stores string class names in upper
// case, so every class comes back in upper case; predefined ordinals become their names.
std::optional<DialogTemplate> ParseDialogTemplateEx(std::span<const std::byte> bytes);

// Readable failure messages from GoogleTest.
void PrintTo(const DialogControl& control, std::ostream* out);
void PrintTo(const DialogTemplate& dialog, std::ostream* out);

}  // namespace quarry
