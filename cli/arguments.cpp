#include "cli/arguments.h"

#include "cli/map_csv.h"
#include "procsel/process_rows.h"

namespace quarry::cli {
namespace {

bool EqualFolded(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
    return true;
}

std::u16string_view WithoutExe(std::u16string_view name) {
    return name.size() > 4 && EqualFolded(name.substr(name.size() - 4), u".exe") ? name.substr(0, name.size() - 4) : name;
}

}  // namespace

std::optional<std::uint64_t> ParseAddress(std::u16string_view text) {
    if (text.size() > 2 && text[0] == u'0' && FoldAsciiCase(text[1]) == u'x') text.remove_prefix(2);
    if (text.empty() || text.size() > 16) return std::nullopt;
    std::uint64_t value = 0;
    for (const char16_t c : text) {
        const char16_t f = FoldAsciiCase(c);
        const int digit = f >= u'0' && f <= u'9' ? f - u'0' : f >= u'a' && f <= u'f' ? f - u'a' + 10 : -1;
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return value;
}

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
    return EqualFolded(WithoutExe(executable), WithoutExe(asked));
}

std::variant<Arguments, std::string> ParseArguments(const std::vector<std::u16string>& words) {
    Arguments arguments;
    if (words.empty()) return std::string("no process given");
    std::size_t next = 0;
    const auto take = [&]() -> std::optional<std::u16string> {
        if (next >= words.size()) return std::nullopt;
        return words[next++];
    };
    const std::u16string first = words[next++];
    if (first == u"--help" || first == u"-h" || first == u"/?") {
        arguments.action = Action::Help;
    } else if (first == u"--diff") {
        arguments.action = Action::Diff;
        const auto before = take(), after = take();
        if (!before || !after) return std::string("--diff needs two CSV files");
        arguments.before = *before;
        arguments.after = *after;
    } else if (first.starts_with(u"-")) {
        return "unknown option " + ToUtf8(first);
    } else {
        arguments.process = first;
    }
    bool actionGiven = false;
    while (next < words.size()) {
        const std::u16string word = words[next++];
        const auto setAction = [&](Action action) {
            if (actionGiven || arguments.process.empty()) return false;
            arguments.action = action;
            return actionGiven = true;
        };
        if (word == u"--csv") {
            if (!setAction(Action::Csv) && arguments.action != Action::Csv) return std::string("--csv does not go with what came before it");
        } else if (word == u"--summary") {
            if (!setAction(Action::Summary)) return std::string("--summary does not go with what came before it");
        } else if (word == u"--dump" || word == u"--dump-allocation") {
            if (!setAction(word == u"--dump" ? Action::Dump : Action::DumpAllocation))
                return ToUtf8(word) + " does not go with what came before it";
            const auto address = take(), file = take();
            if (!address || !file) return ToUtf8(word) + " needs an address and a file";
            const std::optional<std::uint64_t> parsed = ParseAddress(*address);
            if (!parsed) return ToUtf8(*address) + " is not a hexadecimal address";
            arguments.dumpAddress = *parsed;
            arguments.output = *file;
        } else if (word == u"--at") {
            const auto address = take();
            const std::optional<std::uint64_t> parsed = address ? ParseAddress(*address) : std::nullopt;
            if (!parsed || arguments.process.empty()) return std::string("--at needs a process and a hexadecimal address");
            arguments.at = parsed;
        } else if (word == u"-o") {
            const auto file = take();
            if (!file || arguments.process.empty()) return std::string("-o needs a process and a file");
            arguments.output = *file;
        } else {
            return "unexpected " + ToUtf8(word);
        }
    }
    const bool dump = arguments.action == Action::Dump || arguments.action == Action::DumpAllocation;
    if (arguments.at && arguments.action != Action::Table && arguments.action != Action::Csv)
        return std::string("--at goes with the table or --csv only");
    if (!arguments.output.empty() && !dump && arguments.action != Action::Csv)
        return std::string("-o goes with --csv only");
    return arguments;
}

}  // namespace quarry::cli
