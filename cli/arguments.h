// QuarryMap's command line: what to do, to which process, and where the output goes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quarry::cli {

enum class Action { Help, Map, Summary, Dump, DumpAllocation, Diff, Find, FindHex, Strings, Watch, List };

// How the output is written: for people, as CSV or as JSON.
enum class Format { Text, Csv, Json };

struct Arguments {
    Action action = Action::Map;
    Format format = Format::Text;
    std::u16string process;                 // a decimal id or an executable's name
    std::optional<std::uint64_t> at;        // --at: only the allocation holding it
    std::uint64_t dumpAddress = 0;          // --dump, --dump-allocation
    std::u16string output;                  // -o FILE, or the dump's FILE; empty: standard output
    std::u16string before, after;           // --diff
    // The searches: --find TEXT, --find-hex BYTES; -i, --min N, --max N, --type (repeated).
    std::u16string pattern;
    bool ignoreCase = false;
    std::size_t minLength = 5;
    std::optional<std::uint64_t> maxHits;
    std::vector<std::u16string> types;      // Image, Mapped or Private, as asked
    std::uint32_t watchMilliseconds = 0;    // --watch SECONDS
};

// The shortest time between two snapshots of --watch.
inline constexpr std::uint32_t kLeastWatchMilliseconds = 500;

inline constexpr char16_t kUsage[] =
    u"usage: QuarryMap PROCESS                      the memory map as a text table\n"
    u"       QuarryMap PROCESS --at ADDRESS         the allocation holding ADDRESS\n"
    u"       QuarryMap PROCESS --summary            totals by type\n"
    u"       QuarryMap PROCESS --dump ADDRESS FILE  the region at ADDRESS, to FILE\n"
    u"       QuarryMap PROCESS --dump-allocation ADDRESS FILE   its whole allocation\n"
    u"       QuarryMap --diff BEFORE.csv AFTER.csv  what changed between two CSV maps\n"
    u"       QuarryMap PROCESS --watch SECONDS      a snapshot every SECONDS (0.5 or\n"
    u"                                              more): the time and what changed\n"
    u"       QuarryMap --list                       the processes Quarry can open\n"
    u"       QuarryMap PROCESS --find TEXT [-i]     TEXT as UTF-8 and UTF-16LE; -i\n"
    u"                                              ignores A-Z case\n"
    u"       QuarryMap PROCESS --find-hex \"4D 5A ?? 00\"   bytes; ?? is any byte\n"
    u"       QuarryMap PROCESS --strings [--min N]  ASCII, UTF-16LE text N (5) long\n"
    u"       QuarryMap --help\n"
    u"Searches take --at ADDRESS, --type Image|Mapped|Private (repeatable), --max N;\n"
    u"status 0 with hits, 1 without, 2 on failure. --csv goes with the map, --at,\n"
    u"the searches and --list; --json with those, --summary, --diff and --watch (one\n"
    u"object a line). -o FILE writes to FILE instead of standard output.\n"
    u"PROCESS is a decimal process id or an executable name (case ignored, .exe\n"
    u"optional); ADDRESS is hexadecimal, with or without 0x. Options come in any\n"
    u"order, each once but --type; -- ends them, for a PROCESS named -something.\n";

// The parsed command line (without the program's own name), or why it is not one (UTF-8).
std::variant<Arguments, std::string> ParseArguments(const std::vector<std::u16string>& words);

// --find, --find-hex and --strings.
bool IsSearch(Action action);

// A process id when PROCESS is all decimal digits (and fits 32 bits).
std::optional<std::uint32_t> ParseProcessId(std::u16string_view text);

// Whether a process's executable name is the one asked for: without regard to ASCII case,
// with or without a final ".exe" on either side.
bool NameMatches(std::u16string_view executable, std::u16string_view asked);

}  // namespace quarry::cli
