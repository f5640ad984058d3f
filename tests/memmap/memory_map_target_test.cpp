// The walk over the real test target under Wine or Windows: the rows of its known layout,
// cell by cell, as the user would read them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iostream>
#include <string>
#include <vector>

#include "memmap/win32_target_system.h"
#include "support/memmap_recording_rows.h"
#include "support/target_launcher.h"
#include "support/win_handles.h"
#include "target/target_layout.h"

namespace quarry {
namespace {

using test::Hex;
using test::RecordingRowWriter;
using test::TargetFacts;
using test::TargetLauncher;
using Lines = std::vector<std::string>;

constexpr DWORD kOpenAccess = 0x100418;

std::string Narrow(const std::wstring& text) { return test::Narrow(std::u16string(text.begin(), text.end())); }

std::string Address(std::uint64_t address) { return Hex(address, 16); }

// Where the DLL's own section lies in the target: its marker is the section's only item, so the
// marker's offset in a copy loaded here is the section's offset in any process.
std::uint64_t OwnSectionAddress(const TargetFacts& facts) {
    const test::UniqueModule dll(LoadLibraryW(facts.dllPath.c_str()));
    const auto marker = reinterpret_cast<std::uintptr_t>(GetProcAddress(dll.get(), "QuarryTestDllMarker"));
    return marker == 0 ? 0 : facts.dllBase + (marker - reinterpret_cast<std::uintptr_t>(dll.get()));
}

class MemoryMapOfTarget : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(target_.Start()) << target_.Error();
        process_.reset(OpenProcess(kOpenAccess, FALSE, target_.Facts().pid));
        ASSERT_TRUE(process_) << "cannot open the target, error " << GetLastError();
        BuildMemoryMap(process_.get(), rows_);
        std::cout << "walked the target: " << rows_.Rows().size() << " rows, " << rows_.AllocationCount()
                  << " allocations\n";
    }

    const TargetFacts& Facts() const { return target_.Facts(); }

    // The top-level rows whose Details read `details`.
    std::vector<RowHandle> AllocationsNamed(const std::string& details) const {
        std::vector<RowHandle> found;
        for (RowHandle row = 1; row <= rows_.Rows().size(); ++row) {
            const RecordingRowWriter::Row& r = rows_.At(row);
            if (r.parent == kNoRow && r.cells[kColumnDetails] && test::Narrow(*r.cells[kColumnDetails]) == details)
                found.push_back(row);
        }
        return found;
    }

    std::vector<const RecordingRowWriter::Row*> RegionsOf(RowHandle allocation) const {
        std::vector<const RecordingRowWriter::Row*> regions;
        for (const RecordingRowWriter::Row& row : rows_.Rows())
            if (row.parent == allocation) regions.push_back(&row);
        return regions;
    }

    TargetLauncher target_;
    test::UniqueHandle process_;
    RecordingRowWriter rows_;
};

TEST_F(MemoryMapOfTarget, ShowsItsPrivateAllocationsWithTotalsAndProtection) {
    const std::string pattern = Address(Facts().patternAlloc.address);
    const std::string reserved = Address(Facts().reservedAlloc.address);
    const std::string guard = Address(Facts().guardPage.address);
    const std::string noAccess = Address(Facts().noAccessPage.address);
    const std::string patternReserved = Address(Facts().patternAlloc.address + target::kPatternCommittedSize);

    EXPECT_EQ(rows_.AllocationLines(Facts().patternAlloc.address),
              (Lines{pattern + " | Private | 1024 KB | 64 KB | Read/Write | 2 | - | DCFADC",
                     "  " + pattern + " | Private | 64 KB | 64 KB | Read/Write | - | - | DCFADC",
                     "  " + patternReserved + " | Private | 960 KB | - | Reserved | - | - | DCFADC"}));
    EXPECT_EQ(rows_.AllocationLines(Facts().reservedAlloc.address),
              (Lines{reserved + " | Private | 256 KB | - | Reserved | 1 | - | DCFADC",
                     "  " + reserved + " | Private | 256 KB | - | Reserved | - | - | DCFADC"}));
    EXPECT_EQ(rows_.AllocationLines(Facts().guardPage.address),
              (Lines{guard + " | Private | 4 KB | 4 KB | Guard/Read/Write | 1 | - | DCFADC",
                     "  " + guard + " | Private | 4 KB | 4 KB | Guard/Read/Write | - | - | DCFADC"}));
    EXPECT_EQ(rows_.AllocationLines(Facts().noAccessPage.address),
              (Lines{noAccess + " | Private | 4 KB | 4 KB | NoAccess | 1 | - | DCFADC",
                     "  " + noAccess + " | Private | 4 KB | 4 KB | NoAccess | - | - | DCFADC"}));
    EXPECT_TRUE(rows_.Visible());
    EXPECT_EQ(rows_.WritesWhileVisible(), 0);
}

