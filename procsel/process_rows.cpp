#include "procsel/process_rows.h"

namespace quarry {
namespace {

constexpr std::u16string_view kDosDevicesPrefix = u"\\??\\";
constexpr std::u16string_view kSystemRootPrefix = u"\\Systemroot";
constexpr std::u16string_view kSystemRootVariable = u"%SystemRoot%";

std::optional<ImagePath> Fitting(ImagePath path) {
    if (!FitsProcessText(path.text.size())) return std::nullopt;
    return path;
}

}  // namespace

std::optional<ImagePath> RewriteImagePath(std::u16string_view path) {
    if (StartsFoldingAscii(path, kDosDevicesPrefix))
        return Fitting({std::u16string(path.substr(kDosDevicesPrefix.size())), false});
    if (StartsFoldingAscii(path, kSystemRootPrefix))
        return Fitting({std::u16string(kSystemRootVariable) += path.substr(kSystemRootPrefix.size()), true});
    return Fitting({std::u16string(path), false});
}

std::optional<std::u16string> FormatAccountText(std::u16string_view domain, std::u16string_view user) {
    std::u16string text(domain);
    text += u'\\';
    text += user;
    if (!FitsProcessText(text.size())) return std::nullopt;
    return text;
}

ColumnSort ToggleColumnSort(int column, std::uint32_t format) {
    const SortState sorted = static_cast<SortState>(column) & ~kSortAscending;
    const std::uint32_t arrowless = format & ~(kHeaderSortUp | kHeaderSortDown);
    if (format & kHeaderSortDown) return {sorted | kSortAscending, arrowless | kHeaderSortUp};
    return {sorted, arrowless | kHeaderSortDown};
}

SortKey SortKeyOf(SortState state) {
    switch (SortedColumn(state)) {
        case kNameColumn:
        case kUserColumn: return SortKey::Text;
        case kProcessIdColumn: return SortKey::ProcessId;
        default: return SortKey::None;
    }
}

int CompareNamesNoCase(std::u16string_view a, std::u16string_view b) {
    for (std::size_t i = 0;; ++i) {
        // Past its end a text reads as its terminator, 0.
        const int unitA = i < a.size() ? FoldAsciiCase(a[i]) : 0;
        const int unitB = i < b.size() ? FoldAsciiCase(b[i]) : 0;
        if (unitA != unitB || unitA == 0) return unitA - unitB;
    }
}

int CompareProcessIds(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b); }

int ApplySortDirection(int comparison, SortState state) {
    const int sign = (comparison > 0) - (comparison < 0);
    return (state & kSortAscending) ? sign : -sign;
}

int CompareProcessRows(const ProcessRowKey& a, const ProcessRowKey& b, SortState state) {
    switch (SortKeyOf(state)) {
        case SortKey::Text: return ApplySortDirection(CompareNamesNoCase(a.text, b.text), state);
        case SortKey::ProcessId: return ApplySortDirection(CompareProcessIds(a.processId, b.processId), state);
        case SortKey::None: break;
    }
    return 0;
}

}  // namespace quarry
