// The dump against the scripted system and a file in memory: whole files compared, unreadable
// pages as zeros (those the read rule forbids never read), and every failure of the target
// or the file stopping the dump.
#include "memmap/region_dump.h"

#include <gtest/gtest.h>

#include "support/memmap_scripted_system.h"

namespace quarry {
namespace {

using test::MemoryFile;
using test::ScriptedTargetSystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kPage = 0x1000, kBase = 0x7FF000000000;

// The patterned bytes at `offset` into the allocation.
Bytes At(std::uint64_t offset, std::uint64_t size) { return test::PatternAt(kBase + offset, size); }

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// An allocation of three regions: four and a half pages committed, of which the second page
// cannot be read, the third reads as no bytes and the half page at the end cannot be read;
// two reserved pages whose bytes must not be read; one committed page.
ScriptedTargetSystem ThreeRegions() {
    ScriptedTargetSystem memory;
    memory.AddRegion(kBase, kBase, 0x4800, kMemCommit, 0x04, kMemPrivate);
    memory.AddRegion(kBase + 0x4800, kBase, 0x2000, test::kMemReserve, 0, kMemPrivate);
    memory.AddRegion(kBase + 0x6800, kBase, 0x1000, kMemCommit, 0x04, kMemPrivate);
    memory.memory[kBase] = At(0, kPage);
    memory.memory[kBase + 0x2000] = {};
    memory.memory[kBase + 0x3000] = At(0x3000, kPage);
    memory.memory[kBase + 0x4800] = At(0x4800, 0x3000);
    return memory;
}

const std::vector<std::uint64_t> kRegions = {kBase, kBase + 0x4800, kBase + 0x6800};
const Bytes kFirstRegion = Concat({At(0, kPage), Bytes(2 * kPage), At(0x3000, kPage), Bytes(kPage / 2)});

TEST(RegionDump, WritesEveryRegionAtItsOffsetWithUnreadablePagesAsZerosOrFails) {
    Bytes page(kPage);
    const struct {
        const char* what;
        std::vector<std::uint64_t> regions;
        int callsLeft, fileCallsLeft;
        std::size_t pageSize;
        bool dumped;
        Bytes file;
    } cases[] = {
        {"an allocation", kRegions, 100, 100, kPage, true, Concat({kFirstRegion, Bytes(0x2000), At(0x6800, 0x1000)})},
        {"a region that cannot be queried", kRegions, 6, 100, kPage, false, kFirstRegion},
        {"a target that ends mid-region", kRegions, 2, 100, kPage, false, Concat({At(0, kPage), Bytes(0x3800)})},
        {"a write refused", kRegions, 100, 0, kPage, false, {}},
        {"a skip refused", kRegions, 100, 1, kPage, false, At(0, kPage)},
        {"no copy buffer", kRegions, 100, 100, 0, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedTargetSystem memory = ThreeRegions();
        memory.callsLeft = c.callsLeft;
        MemoryFile file;
        file.callsLeft = c.fileCallsLeft;
        EXPECT_EQ(DumpRegions(memory, file, c.regions, std::span(page).first(c.pageSize)), c.dumped);
        EXPECT_EQ(file.contents, c.file);
    }
}

// Zeros for what the read rule forbids, in one step and without a read of it.
TEST(RegionDump, WritesZerosForGuardNoAccessAndReservedPagesWithoutReadingThem) {
    using S = test::StackShaped;
    Bytes allocation(S::kEnd - S::kBase);
    const Bytes readable = test::PatternAt(S::kReadWrite, S::kLastGuard - S::kReadWrite);
    std::copy(readable.begin(), readable.end(), allocation.begin() + (S::kReadWrite - S::kBase));
    const std::pair<std::vector<std::uint64_t>, Bytes> cases[] = {
        {{S::kNoAccess}, Bytes(kPage)},
        {{S::kGuard}, Bytes(kPage)},
        {{S::kBase, S::kNoAccess, S::kGuard, S::kReadWrite, S::kReadOnly, S::kLastGuard}, allocation},
    };
    for (const auto& [regions, contents] : cases) {
        ScriptedTargetSystem target = S::Target();
        MemoryFile file;
        Bytes page(kPage);
        EXPECT_TRUE(DumpRegions(target, file, regions, page));
        EXPECT_EQ(file.contents, contents);
        EXPECT_TRUE(S::OnlyReadablePagesRead(target));
    }
}

}  // namespace
}  // namespace quarry
