// What the process list's rows hold and how they sort, free of the system: the image path
// handed to the shell for a row's icon, the account text and the column comparisons.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/ascii.h"  // process names and paths compare with A-Z folded, whatever the locale

namespace quarry {

// Capacity, terminator included, of the list's path, account and column-text buffers.
inline constexpr std::size_t kProcessTextCapacity = 260;

constexpr bool FitsProcessText(std::size_t length) { return length < kProcessTextCapacity; }

// --- Image path ---------------------------------------------------------------------------

// The System process has no executable of its own; the kernel image stands in for it.
inline constexpr std::uint32_t kSystemProcessId = 4;
inline constexpr char16_t kKernelImagePath[] = u"\\Systemroot\\System32\\ntoskrnl.exe";

struct ImagePath {
    std::u16string text;
    bool needsExpansion = false;  // begins with %SystemRoot%, for the system to expand
};

// Turns the system's native prefixes into a path the shell understands. At most one rule
// applies, in this order, prefixes compared with A-Z folded: "\??\" is removed; otherwise
// "\Systemroot" becomes "%SystemRoot%". Nothing when the result would not fit the path
// buffer: the row then goes without an icon rather than showing another file's.
std::optional<ImagePath> RewriteImagePath(std::u16string_view path);

// --- Account ------------------------------------------------------------------------------

// "domain\user". Nothing when it would not fit: an empty column is better than a cut-off
// name that may name somebody else.
std::optional<std::u16string> FormatAccountText(std::u16string_view domain, std::u16string_view user);

// --- Rows ---------------------------------------------------------------------------------

inline constexpr int kNameColumn = 0;
inline constexpr int kProcessIdColumn = 1;
inline constexpr int kUserColumn = 2;
inline constexpr int kProcessColumnCount = 3;

// The columns' titles, in the list's order.
inline constexpr std::array<const char16_t*, kProcessColumnCount> kProcessColumnTitles = {u"Process Name", u"PID",
                                                                                         u"User Name"};

// A process as the list shows it.
struct ListedProcess {
    std::uint32_t id = 0;
    std::u16string name;  // the executable's file name
    std::u16string user;  // "domain\user"; empty when it cannot be known
};

// --- Sorting ------------------------------------------------------------------------------

// The sorted column in the low 31 bits; the top bit set for ascending order.
using SortState = std::uint32_t;
inline constexpr SortState kSortAscending = 0x80000000;

// The header's arrow flags (HDF_SORTUP, HDF_SORTDOWN), restated by value.
inline constexpr std::uint32_t kHeaderSortUp = 0x0400;
inline constexpr std::uint32_t kHeaderSortDown = 0x0200;

struct ColumnSort {
    SortState state;
    std::uint32_t format;  // the clicked header item's new format
};

// A click on `column`, whose header item has `format`: a down arrow turns the order
// ascending, anything else (no arrow, up arrow) descending, so a first click sorts
// descending.
ColumnSort ToggleColumnSort(int column, std::uint32_t format);

enum class SortKey { Text, ProcessId, None };

constexpr int SortedColumn(SortState state) { return static_cast<int>(state & ~kSortAscending); }
SortKey SortKeyOf(SortState state);

// A-Z folded to a-z, then UTF-16 units as unsigned numbers; the first difference decides,
// and a text that ends first is the smaller.
int CompareNamesNoCase(std::u16string_view a, std::u16string_view b);

// The difference of the ids read as a signed 32-bit number, so ids compare as numbers.
int CompareProcessIds(std::uint32_t a, std::uint32_t b);

// The comparison's sign in the state's direction; a sign, not a product, so that turning
// the smallest 32-bit difference around cannot overflow.
int ApplySortDirection(int comparison, SortState state);

// What a row is sorted by: its process id and its text in the sorted column.
struct ProcessRowKey {
    std::uint32_t processId = 0;
    std::u16string text;
};

// Negative, zero or positive as row `a` goes before, with or after row `b` in the state's
// column and direction.
int CompareProcessRows(const ProcessRowKey& a, const ProcessRowKey& b, SortState state);

}  // namespace quarry
