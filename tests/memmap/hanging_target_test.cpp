// A target that ends while a question to it is out, and the question never comes back, as
// under Wine: the walk, the pane and the dump each come back with what a target that failed
// the question instead would give, and later questions do not wait again.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "content/content_pane.h"
#include "framework/handles.h"
#include "memmap/guarded_target.h"
#include "memmap/memory_map.h"
#include "memmap/region_dump.h"
#include "support/memmap_recording_rows.h"
#include "support/memmap_scripted_system.h"

namespace quarry {
namespace {

using test::ScriptedTargetSystem;

constexpr std::uint64_t kBase = 0x3A0000000, kPage = 0x1000;

// A committed region of three pages and a reserved one, until the target ends: its question
// then stays out for ten seconds, longer than any test here takes unless the caller waits
// for it after all.
class HangingTarget {
public:
    explicit HangingTarget(int callsLeft) {
        system_->AddRegion(kBase, kBase, 3 * kPage, kMemCommit, 0x04, kMemPrivate);
        system_->AddRegion(kBase + 3 * kPage, kBase, kPage, test::kMemReserve, 0, kMemPrivate);
        system_->memory[kBase] = std::vector<std::uint8_t>(4 * kPage, 0x5A);
        system_->callsLeft = callsLeft;
        system_->onDeath = [ended = ended_.get(), out = outstanding_] {
            ++*out;
            SetEvent(ended);
            Sleep(10000);
            --*out;
        };
    }

    GuardedTargetSystem System() const { return {system_, Calls()}; }
    GuardedProcessMemory Memory() const { return {system_, Calls()}; }
    // Questions to the ended target still out: the caller came back without them.
    int Outstanding() const { return *outstanding_; }

private:
    TargetCalls Calls() const { return TargetCalls(ended_.get(), TargetCalls::Mode::Guarded); }

    UniqueHandle ended_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::shared_ptr<std::atomic<int>> outstanding_ = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<ScriptedTargetSystem> system_ = std::make_shared<ScriptedTargetSystem>();
};

TEST(HangingTarget, TheWalkComesBackWithNoRowsAndARefreshAsksNothingMore) {
    const HangingTarget target(4);  // at the first region query, after the threads, heaps and PEB
    GuardedTargetSystem system = target.System();
    test::RecordingRowWriter rows;
    BuildMemoryMap(system, rows);
    BuildMemoryMap(system, rows);
    EXPECT_TRUE(rows.rows.empty());
    EXPECT_EQ(target.Outstanding(), 1) << "a walk waited for the question that never came back, or asked again";
}

TEST(HangingTarget, ThePaneSaysTheReadFailed) {
    const HangingTarget target(0);
    GuardedProcessMemory memory = target.Memory();
    std::vector<std::uint8_t> page(kPage, 0xEE);
    EXPECT_EQ(RowMemoryText(memory, kBase, page), kReadFailedText);
    EXPECT_EQ(target.Outstanding(), 1) << "the pane waited for the read that never came back";
}

TEST(HangingTarget, TheDumpFailsKeepingThePagesReadAndTheLostOnesAsZeros) {
    const HangingTarget target(2);  // at the first region's second page
    GuardedProcessMemory memory = target.Memory();
    test::MemoryFile file;
    std::vector<std::uint8_t> page(kPage);
    EXPECT_FALSE(DumpRegions(memory, file, std::vector<std::uint64_t>{kBase, kBase + 3 * kPage}, page));
    std::vector<std::uint8_t> expected(3 * kPage);
    std::fill_n(expected.begin(), kPage, 0x5A);
    EXPECT_EQ(file.contents, expected);
    EXPECT_EQ(target.Outstanding(), 1) << "the dump waited for the read that never came back";
}

}  // namespace
}  // namespace quarry
