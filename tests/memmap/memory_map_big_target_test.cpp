// The walk over the test target grown on request ("--allocations N"), as the benchmark uses
// it: every added allocation is an allocation row over its two regions, and a count the
// target cannot honour is refused rather than quietly ignored.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "memmap/win32_target_system.h"
#include "support/memmap_recording_rows.h"
#include "support/target_launcher.h"
#include "target/target_layout.h"

namespace quarry {
namespace {

using test::RecordingRowWriter;
using test::TargetLauncher;

constexpr int kAdded = 300;

// An added allocation as the tree shows it: its row, then its committed page and the
// reserved rest, all private and pale green.
bool IsAddedAllocation(const std::vector<std::string>& lines, std::size_t at) {
    if (at + 2 >= lines.size()) return false;
    const auto cellsAfterAddress = [](const std::string& line) { return line.substr(line.find(" | ")); };
    return cellsAfterAddress(lines[at]) == " | Private | 64 KB | 4 KB | Read/Write | 2 | - | DCFADC" &&
           cellsAfterAddress(lines[at + 1]) == " | Private | 4 KB | 4 KB | Read/Write | - | - | DCFADC" &&
           cellsAfterAddress(lines[at + 2]) == " | Private | 60 KB | - | Reserved | - | - | DCFADC";
}

TEST(BigTarget, EveryAddedAllocationIsARowOverItsTwoRegions) {
    TargetLauncher target;
    ASSERT_TRUE(target.Start(L"--allocations " + std::to_wstring(kAdded))) << target.Error();
    const std::vector<std::string>& facts = target.Facts().lines;
    EXPECT_NE(std::find(facts.begin(), facts.end(), "allocations 300 65536 4096"), facts.end());

    const test::UniqueHandle process(OpenProcess(0x100418, FALSE, target.Facts().pid));
    ASSERT_TRUE(process) << "cannot open the target, error " << GetLastError();
    RecordingRowWriter rows;
    BuildMemoryMap(process.get(), rows);
    const std::vector<std::string> lines = rows.Lines();
    int added = 0;
    for (std::size_t at = 0; at < lines.size(); ++at) added += IsAddedAllocation(lines, at);
    EXPECT_GE(added, kAdded);
}

TEST(BigTarget, CountsTheTargetCannotHonourAreRefused) {
    for (const std::string arguments : {"--allocations", "--allocations 0", "--allocations 12x", "--allocations -5",
                                        "--allocations 1000001", "--allocations 5 6"}) {
        TargetLauncher target;
        EXPECT_FALSE(target.Start(std::wstring(arguments.begin(), arguments.end()))) << arguments;
        EXPECT_EQ(target.Error(), "target reports: error bad allocation count") << arguments;
    }
}

}  // namespace
}  // namespace quarry
