// QuarryMap's formats over a small recorded map: the CSV written and read back, the
// exports it refuses, the text table, the summary, the comparison and the address lookups.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <variant>

#include "cli/map_csv.h"
#include "cli/map_report.h"
#include "cli/map_rows.h"

namespace quarry::cli {
namespace {

using Cells = std::array<std::optional<std::u16string>, kColumnCount>;

// Rows written as the walk writes them, a region of the first allocation last of all.
MapRows Recorded() {
    MapRecorder recorder;
    const auto row = [&recorder](RowHandle parent, std::uint64_t address, const Cells& cells) {
        const RowHandle handle = recorder.InsertRow(cells[0]->c_str(), parent);
        recorder.SetRowValue(handle, address);
        for (int column = 1; column < kColumnCount; ++column)
            if (cells[static_cast<std::size_t>(column)]) recorder.SetCellText(handle, column, cells[static_cast<std::size_t>(column)]->c_str());
        return handle;
    };
    const RowHandle image = row(kNoRow, 0x140000000, {u"0000000140000000", u"Image", u"12 KB", u"12 KB", u"Read", u"2", u"C:\\Qu\"arry\\é𝄞.exe"});
    row(image, 0x140000000, {u"0000000140000000", u"Image", u"4 KB", u"4 KB", u"Read", {}, u"Header"});
    const RowHandle heap = row(kNoRow, 0x3A0000000, {u"00000003A0000000", u"Private", u"1536 KB", u"20 KB", u"Execute/Read/Write", u"1", {}});
    row(heap, 0x3A0000000, {u"00000003A0000000", u"Private", u"1536 KB", {}, u"Reserved", {}, {}});
    row(image, 0x140001000, {u"0000000140001000", u"Image", u"8 KB", u"8 KB", u"Execute/Read", {}, u".text"});
    return recorder.Rows();
}

constexpr char kCsv[] =
    "\"Row\",\"Address\",\"Type\",\"Size\",\"Commit\",\"Protect\",\"Blocks\",\"Details\"\r\n"
    "\"Allocation\",\"0000000140000000\",\"Image\",\"12 KB\",\"12 KB\",\"Read\",\"2\",\"C:\\Qu\"\"arry\\\xC3\xA9\xF0\x9D\x84\x9E.exe\"\r\n"
    "\"Region\",\"0000000140000000\",\"Image\",\"4 KB\",\"4 KB\",\"Read\",\"\",\"Header\"\r\n"
    "\"Region\",\"0000000140001000\",\"Image\",\"8 KB\",\"8 KB\",\"Execute/Read\",\"\",\".text\"\r\n"
    "\"Allocation\",\"00000003A0000000\",\"Private\",\"1536 KB\",\"20 KB\",\"Execute/Read/Write\",\"1\",\"\"\r\n"
    "\"Region\",\"00000003A0000000\",\"Private\",\"1536 KB\",\"\",\"Reserved\",\"\",\"\"\r\n";

TEST(MapCsv, IsTheTreeInItsOrderAndReadsBackToTheSameRows) {
    const MapRows rows = Recorded();
    EXPECT_EQ(MapToCsv(rows), kCsv);
    const auto read = MapFromCsv(kCsv);
    ASSERT_TRUE(std::holds_alternative<MapRows>(read));
    EXPECT_EQ(std::get<MapRows>(read), rows);
    EXPECT_EQ(FromUtf8("a\xFF\xC3(\xED\xA0\x80z"), u"a\xFFFD\xFFFD(\xFFFD\xFFFD\xFFFDz");  // bytes that are no UTF-8
    EXPECT_EQ(ToUtf8(u"\xD834x"), "\xEF\xBF\xBDx");  // half a surrogate pair
}

TEST(MapCsv, RefusesWhatIsNotAnExportAndSaysWhichLine) {
    const std::string header = "\"Row\",\"Address\",\"Type\",\"Size\",\"Commit\",\"Protect\",\"Blocks\",\"Details\"\r\n";
    const std::string region = "\"Region\",\"00000003A0000000\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n";
    const std::pair<std::string, std::size_t> cases[] = {
        {"", 1},
        {"\"Row\",\"Address\"\r\n", 1},
        {"\"Kind\"" + header.substr(5), 1},
        {header.substr(0, header.size() - 2) + "\n", 1},
        {header + region, 2},
        {header + "\"Allocation\",\"3A0000000\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n", 2},
        {header + "\"Allocation\",\"00000003A0000000\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n\"Block\"" + region.substr(8), 3},
        {header + "\"Allocation\",\"00000003A0000000\",\"\",\"\",\"\",\"\",\"\",\"\r\n", 2},
        {header + "Allocation,00000003A0000000,,,,,,\r\n", 2},
    };
    for (const auto& [text, line] : cases) {
        const auto read = MapFromCsv(text);
        const CsvError* error = std::get_if<CsvError>(&read);
        EXPECT_EQ(error ? error->line : 0, line) << text;
    }
}

// Both align their columns, numbers to the right.
TEST(MapReport, TableIndentsRegionsAndSummaryTotalsEachTypeThenAll) {
    MapRows rows = Recorded();
    EXPECT_EQ(MapTable(rows),
              u"Address             Type        Size  Commit  Protect             Blocks  Details\n"
              u"0000000140000000    Image      12 KB   12 KB  Read                     2  C:\\Qu\"arry\\é𝄞.exe\n"
              u"  0000000140000000  Image       4 KB    4 KB  Read                        Header\n"
              u"  0000000140001000  Image       8 KB    8 KB  Execute/Read                .text\n"
              u"00000003A0000000    Private  1536 KB   20 KB  Execute/Read/Write       1\n"
              u"  00000003A0000000  Private  1536 KB          Reserved\n");
    rows.push_back({true, 0x7FFE0000, {u"000000007FFE0000", u"Mapped", u"4 KB", u"4 KB"}});
    rows.push_back({true, 0x7FFF0000, {u"000000007FFF0000", u"Private", u"64 KB", u"8 KB"}});
    rows.push_back({true, 0x80000000, {u"0000000080000000", u"Odd", u"4294967296 KB"}});
    EXPECT_EQ(MapSummary(rows),
              u"Type     Allocations           Size  Committed\n"
              u"Image              1          12 KB      12 KB\n"
              u"Mapped             1           4 KB       4 KB\n"
              u"Private            2        1600 KB      28 KB\n"
              u"Odd                1  4294967296 KB       0 KB\n"
              u"Total              5  4294968912 KB      44 KB\n");
}

TEST(MapReport, ComparisonNamesEachAllocationAddedRemovedOrChanged) {
    MapRows after = Recorded();
    after.erase(after.begin(), after.begin() + 3);  // the image is gone
    after[0].cells[kColumnCommit] = u"84 KB";     // the heap commits more...
    after[1].cells[kColumnCommit] = u"64 KB";
    after.insert(after.begin() + 2, {false, 0x3A0010000, {u"00000003A0010000", u"Private", u"4 KB", u""}});  // ...in a new region
    after.push_back({true, 0x500000000, {u"0000000500000000", u"Private", u"64 KB", {}, u"Read/Write", u"1"}});
    EXPECT_EQ(DifferenceText(CompareMaps(Recorded(), after)),
              u"- \"0000000140000000\",\"Image\",\"12 KB\",\"12 KB\",\"Read\",\"2\",\"C:\\Qu\"arry\\é𝄞.exe\"\n"
              u"~ 00000003A0000000: Commit 20 KB -> 84 KB\n"
              u"  ~ 00000003A0000000: Commit \"\" -> 64 KB\n"
              u"  + \"00000003A0010000\",\"Private\",\"4 KB\",\"\"\n"  // a set cell, even empty, as Copy lists it
              u"+ \"0000000500000000\",\"Private\",\"64 KB\",\"Read/Write\",\"1\"\n"
              u"1 added, 1 removed, 1 changed\n");
    EXPECT_EQ(DifferenceText(CompareMaps(after, after)), u"0 added, 0 removed, 0 changed\n");
}

// A comparison that skipped a column would hide every change of it.
TEST(MapReport, ComparisonShowsAChangeOfEveryColumnOfAllocationsAndOfRegions) {
    // The image allocation, every cell set, and its .text region, Blocks unset.
    const std::tuple<int, std::u16string, std::u16string> cases[] = {
        {kColumnAddress, u"Address 0000000140000000 -> new", u"Address 0000000140001000 -> new"},
        {kColumnType, u"Type Image -> new", u"Type Image -> new"},
        {kColumnSize, u"Size 12 KB -> new", u"Size 8 KB -> new"},
        {kColumnCommit, u"Commit 12 KB -> new", u"Commit 8 KB -> new"},
        {kColumnProtect, u"Protect Read -> new", u"Protect Execute/Read -> new"},
        {kColumnBlocks, u"Blocks 2 -> new", u"Blocks \"\" -> new"},
        {kColumnDetails, u"Details C:\\Qu\"arry\\é𝄞.exe -> new", u"Details .text -> new"},
    };
    const MapRows before = Recorded();
    for (const auto& [column, allocationChange, regionChange] : cases) {
        MapRows allocation = before, region = before;
        allocation[0].cells[static_cast<std::size_t>(column)] = u"new";
        region[2].cells[static_cast<std::size_t>(column)] = u"new";
        EXPECT_EQ(DifferenceText(CompareMaps(before, allocation)), u"~ 0000000140000000: " + allocationChange + u"\n0 added, 0 removed, 1 changed\n");
        EXPECT_EQ(DifferenceText(CompareMaps(before, region)),
                  u"~ 0000000140000000:\n  ~ 0000000140001000: " + regionChange + u"\n0 added, 0 removed, 1 changed\n");
    }
}

TEST(MapRows, AnAddressFindsTheAllocationAndTheRegionHoldingIt) {
    const MapRows rows = Recorded();
    using Address = std::optional<std::uint64_t>;
    const std::tuple<std::uint64_t, Address, Address> cases[] = {
        {0x140000000, 0x140000000, 0x140000000}, {0x140002FFF, 0x140000000, 0x140001000},
        {0x140003000, std::nullopt, std::nullopt}, {0x13FFFFFFF, std::nullopt, std::nullopt},
        {0x3A017FFFF, 0x3A0000000, 0x3A0000000}, {0x3A0180000, std::nullopt, std::nullopt},
    };
    for (const auto& [address, allocationAddress, regionAddress] : cases) {
        const std::optional<MapRows> allocation = AllocationHolding(rows, address);
        EXPECT_EQ(allocation ? Address(allocation->front().address) : std::nullopt, allocationAddress) << std::hex << address;
        const MapRow* region = RegionHolding(rows, address);
        EXPECT_EQ(region ? Address(region->address) : std::nullopt, regionAddress) << std::hex << address;
    }
}

}  // namespace
}  // namespace quarry::cli
