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

TEST(Arguments, EachFormParsesToItsActionProcessAddressAndFiles) {
    const std::pair<std::vector<std::u16string>, std::string> cases[] = {
        {{u"notepad"}, "1 notepad at=- dump=0 out= diff=,"},
        {{u"1234", u"--csv", u"-o", u"map.csv"}, "2 1234 at=- dump=0 out=map.csv diff=,"},
        {{u"app.EXE", u"--at", u"0x3A0000000", u"--csv"}, "2 app.EXE at=15569256448 dump=0 out= diff=,"},
        {{u"app", u"--at", u"3a0000000"}, "1 app at=15569256448 dump=0 out= diff=,"},
        {{u"app", u"--summary"}, "3 app at=- dump=0 out= diff=,"},
        {{u"app", u"--dump", u"10", u"r.bin"}, "4 app at=- dump=16 out=r.bin diff=,"},
        {{u"app", u"--dump-allocation", u"0X10", u"a.bin"}, "5 app at=- dump=16 out=a.bin diff=,"},
        {{u"--diff", u"a.csv", u"b.csv"}, "6  at=- dump=0 out= diff=a.csv,b.csv"},
        {{u"--help"}, "0  at=- dump=0 out= diff=,"},
    };
    for (const auto& [words, expected] : cases) {
        const auto parsed = ParseArguments(words);
        const Arguments* arguments = std::get_if<Arguments>(&parsed);
        EXPECT_EQ(arguments ? Shown(*arguments) : std::get<std::string>(parsed), expected);
    }
    const std::vector<std::u16string> refused[] = {
        {}, {u"app", u"--at"}, {u"app", u"--at", u"xyz"}, {u"app", u"--at", u"0x"}, {u"app", u"--at", u"12345678901234567"},
        {u"app", u"--dump", u"10"}, {u"app", u"--summary", u"--csv"}, {u"app", u"--summary", u"--at", u"10"}, {u"app", u"extra"},
        {u"app", u"--summary", u"-o", u"x"}, {u"--diff", u"a.csv"}, {u"--diff", u"a", u"b", u"--csv"},
    };
    for (const auto& words : refused) EXPECT_TRUE(std::holds_alternative<std::string>(ParseArguments(words))) << words.size();
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
