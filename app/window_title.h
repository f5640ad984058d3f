// The main window's titles: without a target, and with the target process it shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarry {

// The main window's title while no target is open.
inline constexpr char16_t kNoTargetTitle[] = u"Quarry - Tellwick";

// Stands for the name of a process that was gone from the process snapshot by the time its
// name was looked up: the title must not show a stale or made-up name.
inline constexpr char16_t kUnknownProcessName[] = u"(unknown)";

// "Quarry - [name (id)]", the id in decimal; kUnknownProcessName without a name.
std::u16string TargetTitle(std::optional<std::u16string_view> executableName, std::uint32_t processId);

}  // namespace quarry
