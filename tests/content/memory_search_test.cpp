// The memory searches fed chunk by chunk: every case gives the same hits whatever the chunk
// size, from one byte (shorter than any carry) to the whole run, and compares them as text.
#include "content/memory_search.h"

#include <gtest/gtest.h>

#include <string>

namespace quarry {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::string_view text) { return {text.begin(), text.end()}; }

// A run of memory: its address and bytes. Runs fed one after the other; a run that starts
// where the last ended continues it, as adjacent regions do.
struct MemoryRun {
    std::uint64_t address;
    Bytes bytes;
};

const std::size_t kChunkSizes[] = {1, 2, 3, 7, 1 << 20};

void FeedRuns(ChunkSearch& search, const std::vector<MemoryRun>& runs, std::size_t chunkSize) {
    for (const MemoryRun& run : runs)
        for (std::size_t at = 0; at < run.bytes.size(); at += chunkSize)
            search.Feed(run.address + at, std::span(run.bytes).subspan(at, std::min(chunkSize, run.bytes.size() - at)));
    search.EndRun();
}

// "address:pattern" for each hit, hex addresses, in the order reported.
std::string FindAll(const std::vector<BytePattern>& patterns, const std::vector<MemoryRun>& runs, std::size_t chunkSize) {
    std::string hits;
    PatternSearch search(patterns, [&](const PatternHit& hit) {
        char text[40];
        std::snprintf(text, sizeof text, "%s%llX:%zu", hits.empty() ? "" : " ", static_cast<unsigned long long>(hit.address),
                      hit.pattern);
        hits += text;
        return true;
    });
    FeedRuns(search, runs, chunkSize);
    return hits;
}

BytePattern Text(std::u16string_view text, bool ignoreCase = false) { return *Utf8TextPattern(text, ignoreCase); }
BytePattern Wide(std::u16string_view text, bool ignoreCase = false) { return *Utf16TextPattern(text, ignoreCase); }
BytePattern Hex(std::u16string_view text) { return *HexPattern(text); }

TEST(PatternSearch, FindsEveryStartInAddressOrderOnceWhateverTheChunksButNeverAcrossRuns) {
    const Bytes wide = {'x', 'A', 0, 'b', 0, 'a', 1, 'b', 0, 0x41, 0x01};
    const struct {
        const char* what;
        std::vector<BytePattern> patterns;
        std::vector<MemoryRun> runs;
        std::string hits;
    } cases[] = {
        {"a literal at both edges of the run", {Text(u"abc")}, {{0x1000, B("abcxxabcab abc")}}, "1000:0 1005:0 100B:0"},
        {"overlapping hits", {Text(u"aa"), Text(u"aba")}, {{0x10, B("aaaababa")}}, "10:0 11:0 12:0 13:1 15:1"},
        {"a longer pattern's earlier hit first", {Text(u"bc"), Text(u"abcd")}, {{0, B("abcd")}}, "0:1 1:0"},
        {"A-Z folded, other bytes exact", {Text(u"HeLLo", true), Text(u"@[\u00C9", true)},
         {{0, B("hello HELLO hellO Hel1o `{\xC3\xA9 @[\xC3\x89")}}, "0:0 6:0 C:0 1D:1"},
        {"case kept without the fold", {Text(u"Ab")}, {{0, B("ab AB Ab aB")}}, "6:0"},
        {"UTF-16, folded only where the unit is a letter", {Wide(u"ab", true), Wide(u"\u0141", true)}, {{0, wide}}, "1:0 9:1"},
        {"UTF-8 of a character beyond the first plane", {Text(u"\U0001F600")}, {{0, B("x\xF0\x9F\x98\x80")}}, "1:0"},
        {"wildcards", {Hex(u"4D ?? 00"), Hex(u"?? ??")}, {{0, {0x4D, 0x5A, 0, 0x4D, 0}}}, "0:0 0:1 1:1 2:1 3:1"},
        {"a pattern longer than every chunk but one, across adjacent runs",
         {Text(u"abcdefghij")}, {{0x1000, B("xxabcd")}, {0x1006, B("efghij")}}, "1002:0"},
        {"not across a gap", {Text(u"abcd"), Text(u"b")}, {{0x1000, B("xab")}, {0x1004, B("cdx")}}, "1002:1"},
    };
    for (const auto& c : cases)
        for (const std::size_t chunkSize : kChunkSizes) {
            SCOPED_TRACE(std::string(c.what) + ", chunks of " + std::to_string(chunkSize));
            EXPECT_EQ(FindAll(c.patterns, c.runs, chunkSize), c.hits);
        }
}

