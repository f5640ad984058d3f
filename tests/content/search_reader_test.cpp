// The search's reads of the scripted target: which reads reach it, in what sizes, and which
// hits come out of them.
#include "content/search_reader.h"

#include <gtest/gtest.h>

#include "support/memmap_scripted_system.h"

namespace quarry {
namespace {

using Reads = std::vector<std::pair<std::uint64_t, std::size_t>>;

constexpr std::uint64_t kBase = 0x10000000, kMiB = 0x100000, kPage = 0x1000;
constexpr std::string_view kNeedle = "NEEDLE";
const std::vector<AddressRange> kAll = {{kBase, kBase + 0x234000}};
constexpr std::uint64_t kAllCommitted = 0x224000;  // all but the reserved range

// A 2 MiB run of a read-write and a read-only region; a guard page; a page ending in the
// needle's first half, a no-access page and a page starting with its second half; a reserved
// range; a region that fails to read beside one that reads; and past the searched range a
// committed page. The needle is in every one of them.
struct Target {
    test::ScriptedTargetSystem system;

    Target() {
        Region(0, 0x180000, kMemCommit, 0x04);
        Region(0x180000, 0x80000, kMemCommit, 0x02);
        Region(0x200000, kPage, kMemCommit, 0x104);
        Region(0x201000, kPage, kMemCommit, 0x04);
        Region(0x202000, kPage, kMemCommit, 0x01);
        Region(0x203000, kPage, kMemCommit, 0x04);
        Region(0x204000, 0x10000, test::kMemReserve, 0);
        Region(0x214000, 0x10000, kMemCommit, 0x04);
        Region(0x224000, 0x10000, kMemCommit, 0x04);
        Region(0x300000, kPage, kMemCommit, 0x04);
        // Readable bytes everywhere except the region at 0x214000, whose read fails.
        system.memory[kBase].assign(0x214000, '.');
        system.memory[kBase + 0x224000].assign(0x10000, '.');
        system.memory[kBase + 0x300000].assign(kPage, '.');
        const std::uint64_t needles[] = {0, kMiB - 3, 0x180000 - 2, 0x200000 - 6, 0x200010, 0x202010, 0x204010};
        for (const std::uint64_t at : needles) Put(kBase, at, kNeedle);
        Put(kBase, 0x202000 - 3, kNeedle.substr(0, 3));
        Put(kBase, 0x203000, kNeedle.substr(3));
        Put(kBase + 0x224000, 0, kNeedle);
        Put(kBase + 0x300000, 0, kNeedle);
    }
    void Region(std::uint64_t offset, std::uint64_t size, std::uint32_t state, std::uint32_t protect) {
        system.AddRegion(kBase + offset, kBase, size, state, protect, kMemPrivate);
    }
    void Put(std::uint64_t block, std::uint64_t offset, std::string_view text) {
        std::copy(text.begin(), text.end(), system.memory[block].begin() + static_cast<std::ptrdiff_t>(offset));
    }
};

TEST(SearchMemory, AsksEachRegionOnceAndReadsOnlyReadableRunsInMegabyteChunksFindingHitsAcrossRegionsNotGaps) {
    const struct {
        const char* what;
        std::vector<AddressRange> ranges;
        bool decommit;  // the last region, once the first chunk is read
        std::size_t maxHits;
        std::uint64_t stopAfter;  // bytes done when progress asks to stop
        bool complete;
        std::uint64_t committedDone;  // at the end
        int calls;                    // questions and reads: each region is asked for once
        std::vector<std::uint64_t> hits;
        Reads reads;
    } cases[] = {
        {"all of it", kAll, false, 100, ~0ull, true, kAllCommitted, 18,
         {kBase, kBase + kMiB - 3, kBase + 0x180000 - 2, kBase + 0x200000 - 6, kBase + 0x224000},
         {{kBase, kMiB}, {kBase + kMiB, kMiB}, {kBase + 0x201000, kPage}, {kBase + 0x203000, kPage},
          {kBase + 0x214000, 0x20000}, {kBase + 0x214000, 0x10000}, {kBase + 0x224000, 0x10000}}},
        {"a region decommitted before its turn", kAll, true, 100, ~0ull, true, kAllCommitted - 0x10000, 16,
         {kBase, kBase + kMiB - 3, kBase + 0x180000 - 2, kBase + 0x200000 - 6},
         {{kBase, kMiB}, {kBase + kMiB, kMiB}, {kBase + 0x201000, kPage}, {kBase + 0x203000, kPage}, {kBase + 0x214000, 0x10000}}},
        {"parts of regions in ranges that touch", {{kBase + kMiB - 0x10, kBase + 0x180000}, {kBase + 0x180000, kBase + 0x180010}},
         false, 100, ~0ull, true, 0x80020, 3, {kBase + kMiB - 3, kBase + 0x180000 - 2}, {{kBase + kMiB - 0x10, 0x80020}}},
        {"stopped by the hits", kAll, false, 2, ~0ull, false, 2 * kMiB, 4, {kBase, kBase + kMiB - 3},
         {{kBase, kMiB}, {kBase + kMiB, kMiB}}},
        {"stopped by the progress", kAll, false, 100, kMiB, false, kMiB, 2, {kBase}, {{kBase, kMiB}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Target target;
        std::vector<std::uint64_t> hits;
        PatternSearch search({*Utf8TextPattern(u"NEEDLE", false)}, [&](const PatternHit& hit) {
            hits.push_back(hit.address);
            return hits.size() < c.maxHits;
        });
        std::uint64_t done = 0;
        EXPECT_EQ(SearchMemory(target.system, c.ranges, search,
                               [&](std::uint64_t soFar) {
                                   EXPECT_GE(soFar, done);
                                   done = soFar;
                                   if (c.decommit)
                                       target.system.answers[kBase + 0x224000] = {kBase + 0x224000, kBase, 0x10000,
                                                                                  test::kMemReserve, 0, kMemPrivate};
                                   return soFar < c.stopAfter;
                               }),
                  c.complete);
        EXPECT_EQ(hits, c.hits);
        EXPECT_EQ(target.system.reads, c.reads);
        EXPECT_EQ(done, c.committedDone);
        EXPECT_EQ(target.system.calls, c.calls);
    }
}

}  // namespace
}  // namespace quarry