TEST_F(MemoryMapOfTarget, LabelsEachThreadStackOnItsAllocationRowOnly) {
    for (const DWORD id : Facts().threadIds) {
        SCOPED_TRACE(id);
        const std::vector<RowHandle> stacks = AllocationsNamed("Thread Stack [ID: " + std::to_string(id) + "]");
        ASSERT_EQ(stacks.size(), 1u);
        EXPECT_EQ(test::Narrow(*rows_.At(stacks[0]).cells[kColumnType]), "Private");
        const auto regions = RegionsOf(stacks[0]);
        EXPECT_GE(regions.size(), 2u) << "a reserved part and a committed top";
        for (const RecordingRowWriter::Row* region : regions) EXPECT_FALSE(region->cells[kColumnDetails]);
    }
}

// Wine keeps the environment blocks inside one larger allocation, so their labels cannot show;
// the queries behind them still answer.
TEST_F(MemoryMapOfTarget, FindsTheEnvironmentBlocks) {
    Win32TargetSystem system(process_.get());
    std::array<std::uint8_t, 56> block{};
    const std::uint64_t peb = system.QueryPebAddress();
    EXPECT_NE(peb, 0u);
    EXPECT_TRUE(system.ReadMemory(peb, block));
    for (const DWORD id : Facts().threadIds) {
        const std::optional<ThreadBasics> thread = system.QueryThread(id);
        ASSERT_TRUE(thread) << id;
        EXPECT_EQ(thread->threadId, id);
        EXPECT_TRUE(system.ReadMemory(thread->tebAddress, block));
    }
}

TEST_F(MemoryMapOfTarget, NamesTheDllAndItsSections) {
    const std::string base = Address(Facts().dllBase);
    const std::string section = Address(OwnSectionAddress(Facts()));
    const Lines lines = rows_.AllocationLines(Facts().dllBase);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with(base + " | Image | ")) << lines[0];
    EXPECT_TRUE(lines[0].ends_with(" | " + Narrow(Facts().dllPath) + " | DCDCFA")) << lines[0];
    EXPECT_EQ(lines[1], "  " + base + " | Image | 4 KB | 4 KB | Read | - | Header | DCDCFA");
    const std::string ownSection = "  " + section + " | Image | 4 KB | 4 KB | Execute/Read | - | " + target::kDllSectionName + " | DCDCFA";
    EXPECT_NE(std::find(lines.begin(), lines.end(), ownSection), lines.end()) << ownSection;
}

TEST_F(MemoryMapOfTarget, NamesTheMappedFileWithItsDriveLetter) {
    const std::string view = Address(Facts().mappedView.address);
    EXPECT_EQ(rows_.AllocationLines(Facts().mappedView.address),
              (Lines{view + " | Mapped | 64 KB | 64 KB | Read | 1 | " + Narrow(Facts().mappedFilePath) + " | FADCDC",
                     "  " + view + " | Mapped | 64 KB | 64 KB | Read | - | - | FADCDC"}));
}

}  // namespace
}  // namespace quarry
