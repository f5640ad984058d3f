// The one rule for reading the target, against a scripted target that, like Wine, would
// give the bytes of any page it is asked for: the pane, the dump and reads across region
// boundaries touch only committed pages that are neither guard nor no-access pages, and show
// the message or zeros for the rest.
#include <gtest/gtest.h>

#include "content/content_pane.h"
#include "content/hex_dump.h"
#include "memmap/region_dump.h"
#include "support/memmap_scripted_system.h"

namespace quarry {
namespace {

using test::MemoryFile;
using test::ScriptedTargetSystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kBase = 0x10000000, kPage = 0x1000;
constexpr std::uint64_t kNoAccess = kBase + 0x2000, kGuard = kBase + 0x3000, kReadWrite = kBase + 0x4000,
                        kReadOnly = kBase + 0x6000, kEnd = kBase + 0x7000;

Bytes Pattern(std::uint64_t from, std::uint64_t size) {
    Bytes bytes(size);
    for (std::uint64_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((from + i) * 7 % 251 + 1);
    return bytes;
}

// A thread stack's shape: reserved, no-access, guard, read-write, and a read-only page after
// it; every byte of it is there to be read, as Wine would give it.
ScriptedTargetSystem StackShaped() {
    ScriptedTargetSystem target;
    target.AddRegion(kBase, kBase, 0x2000, test::kMemReserve, 0, kMemPrivate);
    target.AddRegion(kNoAccess, kBase, kPage, kMemCommit, 0x01, kMemPrivate);
    target.AddRegion(kGuard, kBase, kPage, kMemCommit, 0x104, kMemPrivate);
    target.AddRegion(kReadWrite, kBase, 2 * kPage, kMemCommit, 0x04, kMemPrivate);
    target.AddRegion(kReadOnly, kBase, kPage, kMemCommit, 0x02, kMemPrivate);
    target.memory[kBase] = Pattern(kBase, kEnd - kBase);
    return target;
}

void ExpectOnlyReadablePagesRead(const ScriptedTargetSystem& target) {
    for (const auto& [address, size] : target.reads)
        EXPECT_TRUE(address >= kReadWrite && address + size <= kEnd) << std::hex << "a read of " << size << " at " << address;
}

std::u16string DumpText(std::uint64_t address, const Bytes& bytes) {
    std::u16string text;
    FormatHexDump(bytes.data(), static_cast<std::uint32_t>(bytes.size()), address, text);
    return text;
}

TEST(ReadRule, ThePaneReadsOnlyReadablePagesAndShowsTheMessageForTheRest) {
    ScriptedTargetSystem target = StackShaped();
    Bytes page(kPage);
    const std::pair<std::uint64_t, bool> rows[] = {
        {kBase, false}, {kNoAccess, false}, {kGuard, false}, {kReadWrite, true}, {kReadWrite + kPage, true},
        {kReadOnly, true},
        {kReadWrite + 0x800, true},  // across the boundary into the read-only page
        {kGuard + 0x800, false},     // from the guard page into the read-write one
        {kReadOnly + 0x800, false},  // past the end into memory that is not there
    };
    for (const auto& [address, readable] : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << address);
        EXPECT_EQ(RowMemoryText(target, address, page),
                  readable ? DumpText(address, Pattern(address, kPage)) : kReadFailedText);
    }
    EXPECT_EQ(target.reads.size(), 4u);
    ExpectOnlyReadablePagesRead(target);
}

TEST(ReadRule, DumpsWriteZerosForWhatTheRuleForbidsWithoutReadingIt) {
    const Bytes zeros(kReadWrite - kBase);
    Bytes allocation = zeros;
    const Bytes readable = Pattern(kReadWrite, kEnd - kReadWrite);
    allocation.insert(allocation.end(), readable.begin(), readable.end());
    const struct {
        std::vector<std::uint64_t> regions;
        Bytes file;
    } cases[] = {
        {{kNoAccess}, Bytes(kPage)},
        {{kGuard}, Bytes(kPage)},
        {{kReadWrite}, Pattern(kReadWrite, 2 * kPage)},
        {{kBase, kNoAccess, kGuard, kReadWrite, kReadOnly}, allocation},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.regions.front());
        ScriptedTargetSystem target = StackShaped();
        MemoryFile file;
        Bytes page(kPage);
        EXPECT_TRUE(DumpRegions(target, file, c.regions, page));
        EXPECT_EQ(file.contents, c.file);
        ExpectOnlyReadablePagesRead(target);
    }
}

}  // namespace
}  // namespace quarry
