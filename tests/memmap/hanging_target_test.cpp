// A target that ends while a question to it is out, and the question never comes back, as
// under Wine: the walk, the pane and the dump each come back with what a target that failed
// the question instead would give, and later questions do not wait again.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

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

// Two allocations, the first of a committed region of three pages and a reserved one.
ScriptedTargetSystem TwoAllocations(int callsLeft) {
    ScriptedTargetSystem system;
    system.AddRegion(kBase, kBase, 3 * kPage, kMemCommit, 0x04, kMemPrivate);
    system.AddRegion(kBase + 3 * kPage, kBase, kPage, test::kMemReserve, 0, kMemPrivate);
    system.AddRegion(kBase + 0x10000, kBase + 0x10000, kPage, kMemCommit, 0x02, kMemPrivate);
    system.memory[kBase] = std::vector<std::uint8_t>(4 * kPage, 0x5A);
    system.callsLeft = callsLeft;
    return system;
}

// The target's end: its question stays out until the test is over (or, should the caller
// wait for it after all, ten seconds), so that its thread can finish.
class HangingTarget {
public:
    explicit HangingTarget(int callsLeft) : system_(std::make_shared<ScriptedTargetSystem>(TwoAllocations(callsLeft))) {
        system_->onDeath = [ended = ended_.get(), released = released_, out = outstanding_] {
            ++*out;
            SetEvent(ended);
            released.wait_for(std::chrono::seconds(10));
            --*out;
        };
    }
    ~HangingTarget() { release_.set_value(); }

    GuardedTargetSystem System() const { return {system_, Calls()}; }
    GuardedProcessMemory Memory() const { return {system_, Calls()}; }
    // Questions to the ended target still out: the caller came back without them.
    int Outstanding() const { return *outstanding_; }

private:
    TargetCalls Calls() const { return TargetCalls(ended_.get(), TargetCalls::Mode::Guarded); }

    UniqueHandle ended_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::promise<void> release_;
    std::shared_future<void> released_ = release_.get_future().share();
    std::shared_ptr<std::atomic<int>> outstanding_ = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<ScriptedTargetSystem> system_;
};

TEST(HangingTarget, TheWalkThePaneAndTheDumpComeBackWithTheirFailureResult) {
    for (const int callsLeft : {4, 6, 8}) {  // at the first region query, the third, the fifth
        SCOPED_TRACE("the target ends after " + std::to_string(callsLeft) + " calls");
        const HangingTarget target(callsLeft);
        GuardedTargetSystem system = target.System();
        test::RecordingRowWriter rows;
        BuildMemoryMap(system, rows);
        // The regions asked for ahead of the walk with the one that never came back are lost
        // with it: what shows is the walk of a target that ended at that point or before.
        bool shown = false;
        for (int end = 0; end <= callsLeft; ++end) {
            ScriptedTargetSystem failing = TwoAllocations(end);
            test::RecordingRowWriter expected;
            BuildMemoryMap(failing, expected);
            shown = shown || expected.Lines() == rows.Lines();
        }
        EXPECT_TRUE(shown);
        EXPECT_TRUE(rows.visible);
        EXPECT_EQ(target.Outstanding(), 1) << "the walk waited for the question that never came back";
        test::RecordingRowWriter refreshed;
        BuildMemoryMap(system, refreshed);
        EXPECT_TRUE(refreshed.rows.empty());
    }
    {
        const HangingTarget target(0);
        GuardedProcessMemory memory = target.Memory();
        std::vector<std::uint8_t> page(kPage, 0xEE);
        EXPECT_EQ(RowMemoryText(memory, kBase, page), kReadFailedText);
        EXPECT_EQ(target.Outstanding(), 1) << "the pane waited for the read that never came back";
    }
    const std::vector<std::uint64_t> regions = {kBase, kBase + 3 * kPage};
    for (const int callsLeft : {2, 3}) {  // at the first region's second read, or third
        ScriptedTargetSystem failing = TwoAllocations(callsLeft);
        test::MemoryFile expected, file;
        std::vector<std::uint8_t> page(kPage);
        EXPECT_FALSE(DumpRegions(failing, expected, regions, page));
        const HangingTarget target(callsLeft);
        GuardedProcessMemory memory = target.Memory();
        EXPECT_FALSE(DumpRegions(memory, file, regions, page));
        EXPECT_EQ(file.contents, expected.contents);
        EXPECT_EQ(file.contents.size(), 3 * kPage);  // the first region, the pages lost as zeros
        EXPECT_EQ(target.Outstanding(), 1) << "the dump waited for the read that never came back";
    }
}

}  // namespace
}  // namespace quarry
