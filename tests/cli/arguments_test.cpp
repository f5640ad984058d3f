// QuarryMap's command line: each form it takes, and the ones it refuses.
#include <gtest/gtest.h>

#include "cli/arguments.h"

namespace quarry::cli {
namespace {

// The parsed form in one line, to compare whole.
std::string Shown(const Arguments& a) {
    const auto narrow = [](const std::u16string& text) { return std::string(text.begin(), text.end()); };
    const char* formats[] = {"", " csv", " json"};
    return std::to_string(static_cast<int>(a.action)) + formats[static_cast<int>(a.format)] + " " + narrow(a.process) +
           " at=" + (a.at ? std::to_string(*a.at) : "-") + " dump=" + std::to_string(a.dumpAddress) + " out=" +
           narrow(a.output) + " diff=" + narrow(a.before) + "," + narrow(a.after) +
           (a.watchMilliseconds ? " every=" + std::to_string(a.watchMilliseconds) : "") +
           (a.pattern.empty() && a.types.empty() && !a.maxHits && a.minLength == 5
                ? ""
                : " find=" + narrow(a.pattern) + " i=" + std::to_string(a.ignoreCase) +
                      " min=" + std::to_string(a.minLength) + " max=" + (a.maxHits ? std::to_string(*a.maxHits) : "-") +
                      " types=" + (a.types.empty() ? "" : narrow(a.types.front()) + "+" + std::to_string(a.types.size())));
}

// Each case is parsed whole: the form it gives, or why it is refused.
TEST(Arguments, OptionsComeInAnyOrderEachOnceWithoutContradictionUntilDoubleDash) {
    const std::pair<std::vector<std::u16string>, std::string> cases[] = {
        {{u"notepad"}, "1 notepad at=- dump=0 out= diff=,"},
        {{u"1234", u"--csv", u"-o", u"map.csv"}, "1 csv 1234 at=- dump=0 out=map.csv diff=,"},
        {{u"-o", u"map.json", u"--json", u"1234"}, "1 json 1234 at=- dump=0 out=map.json diff=,"},
        {{u"app.EXE", u"--at", u"0x3A0000000", u"--csv"}, "1 csv app.EXE at=15569256448 dump=0 out= diff=,"},
        {{u"--at", u"3a0000000", u"app"}, "1 app at=15569256448 dump=0 out= diff=,"},
        {{u"app", u"--summary", u"--json"}, "2 json app at=- dump=0 out= diff=,"},
        {{u"--dump", u"10", u"r.bin", u"app"}, "3 app at=- dump=16 out=r.bin diff=,"},
        {{u"app", u"--dump-allocation", u"0X10", u"a.bin"}, "4 app at=- dump=16 out=a.bin diff=,"},
        {{u"--diff", u"a.csv", u"b.csv", u"--json"}, "5 json  at=- dump=0 out= diff=a.csv,b.csv"},
        {{u"--diff", u"--csv", u"-o"}, "5  at=- dump=0 out= diff=--csv,-o"},  // an option's words are its own
        {{u"app", u"--watch", u"0.5"}, "9 app at=- dump=0 out= diff=, every=500"},
        {{u"--json", u"--watch", u"2", u"app"}, "9 json app at=- dump=0 out= diff=, every=2000"},
        {{u"--watch", u".75", u"app"}, "9 app at=- dump=0 out= diff=, every=750"},
        {{u"--list", u"--csv"}, "10 csv  at=- dump=0 out= diff=,"},
        {{u"/?"}, "0  at=- dump=0 out= diff=,"},
        {{u"--csv", u"--", u"--weird"}, "1 csv --weird at=- dump=0 out= diff=,"},
        {{u"--", u"--"}, "1 -- at=- dump=0 out= diff=,"},
        {{}, "no process given"},
        {{u"--csv"}, "no process given"},
        {{u"app", u"extra"}, "unexpected extra"},
        {{u"app", u"--frobnicate"}, "unknown option --frobnicate"},
        {{u"--", u"app", u"--csv"}, "unexpected --csv"},
        {{u"app", u"--at"}, "--at needs a hexadecimal address"},
        {{u"app", u"--at", u"xyz"}, "xyz is not a hexadecimal address"},
        {{u"app", u"--at", u"0x"}, "0x is not a hexadecimal address"},
        {{u"app", u"--at", u"12345678901234567"}, "12345678901234567 is not a hexadecimal address"},
        {{u"app", u"--dump", u"10"}, "--dump needs an address and a file"},
        {{u"--diff", u"a.csv"}, "--diff needs two CSV files"},
        {{u"app", u"--watch"}, "--watch needs a number of seconds"},
        {{u"app", u"--watch", u"0.4"}, "0.4 is no number of seconds from 0.5 to a day"},
        {{u"app", u"--watch", u"1.2345"}, "1.2345 is no number of seconds from 0.5 to a day"},
        {{u"app", u"--watch", u"."}, ". is no number of seconds from 0.5 to a day"},
        {{u"app", u"--at", u"10", u"--at", u"20"}, "--at is given twice"},
        {{u"app", u"--csv", u"--csv"}, "--csv is given twice"},
        {{u"app", u"--csv", u"--json"}, "--json does not go with --csv"},
        {{u"app", u"--csv", u"-o", u"a", u"-o", u"b"}, "-o is given twice"},
        {{u"-h", u"--help"}, "--help is given twice"},
        {{u"app", u"--summary", u"--csv"}, "--csv goes with the map, --find, --find-hex, --strings or --list only"},
        {{u"app", u"--dump", u"10", u"r.bin", u"--dump-allocation", u"10", u"a.bin"}, "--dump-allocation does not go with --dump"},
        {{u"app", u"--at", u"10", u"--summary"}, "--at goes with the map, --find, --find-hex or --strings only"},
        {{u"app", u"--dump", u"10", u"r.bin", u"-o", u"x"},
         "-o goes with the map, --find, --find-hex, --strings, --list, --summary or --diff only"},
        {{u"app", u"--watch", u"1", u"--csv"}, "--csv goes with the map, --find, --find-hex, --strings or --list only"},
        {{u"--list", u"app"}, "unexpected app"},
        {{u"app", u"--diff", u"a", u"b"}, "unexpected app"},
        {{u"--help", u"app"}, "unexpected app"},
        // The searches: --csv goes with them, --type repeats, -i and --min each with its own.
        {{u"app", u"--find", u"abc", u"-i", u"--max", u"3", u"--type", u"image", u"--type", u"Mapped", u"--csv"},
         "6 csv app at=- dump=0 out= diff=, find=abc i=1 min=5 max=3 types=Image+2"},
        {{u"--json", u"--strings", u"--min", u"2", u"app", u"-o", u"s.json"},
         "8 json app at=- dump=0 out=s.json diff=, find= i=0 min=2 max=- types="},
        {{u"app", u"--find-hex", u"4D5A ?? 00", u"--at", u"10"}, "7 app at=16 dump=0 out= diff=, find=4D5A ?? 00 i=0 min=5 max=- types="},
        {{u"app", u"--find", u""}, "an empty pattern finds nothing"},
        {{u"app", u"--find-hex", u"4D 5"}, "4D 5 is not hexadecimal bytes: pairs of digits, or ?? for any byte"},
        {{u"app", u"--strings", u"--min", u"1"}, "1 is no length of 2 or more"},
        {{u"app", u"--strings", u"--max", u"0"}, "0 is no number of hits"},
        {{u"app", u"--strings", u"--type", u"heap"}, "heap is not Image, Mapped or Private"},
        {{u"app", u"--find", u"a", u"--min", u"5"}, "--min goes with --strings only"},
        {{u"app", u"--strings", u"-i"}, "-i goes with --find only"},
        {{u"app", u"--find", u"a", u"--find-hex", u"00"}, "--find-hex does not go with --find"},
        {{u"app", u"--find", u"a", u"--at", u"10", u"--type", u"Image"}, "--at and --type do not go together"},
    };
    for (const auto& [words, expected] : cases) {
        const auto parsed = ParseArguments(words);
        const Arguments* arguments = std::get_if<Arguments>(&parsed);
        EXPECT_EQ(arguments ? Shown(*arguments) : std::get<std::string>(parsed), expected);
    }
}

TEST(Arguments, ProcessesAreIdsOrNamesMatchedWithoutCaseOrExe) {
    EXPECT_EQ(ParseProcessId(u"4294967296"), std::nullopt);
    EXPECT_EQ(ParseProcessId(u"12a"), std::nullopt);
    EXPECT_TRUE(NameMatches(u"tool", u"tool.exe"));
    EXPECT_FALSE(NameMatches(u"QuarryTestTarget.exe", u"QuarryTest"));
    EXPECT_FALSE(NameMatches(u".exe", u""));
}

}  // namespace
}  // namespace quarry::cli