TEST(PatternSearch, BuildsPatternsFromTextAndHexOrRefusesThem) {
    using M = PatternByte::Match;
    const auto Same = [](const std::optional<BytePattern>& a, const BytePattern& b) {
        return a && std::equal(a->begin(), a->end(), b.begin(), b.end(),
                               [](PatternByte x, PatternByte y) { return x.value == y.value && x.match == y.match; });
    };
    const BytePattern mz = {{0x4D, M::Exact}, {0x5A, M::Exact}, {0, M::Any}, {0x00, M::Exact}};
    EXPECT_TRUE(Same(HexPattern(u"4D 5A ?? 00"), mz));
    EXPECT_TRUE(Same(HexPattern(u" 4d5a\t??00 "), mz));
    for (const std::u16string_view bad : {u"", u"  ", u"4D5", u"4 D", u"4?", u"?", u"??? ", u"GG", u"0x4D", u"4D,5A"}) {
        EXPECT_FALSE(HexPattern(bad)) << std::string(bad.begin(), bad.end());
    }
}

std::string Strings(std::size_t minLength, const std::vector<MemoryRun>& runs, std::size_t chunkSize) {
    std::string found;
    StringSearch search(minLength, [&](const StringHit& hit) {
        char head[64];
        std::snprintf(head, sizeof head, "%s%llu %c %llu ", found.empty() ? "" : "|",
                      static_cast<unsigned long long>(hit.address), hit.encoding, static_cast<unsigned long long>(hit.length));
        found += head;
        found += hit.text;
        return true;
    });
    FeedRuns(search, runs, chunkSize);
    return found;
}

Bytes Utf16(std::string_view text, std::size_t padding = 0) {
    Bytes bytes(padding, 0x01);
    for (const char c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

TEST(StringSearch, ReportsPrintableRunsOnceWholeInAddressOrderAndBreaksThemAtRunEnds) {
    Bytes mixed = Utf16("Wide", 1);  // at an odd address
    for (const std::uint8_t byte : B("\x7F" "ascii\tand tab\x80" "abcd\x01"))
        mixed.push_back(byte);
    const Bytes next = Utf16("Next");
    mixed.insert(mixed.end(), next.begin(), next.end());
    const std::string huge(kStringTextLimit + 10, 'x');
    const struct {
        const char* what;
        std::size_t minLength;
        std::vector<MemoryRun> runs;
        std::string found;
    } cases[] = {
        {"ASCII, tab, UTF-16 at both parities, too short", 4, {{0, mixed}}, "1 W 4 Wide|10 A 13 ascii\tand tab|24 A 4 abcd|29 W 4 Next"},
        {"a minimum below two counts as two", 0, {{0, B("a\x01" "bc")}}, "2 A 2 bc"},
        {"one string across adjacent runs", 6, {{100, B("\x01" "abc")}, {104, B("def")}}, "101 A 6 abcdef"},
        {"broken at a gap", 3, {{100, B("abc")}, {200, B("de")}, {202, Utf16("fgh")}}, "100 A 3 abc|200 A 3 def|202 W 3 fgh"},
        {"a huge string keeps its start and length, not all its text", 5, {{7, B(huge)}},
         "7 A " + std::to_string(huge.size()) + " " + huge.substr(0, kStringTextLimit)},
    };
    for (const auto& c : cases)
        for (const std::size_t chunkSize : kChunkSizes) {
            SCOPED_TRACE(std::string(c.what) + ", chunks of " + std::to_string(chunkSize));
            EXPECT_EQ(Strings(c.minLength, c.runs, chunkSize), c.found);
        }
}

}  // namespace
}  // namespace quarry
