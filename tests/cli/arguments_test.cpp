// QuarryMap's command line: each form it takes, and the ones it refuses.
#include <gtest/gtest.h>

#include "cli/arguments.h"

namespace quarry::cli {
namespace {

// The parsed form in one line, to compare whole.
std::string Shown(const Arguments& a) {
    const auto narrow = [](const std::u16string& text) { return std::string(text.begin(), text.end()); };
    return std::to_string(static_cast<int>(a.action)) + " " + narrow(a.process) + " at=" +
           (a.at ? std::to_string(*a.at) : "-") + " dump=" + std::to_string(a.dumpAddress) + " out=" + narrow(a.output) +
           " diff=" + narrow(a.before) + "," + narrow(a.after);
}

// Each case is parsed whole: the form it gives, or why it is refused.
TEST(Arguments, OptionsComeInAnyOrderEachOnceWithoutContradictionUntilDoubleDash) {
    const std::pair<std::vector<std::u16string>, std::string> cases[] = {
        {{u"notepad"}, "1 notepad at=- dump=0 out= diff=,"},
        {{u"1234", u"--csv", u"-o", u"map.csv"}, "2 1234 at=- dump=0 out=map.csv diff=,"},
        {{u"-o", u"map.csv", u"--csv", u"1234"}, "2 1234 at=- dump=0 out=map.csv diff=,"},
        {{u"app.EXE", u"--at", u"0x3A0000000", u"--csv"}, "2 app.EXE at=15569256448 dump=0 out= diff=,"},
        {{u"--at", u"3a0000000", u"app"}, "1 app at=15569256448 dump=0 out= diff=,"},
        {{u"app", u"--summary"}, "3 app at=- dump=0 out= diff=,"},
        {{u"--dump", u"10", u"r.bin", u"app"}, "4 app at=- dump=16 out=r.bin diff=,"},
        {{u"app", u"--dump-allocation", u"0X10", u"a.bin"}, "5 app at=- dump=16 out=a.bin diff=,"},
        {{u"--diff", u"a.csv", u"b.csv"}, "6  at=- dump=0 out= diff=a.csv,b.csv"},
        {{u"--diff", u"--csv", u"-o"}, "6  at=- dump=0 out= diff=--csv,-o"},  // an option's words are its own
        {{u"/?"}, "0  at=- dump=0 out= diff=,"},
        {{u"--csv", u"--", u"--weird"}, "2 --weird at=- dump=0 out= diff=,"},
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
        {{u"app", u"--at", u"10", u"--at", u"20"}, "--at is given twice"},
        {{u"app", u"--csv", u"--csv"}, "--csv is given twice"},
        {{u"app", u"--csv", u"-o", u"a", u"-o", u"b"}, "-o is given twice"},
        {{u"-h", u"--help"}, "--help is given twice"},
        {{u"app", u"--summary", u"--csv"}, "--csv does not go with --summary"},
        {{u"app", u"--dump", u"10", u"r.bin", u"--dump-allocation", u"10", u"a.bin"}, "--dump-allocation does not go with --dump"},
        {{u"app", u"--at", u"10", u"--summary"}, "--at goes with the table or --csv only"},
        {{u"app", u"--dump", u"10", u"r.bin", u"--at", u"10"}, "--at goes with the table or --csv only"},
        {{u"app", u"-o", u"x"}, "-o goes with --csv only"},
        {{u"-o", u"x", u"app", u"--dump", u"10", u"r.bin"}, "-o goes with --csv only"},
        {{u"--diff", u"a", u"b", u"--csv"}, "--csv does not go with --diff"},
        {{u"app", u"--diff", u"a", u"b"}, "unexpected app"},
        {{u"--help", u"app"}, "unexpected app"},
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
