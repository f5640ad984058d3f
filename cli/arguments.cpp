#include "cli/arguments.h"

#include <algorithm>
#include <array>

#include "cli/map_csv.h"
#include "content/memory_search.h"
#include "text/ascii.h"
#include "text/numbers.h"

namespace quarry::cli {
namespace {

std::u16string_view WithoutExe(std::u16string_view name) {
    return name.size() > 4 && EqualFoldingAscii(name.substr(name.size() - 4), u".exe") ? name.substr(0, name.size() - 4) : name;
}

// Where the words after an option go; address slots are read as hexadecimal.
enum class Slot { None, At, DumpAddress, Output, Before, After, Text, HexBytes, Min, Max, Type, Seconds,
                  // Flags: no word follows.
                  IgnoreCase, Csv, Json };

struct OptionRow {
    std::u16string_view name;
    std::optional<Action> action;  // the action it asks for; none: it refines the action
    std::array<Slot, 2> values;    // the words after it, in order (Slot::None: no more)
    std::string_view needs;        // those words, for the message when they are missing
    bool repeats = false;          // may be given more than once
};

// Every option, in any order on the command line, each at most once unless it repeats, and
// at most one that asks for an action (none: the map).
constexpr OptionRow kOptions[] = {
    {u"--help", Action::Help, {}, ""},
    {u"-h", Action::Help, {}, ""},
    {u"/?", Action::Help, {}, ""},
    {u"--summary", Action::Summary, {}, ""},
    {u"--dump", Action::Dump, {Slot::DumpAddress, Slot::Output}, "an address and a file"},
    {u"--dump-allocation", Action::DumpAllocation, {Slot::DumpAddress, Slot::Output}, "an address and a file"},
    {u"--diff", Action::Diff, {Slot::Before, Slot::After}, "two CSV files"},
    {u"--watch", Action::Watch, {Slot::Seconds}, "a number of seconds"},
    {u"--list", Action::List, {}, ""},
    {u"--find", Action::Find, {Slot::Text}, "a text"},
    {u"--find-hex", Action::FindHex, {Slot::HexBytes}, "hexadecimal bytes"},
    {u"--strings", Action::Strings, {}, ""},
    {u"--csv", std::nullopt, {Slot::Csv}, ""},
    {u"--json", std::nullopt, {Slot::Json}, ""},
    {u"--at", std::nullopt, {Slot::At}, "a hexadecimal address"},
    {u"-o", std::nullopt, {Slot::Output}, "a file"},
    {u"-i", std::nullopt, {Slot::IgnoreCase}, ""},
    {u"--min", std::nullopt, {Slot::Min}, "a length"},
    {u"--max", std::nullopt, {Slot::Max}, "a number of hits"},
    {u"--type", std::nullopt, {Slot::Type}, "Image, Mapped or Private", true},
};

struct ActionRow {
    Action action;
    std::string_view shown;  // its name in messages
    bool takesProcess;
    std::array<std::u16string_view, 8> refinedBy;  // the options without an action that go with it
};

constexpr ActionRow kActions[] = {
    {Action::Map, "the map", true, {u"--at", u"-o", u"--csv", u"--json"}},
    {Action::Find, "--find", true, {u"--at", u"-o", u"--csv", u"--json", u"--type", u"--max", u"-i"}},
    {Action::FindHex, "--find-hex", true, {u"--at", u"-o", u"--csv", u"--json", u"--type", u"--max"}},
    {Action::Strings, "--strings", true, {u"--at", u"-o", u"--csv", u"--json", u"--type", u"--max", u"--min"}},
    {Action::List, "--list", false, {u"-o", u"--csv", u"--json"}},
    {Action::Summary, "--summary", true, {u"-o", u"--json"}},
    {Action::Diff, "--diff", false, {u"-o", u"--json"}},
    {Action::Watch, "--watch", true, {u"--json"}},
    {Action::Dump, "--dump", true, {}},
    {Action::DumpAllocation, "--dump-allocation", true, {}},
    {Action::Help, "--help", false, {}},
};

// Ends the options, so that a process whose name begins with "-" can be given.
constexpr std::u16string_view kEndOfOptions = u"--";

const OptionRow* FindOption(std::u16string_view word) {
    for (const OptionRow& option : kOptions)
        if (option.name == word) return &option;
    return nullptr;
}

const ActionRow& RowOf(Action action) {
    for (const ActionRow& row : kActions)
        if (row.action == action) return row;
    return kActions[0];
}

bool Refines(const ActionRow& row, std::u16string_view option) {
    return std::find(row.refinedBy.begin(), row.refinedBy.end(), option) != row.refinedBy.end();
}

// "-o goes with --csv or --find only", naming every action that takes the option.
std::string GoesWithOnly(std::u16string_view option) {
    std::vector<std::string_view> actions;
    for (const ActionRow& row : kActions)
        if (Refines(row, option)) actions.push_back(row.shown);
    std::string text;
    for (std::size_t i = 0; i < actions.size(); ++i)
        text += (i == 0 ? "" : i + 1 == actions.size() ? " or " : ", ") + std::string(actions[i]);
    return ToUtf8(option) + " goes with " + text + " only";
}

// A decimal count of at least `least`.
std::optional<std::uint64_t> Count(const std::u16string& word, std::uint64_t least) {
    if (word.empty() || word.size() > 18 || word.find_first_not_of(u"0123456789") != std::u16string::npos) return std::nullopt;
    std::uint64_t value = 0;
    for (const char16_t c : word) value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    return value >= least ? std::optional(value) : std::nullopt;
}

// Seconds as decimal digits, at most three of them after a point ("1", "0.5", ".25"), from
// the shortest interval to a day.
std::optional<std::uint32_t> Milliseconds(const std::u16string& word) {
    const std::size_t point = std::min(word.find(u'.'), word.size());
    const std::u16string whole = word.substr(0, point), fraction = point < word.size() ? word.substr(point + 1) : u"";
    if (fraction.size() > 3 || (whole.empty() && fraction.empty())) return std::nullopt;
    const std::optional<std::uint64_t> seconds = whole.empty() ? 0 : Count(whole, 0);
    const std::optional<std::uint64_t> thousandths =
        fraction.empty() ? 0 : Count(fraction + std::u16string(3 - fraction.size(), u'0'), 0);
    if (!seconds || !thousandths || *seconds > 86400) return std::nullopt;
    const std::uint64_t milliseconds = *seconds * 1000 + *thousandths;
    if (milliseconds < kLeastWatchMilliseconds || milliseconds > 86400000) return std::nullopt;
    return static_cast<std::uint32_t>(milliseconds);
}

std::optional<std::string> StoreSearch(Arguments& arguments, Slot slot, const std::u16string& word) {
    if (slot == Slot::Text || slot == Slot::HexBytes) {
        if (word.empty()) return std::string("an empty pattern finds nothing");
        if (slot == Slot::HexBytes && !HexPattern(word)) return ToUtf8(word) + " is not hexadecimal bytes: pairs of digits, or ?? for any byte";
        arguments.pattern = word;
    } else if (slot == Slot::Min || slot == Slot::Max) {
        const std::optional<std::uint64_t> count = Count(word, slot == Slot::Min ? kLeastMinStringLength : 1);
        if (!count) return ToUtf8(word) + (slot == Slot::Min ? " is no length of 2 or more" : " is no number of hits");
        if (slot == Slot::Min) arguments.minLength = static_cast<std::size_t>(*count);
        else arguments.maxHits = *count;
    } else if (slot == Slot::Type) {
        for (const std::u16string_view type : {u"Image", u"Mapped", u"Private"})
            if (EqualFoldingAscii(word, type)) return arguments.types.emplace_back(type), std::nullopt;
        return ToUtf8(word) + " is not Image, Mapped or Private";
    }
    return std::nullopt;
}

// Puts one word of an option where its slot says; why not, when it is no address.
std::optional<std::string> Store(Arguments& arguments, Slot slot, const std::u16string& word) {
    if (slot == Slot::At || slot == Slot::DumpAddress) {
        const std::optional<std::uint64_t> address = ParseHex(word);
        if (!address) return ToUtf8(word) + " is not a hexadecimal address";
        if (slot == Slot::At) arguments.at = *address;
        else arguments.dumpAddress = *address;
    } else if (slot == Slot::Output) {
        arguments.output = word;
    } else if (slot == Slot::Before || slot == Slot::After) {
        (slot == Slot::Before ? arguments.before : arguments.after) = word;
    } else if (slot == Slot::Seconds) {
        const std::optional<std::uint32_t> milliseconds = Milliseconds(word);
        if (!milliseconds) return ToUtf8(word) + " is no number of seconds from 0.5 to a day";
        arguments.watchMilliseconds = *milliseconds;
    } else {
        return StoreSearch(arguments, slot, word);
    }
    return std::nullopt;
}

}  // namespace

bool IsSearch(Action action) { return action == Action::Find || action == Action::FindHex || action == Action::Strings; }

std::optional<std::uint32_t> ParseProcessId(std::u16string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    if (value > 0xFFFFFFFF) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

bool NameMatches(std::u16string_view executable, std::u16string_view asked) {
    return EqualFoldingAscii(WithoutExe(executable), WithoutExe(asked));
}

std::variant<Arguments, std::string> ParseArguments(const std::vector<std::u16string>& words) {
    Arguments arguments;
    std::optional<std::u16string> process;
    const OptionRow* actionOption = nullptr;
    const OptionRow* formatOption = nullptr;  // --csv or --json
    std::vector<const OptionRow*> given;
    bool optionsEnded = false;
    for (std::size_t next = 0; next < words.size();) {
        const std::u16string& word = words[next++];
        if (!optionsEnded && word == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }
        const OptionRow* option = optionsEnded ? nullptr : FindOption(word);
        if (!option) {
            if (!optionsEnded && word.starts_with(u'-')) return "unknown option " + ToUtf8(word);
            if (process) return "unexpected " + ToUtf8(word);
            process = word;
            continue;
        }
        const bool sameAction = option->action && actionOption && option->action == actionOption->action;
        const bool again = !option->repeats && std::find(given.begin(), given.end(), option) != given.end();
        if (sameAction || again) return ToUtf8(word) + " is given twice";
        if (option->action && actionOption) return ToUtf8(word) + " does not go with " + ToUtf8(actionOption->name);
        const Slot flag = option->values[0];
        if ((flag == Slot::Csv || flag == Slot::Json) && formatOption)
            return ToUtf8(word) + " does not go with " + ToUtf8(formatOption->name);
        given.push_back(option);
        if (option->action) {
            actionOption = option;
            arguments.action = *option->action;
        }
        if (flag == Slot::IgnoreCase) arguments.ignoreCase = true;
        if (flag == Slot::Csv || flag == Slot::Json) {
            formatOption = option;
            arguments.format = flag == Slot::Csv ? Format::Csv : Format::Json;
        }
        for (const Slot slot : option->values) {
            if (slot == Slot::None || slot >= Slot::IgnoreCase) break;
            if (next >= words.size()) return ToUtf8(word) + " needs " + std::string(option->needs);
            if (std::optional<std::string> why = Store(arguments, slot, words[next++])) return *why;
        }
    }
    const ActionRow& action = RowOf(arguments.action);
    for (const OptionRow* option : given)
        if (!option->action && !Refines(action, option->name)) return GoesWithOnly(option->name);
    if (arguments.at && !arguments.types.empty()) return std::string("--at and --type do not go together");
    if (action.takesProcess && !process) return std::string("no process given");
    if (!action.takesProcess && process) return "unexpected " + ToUtf8(*process);
    arguments.process = process.value_or(u"");
    return arguments;
}

}  // namespace quarry::cli
