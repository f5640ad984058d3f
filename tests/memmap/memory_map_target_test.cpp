// One walk of the real test target, under Wine or Windows: the rows of its known layout as
// the user reads them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/handles.h"
#include "memmap/win32_target_process.h"
#include "memmap/win32_target_system.h"
#include "support/memmap_recording_rows.h"
#include "support/target_launcher.h"
#include "target/target_layout.h"

namespace quarry {
namespace {

using test::Hex16;
using test::RecordingRowWriter;
using Lines = std::vector<std::string>;

std::string Narrow(const std::wstring& text) { return test::Narrow(std::u16string(text.begin(), text.end())); }

TEST(MemoryMapOfTarget, ShowsItsKnownLayout) {
    test::TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const test::TargetFacts& facts = target.Facts();
    const UniqueHandle process = OpenTargetProcess(facts.pid);
    ASSERT_TRUE(process) << "cannot open the target, error " << GetLastError();
    RecordingRowWriter rows;
    BuildMemoryMap(process.get(), rows);

    // Allocations back to back: the pattern, the reserved one, the guard and no-access pages.
    const std::string pattern = Hex16(facts.patternAlloc.address), reserved = Hex16(facts.reservedAlloc.address);
    const std::string guard = Hex16(facts.guardPage.address), noAccess = Hex16(facts.noAccessPage.address);
    EXPECT_EQ(rows.Lines(facts.patternAlloc.address),
              (Lines{pattern + " | Private | 1024 KB | 64 KB | Read/Write | 2 | - | DCFADC",
                     "  " + pattern + " | Private | 64 KB | 64 KB | Read/Write | - | - | DCFADC",
                     "  " + Hex16(facts.patternAlloc.address + target::kPatternCommittedSize) +
                         " | Private | 960 KB | - | Reserved | - | - | DCFADC"}));
    EXPECT_EQ(rows.Lines(facts.reservedAlloc.address),
              (Lines{reserved + " | Private | 256 KB | - | Reserved | 1 | - | DCFADC",
                     "  " + reserved + " | Private | 256 KB | - | Reserved | - | - | DCFADC"}));
    EXPECT_EQ(rows.Lines(facts.guardPage.address),
              (Lines{guard + " | Private | 4 KB | 4 KB | Guard/Read/Write | 1 | - | DCFADC",
                     "  " + guard + " | Private | 4 KB | 4 KB | Guard/Read/Write | - | - | DCFADC"}));
    EXPECT_EQ(rows.Lines(facts.noAccessPage.address),
              (Lines{noAccess + " | Private | 4 KB | 4 KB | NoAccess | 1 | - | DCFADC",
                     "  " + noAccess + " | Private | 4 KB | 4 KB | NoAccess | - | - | DCFADC"}));

    const std::string view = Hex16(facts.mappedView.address);
    EXPECT_EQ(rows.Lines(facts.mappedView.address),
              (Lines{view + " | Mapped | 64 KB | 64 KB | Read | 1 | " + Narrow(facts.mappedFilePath) + " | FADCDC",
                     "  " + view + " | Mapped | 64 KB | 64 KB | Read | - | - | FADCDC"}));

    const Lines dll = rows.Lines(facts.dllBase);
    ASSERT_GE(dll.size(), 3u);
    EXPECT_TRUE(dll[0].starts_with(Hex16(facts.dllBase) + " | Image | ")) << dll[0];
    EXPECT_TRUE(dll[0].ends_with(" | " + Narrow(facts.dllPath) + " | DCDCFA")) << dll[0];
    EXPECT_EQ(dll[1], "  " + Hex16(facts.dllBase) + " | Image | 4 KB | 4 KB | Read | - | Header | DCDCFA");
    const std::string ownSection = "  " + Hex16(facts.dllSection) + " | Image | 4 KB | 4 KB | Execute/Read | - | " +
                                   target::kDllSectionName + " | DCDCFA";
    EXPECT_NE(std::find(dll.begin(), dll.end(), ownSection), dll.end()) << ownSection;

    // Each thread's stack is labelled on its allocation row only.
    const Lines all = rows.Lines();
    for (const DWORD id : facts.threadIds) {
        const std::string label = " | Thread Stack [ID: " + std::to_string(id) + "] | ";
        Lines labelled;
        std::copy_if(all.begin(), all.end(), std::back_inserter(labelled),
                     [&](const std::string& line) { return line.find(label) != std::string::npos; });
        ASSERT_EQ(labelled.size(), 1u) << label;
        EXPECT_FALSE(labelled[0].starts_with(' ')) << labelled[0];
    }

    // Wine keeps the process environment block inside a larger allocation, so its label
    // cannot show; the question behind it still answers.
    Win32TargetSystem system(process.get());
    std::array<std::uint8_t, 56> block{};
    EXPECT_TRUE(system.ReadMemory(system.QueryPebAddress(), block));
}

}  // namespace
}  // namespace quarry
