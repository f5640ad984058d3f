// The dump against a scripted process and file: every byte at its offset, unreadable pages
// as zeros, and every failure of the system stopping the dump instead of passing unnoticed.
#include "memmap/region_dump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "memmap/scripted_process_memory.h"

namespace quarry {
namespace {

using test::RecordingDumpFile;
using test::ScriptedProcessMemory;
using Bytes = std::vector<std::uint8_t>;
using Reads = std::vector<std::pair<std::uint64_t, std::size_t>>;

constexpr std::size_t kPage = 0x1000;
constexpr std::uint32_t kReserve = 0x2000;
constexpr std::uint64_t kBase = 0x7FF000000000;

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + seed) % 253);
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class RegionDump : public testing::Test {
protected:
    bool Dump(std::uint64_t address) { return DumpRegion(memory, file, address, page); }
    bool Dump(std::vector<std::uint64_t> addresses) { return DumpRegions(memory, file, addresses, page); }

    ScriptedProcessMemory memory;
    RecordingDumpFile file;
    Bytes pageBuffer = Bytes(kPage);
    std::span<std::uint8_t> page{pageBuffer};
};

TEST_F(RegionDump, CopiesAReadableRegionPageByPage) {
    memory.AddRegion(kBase, 4 * kPage, kMemCommit);
    memory.memory[kBase] = Pattern(4 * kPage, 1);
    ASSERT_TRUE(Dump(kBase));
    EXPECT_EQ(file.contents, Pattern(4 * kPage, 1));
    EXPECT_EQ(memory.reads, (Reads{{kBase, kPage}, {kBase + kPage, kPage}, {kBase + 2 * kPage, kPage}, {kBase + 3 * kPage, kPage}}));
}

TEST_F(RegionDump, UnreadablePagesBecomeZerosAtTheirOffsetsAlsoTheLastOne) {
    // Pages 0 and 2 readable; page 1 and the half page at the end are not.
    const std::uint64_t size = 3 * kPage + kPage / 2;
    memory.AddRegion(kBase, size, kMemCommit);
    memory.memory[kBase] = Pattern(kPage, 1);
    memory.memory[kBase + 2 * kPage] = Pattern(kPage, 2);
    ASSERT_TRUE(Dump(kBase));
    EXPECT_EQ(file.contents, Concat({Pattern(kPage, 1), Bytes(kPage), Pattern(kPage, 2), Bytes(kPage / 2)}));
    EXPECT_EQ(memory.reads.back(), (std::pair<std::uint64_t, std::size_t>{kBase + 3 * kPage, kPage / 2}));
}

TEST_F(RegionDump, AReadThatSucceedsWithNoBytesCountsAsUnreadable) {
    memory.AddRegion(kBase, 3 * kPage, kMemCommit);
    memory.memory[kBase] = Pattern(3 * kPage, 3);
    memory.emptyReads = {kBase + kPage};
    ASSERT_TRUE(Dump(kBase));
    Bytes expected = Pattern(3 * kPage, 3);
    std::fill_n(expected.begin() + kPage, kPage, 0);
    EXPECT_EQ(file.contents, expected);
    EXPECT_EQ(memory.reads.size(), 3u);
}

TEST_F(RegionDump, ARegionThatIsNotCommittedIsZerosOfItsExactSizeWithoutReads) {
    memory.AddRegion(kBase, 60 * kPage + 0x800, kReserve);
    ASSERT_TRUE(Dump(kBase));
    EXPECT_EQ(file.contents, Bytes(60 * kPage + 0x800));
    EXPECT_TRUE(memory.reads.empty());
}

TEST_F(RegionDump, AnAllocationIsItsRegionsBackToBack) {
    // 64 KB committed, then 960 KB reserved: 1048576 bytes in all.
    memory.AddRegion(kBase, 0x10000, kMemCommit);
    memory.AddRegion(kBase + 0x10000, 0xF0000, kReserve);
    memory.memory[kBase] = Pattern(0x10000, 4);
    ASSERT_TRUE(Dump({kBase, kBase + 0x10000}));
    EXPECT_EQ(file.contents, Concat({Pattern(0x10000, 4), Bytes(0xF0000)}));
    EXPECT_EQ(file.contents.size(), 1048576u);
}

TEST_F(RegionDump, AFailedQueryStopsTheAllocationBeforeTheNextRegion) {
    memory.AddRegion(kBase, kPage, kMemCommit);
    memory.AddRegion(kBase + kPage, kPage, kMemCommit);
    memory.AddRegion(kBase + 2 * kPage, kPage, kMemCommit);
    memory.memory[kBase] = Pattern(3 * kPage, 5);
    memory.failingQueries = {kBase + kPage};
    EXPECT_FALSE(Dump({kBase, kBase + kPage, kBase + 2 * kPage}));
    EXPECT_EQ(file.contents, Pattern(kPage, 5));  // what came before stays
    EXPECT_EQ(memory.queried, (std::vector<std::uint64_t>{kBase, kBase + kPage}));
}

TEST_F(RegionDump, AFailedWriteOrSkipStopsTheCopy) {
    memory.AddRegion(kBase, 4 * kPage, kMemCommit);
    memory.memory[kBase] = Pattern(kPage, 6);  // pages 1 to 3 unreadable
    file.writesBeforeFailure = 0;
    EXPECT_FALSE(Dump(kBase));
    EXPECT_TRUE(file.contents.empty());
    EXPECT_EQ(memory.reads.size(), 1u);

    RecordingDumpFile skipping;
    skipping.skipsBeforeFailure = 1;
    memory.reads.clear();
    EXPECT_FALSE(DumpRegion(memory, skipping, kBase, page));
    EXPECT_EQ(skipping.contents, Concat({Pattern(kPage, 6), Bytes(kPage)}));
    EXPECT_EQ(memory.reads.size(), 3u);  // the page whose skip failed was the last one read

    memory.AddRegion(kBase + 4 * kPage, kPage, kReserve);
    RecordingDumpFile refusing;
    refusing.skipsBeforeFailure = 0;
    EXPECT_FALSE(DumpRegion(memory, refusing, kBase + 4 * kPage, page));
}

TEST_F(RegionDump, WithoutABufferTheRegionFailsAndNothingIsWritten) {
    memory.AddRegion(kBase, kPage, kMemCommit);
    memory.memory[kBase] = Pattern(kPage, 7);
    EXPECT_FALSE(DumpRegion(memory, file, kBase, {}));
    EXPECT_TRUE(file.contents.empty());
    EXPECT_TRUE(memory.reads.empty());
}

}  // namespace
}  // namespace quarry
