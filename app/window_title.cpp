#include "app/window_title.h"

#include "text/numbers.h"

namespace quarry {

std::u16string TargetTitle(std::optional<std::u16string_view> executableName, std::uint32_t processId) {
    std::u16string title = u"Quarry - [";
    title += executableName.value_or(kUnknownProcessName);
    title += u" (";
    AppendDecimal(title, processId);
    title += u")]";
    return title;
}

}  // namespace quarry
