// QuarryMap's JSON read back by a parser of its own (nlohmann/json, not the writer's code):
// the same rows and texts as the CSV of the same map, and a comparison that says what its
// text form says.
#include <gtest/gtest.h>

#include "cli/json_writer.h"
#include "cli/map_csv.h"
#include "cli/map_json.h"
#include "cli/process_report.h"
#include "support/map_json_rows.h"

namespace quarry::cli {
namespace {

using nlohmann::json;

using test::RowsOfJson;

std::u16string Text(const json& value) { return test::JsonText(value); }

// Every control character, quotes and backslashes, letters beyond ASCII and half a surrogate
// pair (which becomes U+FFFD, as in the CSV).
std::u16string Awkward() {
    std::u16string text = u"\"C:\\Qu\"arry\\é𝄞\xD834.exe\x7F";
    for (char16_t c = 0; c < 0x20; ++c) text += c;
    return text;
}

TEST(MapJson, HoldsTheRowsAndTextsOfTheCsvWithTheNumbersBesideThem) {
    MapRows rows;
    rows.push_back({true, 0x140000000, {u"0000000140000000", u"Image", u"12 KB", u"12 KB", u"Read", u"2", Awkward()}});
    rows.push_back({false, 0x140000000, {u"0000000140000000", u"Image", u"12 KB", u"12 KB", u"Read", {}, u"Header"}});
    rows.push_back({true, 0x3A0000000, {u"00000003A0000000", u"Private", u"1536 KB", {}, u"Reserved"}});
    const json map = json::parse(MapToJson(rows));
    EXPECT_EQ(RowsOfJson(map), std::get<MapRows>(MapFromCsv(MapToCsv(rows))));
    EXPECT_EQ(map["allocations"][0]["blocks"], 2);
    EXPECT_EQ(map["allocations"][0]["regions"][0]["commit_kb"], 12);
    EXPECT_EQ(map["allocations"][1]["size_kb"], 1536);
    EXPECT_EQ(map["allocations"][1]["commit_kb"], 0);
    EXPECT_EQ(map["allocations"][1]["regions"], json::array());

    const json processes = json::parse(ProcessesToJson({{4, u"sys\"tem.exe", u"NT\\SYSTEM"}, {7, u"é.exe", u""}}));
    EXPECT_EQ(processes, json::parse(R"({"processes":[{"id":4,"name":"sys\"tem.exe","user":"NT\\SYSTEM"},)"
                                     R"({"id":7,"name":"\u00e9.exe","user":""}]})"));
}

// "+ ADDRESS", "- ADDRESS" or "~ ADDRESS: Column old -> new, ...", regions indented: the text
// form's lines with added and removed rows named by their address.
std::vector<std::u16string> LinesOf(const json& difference) {
    std::vector<std::pair<std::u16string, std::vector<std::u16string>>> allocations;  // by address
    const auto changes = [](const json& change) {
        std::u16string text = u"~ " + Text(change["address"]) + u":";
        for (const json& cell : change["cells"]) {
            const auto shown = [](const json& value) { return Text(value).empty() ? u"\"\"" : Text(value); };
            text += (text.back() == u':' ? u" " : u", ") + Text(cell["column"]) + u" " + shown(cell["before"]) + u" -> " +
                    shown(cell["after"]);
        }
        return text;
    };
    for (const char* kind : {"added", "removed"})
        for (const json& row : difference[kind])
            allocations.push_back({Text(row["address"]), {(kind[0] == 'a' ? u"+ " : u"- ") + Text(row["address"])}});
    for (const json& change : difference["changed"]) {
        std::vector<std::u16string> lines{changes(change)};
        for (const json& region : change["regions"]) {
            const std::string kind = region["change"];
            lines.push_back(u"  " + (kind == "changed" ? changes(region) : (kind == "added" ? u"+ " : u"- ") + Text(region["address"])));
        }
        allocations.push_back({Text(change["address"]), lines});
    }
    std::sort(allocations.begin(), allocations.end());
    std::vector<std::u16string> lines;
    for (const auto& [address, its] : allocations) lines.insert(lines.end(), its.begin(), its.end());
    return lines;
}

// The text form's lines, an added or removed row named by its Address cell alone.
std::vector<std::u16string> LinesOf(const std::u16string& text) {
    std::vector<std::u16string> lines;
    for (std::size_t at = 0, end; (end = text.find(u'\n', at)) != text.npos; at = end + 1) {
        std::u16string line = text.substr(at, end - at);
        const std::size_t sign = line.find_first_not_of(u' ');
        if (line.compare(sign, 3, u"+ \"") == 0 || line.compare(sign, 3, u"- \"") == 0)
            line = line.substr(0, sign + 2) + line.substr(sign + 3, 16);
        lines.push_back(line);
    }
    lines.pop_back();  // the counts
    return lines;
}

TEST(MapJson, ComparisonSaysWhatItsTextFormSays) {
    MapRows before, after;
    // The text form is a line a change: a name with a line end in it would split one.
    const std::u16string name = u"C:\\Qu\"arry\\é𝄞.exe";
    before.push_back({true, 0x140000000, {u"0000000140000000", u"Image", u"12 KB", u"12 KB", u"Read", u"1", name}});
    before.push_back({true, 0x3A0000000, {u"00000003A0000000", u"Private", u"1536 KB", u"20 KB", u"Read/Write", u"2"}});
    before.push_back({false, 0x3A0000000, {u"00000003A0000000", u"Private", u"1536 KB", {}, u"Reserved"}});
    before.push_back({false, 0x3A0180000, {u"00000003A0180000", u"Private", u"4 KB", u"4 KB", u"Read/Write"}});
    after = before;
    after.erase(after.begin());                    // the image is gone
    after[0].cells[kColumnCommit] = u"84 KB";      // the heap commits more...
    after[1].cells[kColumnCommit] = u"64 KB";
    after.erase(after.begin() + 2);                // ...loses a region and gains one
    after.push_back({false, 0x3A0190000, {u"00000003A0190000", u"Private", u"4 KB", u""}});
    after.push_back({true, 0x500000000, {u"0000000500000000", u"Private", u"64 KB", {}, u"Read/Write", u"1"}});
    const MapDifference difference = CompareMaps(before, after);
    const json read = json::parse(DifferenceToJson(difference));
    EXPECT_EQ(LinesOf(read), LinesOf(DifferenceText(difference)));
    EXPECT_EQ(LinesOf(read).size(), 6u);
    EXPECT_EQ(Text(read["removed"][0]["cells"]["Details"]), name);
}

}  // namespace
}  // namespace quarry::cli
