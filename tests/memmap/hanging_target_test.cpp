// A target that ends while a question to it is out, and the question never comes back, as
// under Wine: the walk, the pane and the dump each come back with their failure result,
// exactly as when the question fails.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

#include "content/content_pane.h"
#include "memmap/guarded_target.h"
#include "memmap/memory_map.h"
#include "memmap/region_dump.h"
#include "memmap/scripted_process_memory.h"
#include "support/memmap_recording_rows.h"
#include "support/memmap_scripted_system.h"
#include "support/win_handles.h"

namespace quarry {
namespace {

using test::RecordingDumpFile;
using test::RecordingRowWriter;
using test::ScriptedProcessMemory;
using test::ScriptedTargetSystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kBase = 0x3A0000000;
constexpr std::uint64_t kPage = 0x1000;

// The end of the target and the question that never returns. The question stays out until
// the test is over (or, should the caller wait for it after all, half a minute), then comes
// back failing, so that its thread can finish.
class TargetEnd {
public:
    TargetEnd() : ended_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), released_(release_.get_future().share()) {}
    ~TargetEnd() { release_.set_value(); }

    // Ends the target, then waits. Owns what it touches: it runs on a thread that the caller
    // leaves behind.
    std::function<void()> Hang() const {
        return [ended = ended_.get(), released = released_, out = outstanding_] {
            ++*out;
            SetEvent(ended);
            released.wait_for(std::chrono::seconds(30));
            --*out;
        };
    }
    TargetCalls Calls() const { return TargetCalls(ended_.get(), TargetCalls::Mode::Guarded); }
    // Questions to the ended target still out: the caller came back without them.
    int Outstanding() const { return *outstanding_; }

private:
    test::UniqueHandle ended_;
    std::promise<void> release_;
    std::shared_future<void> released_;
    std::shared_ptr<std::atomic<int>> outstanding_ = std::make_shared<std::atomic<int>>(0);
};

// `scripted`, shared with the guard, its questions hanging from its death on.
template <class Scripted>
std::shared_ptr<Scripted> HangingAtDeath(Scripted scripted, const TargetEnd& end) {
    auto hanging = std::make_shared<Scripted>(std::move(scripted));
    hanging->onDeath = end.Hang();
    return hanging;
}

ScriptedTargetSystem ThreeAllocations() {
    ScriptedTargetSystem system;
    system.AddRegion(kBase, kBase, 2 * kPage, kMemCommit, 0x04, kMemPrivate);
    system.AddRegion(kBase + 2 * kPage, kBase, 2 * kPage, test::kMemReserve, 0, kMemPrivate);
    system.AddRegion(kBase + 0x10000, kBase + 0x10000, kPage, kMemCommit, 0x02, kMemPrivate);
    system.AddRegion(kBase + 0x20000, kBase + 0x20000, kPage, kMemCommit, 0x04, kMemPrivate);
    return system;
}

bool ShownByATargetThatEndedBy(int death, const std::vector<std::string>& lines) {
    for (int end = 0; end <= death; ++end) {
        ScriptedTargetSystem failing = ThreeAllocations();
        failing.queriesBeforeDeath = end;
        RecordingRowWriter rows;
        BuildMemoryMap(failing, rows);
        if (rows.Lines() == lines) return true;
    }
    return false;
}

TEST(HangingTarget, TheWalkKeepsTheRowsWrittenSoFarAndALaterWalkWritesNone) {
    for (const int death : {0, 2, 4}) {
        SCOPED_TRACE("the target ends at query " + std::to_string(death));
        const TargetEnd end;
        ScriptedTargetSystem dying = ThreeAllocations();
        dying.queriesBeforeDeath = death;
        GuardedTargetSystem guarded(HangingAtDeath(dying, end), end.Calls());
        RecordingRowWriter rows;
        BuildMemoryMap(guarded, rows);
        // The regions asked for ahead of the walk with the one that never came back are
        // lost with it: what shows is the walk of a target that ended at that point or before.
        EXPECT_TRUE(ShownByATargetThatEndedBy(death, rows.Lines()));
        EXPECT_EQ(end.Outstanding(), 1) << "the walk waited for the question that never came back";
        EXPECT_TRUE(rows.Visible());

        RecordingRowWriter refreshed;  // the target stays ended: its questions hang again
        BuildMemoryMap(guarded, refreshed);
        EXPECT_TRUE(refreshed.Lines().empty());
    }
}

ScriptedProcessMemory PatternedAllocation() {
    ScriptedProcessMemory memory;
    memory.AddRegion(kBase, 3 * kPage, kMemCommit);
    memory.AddRegion(kBase + 3 * kPage, kPage, kMemCommit);
    Bytes bytes(4 * kPage);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i % 251 + 1);
    memory.memory[kBase] = bytes;
    return memory;
}

TEST(HangingTarget, ThePaneSaysItCannotReadTheMemory) {
    const TargetEnd end;
    ScriptedProcessMemory dying = PatternedAllocation();
    dying.callsBeforeDeath = 0;
    GuardedProcessMemory guarded(HangingAtDeath(dying, end), end.Calls());
    Bytes page(kPage, 0xEE);
    EXPECT_EQ(RowMemoryText(guarded, kBase, page), kReadFailedText);
    EXPECT_EQ(end.Outstanding(), 1) << "the pane waited for the read that never came back";
}

TEST(HangingTarget, TheDumpFailsAndKeepsWhatWasReadBefore) {
    const std::vector<std::uint64_t> regions = {kBase, kBase + 3 * kPage};
    for (const std::size_t death : {2, 3}) {  // at the first region's second read, or third
        SCOPED_TRACE("the target ends at call " + std::to_string(death));
        ScriptedProcessMemory failing = PatternedAllocation();
        failing.callsBeforeDeath = death;
        RecordingDumpFile expected;
        Bytes page(kPage);
        EXPECT_FALSE(DumpRegions(failing, expected, regions, page));

        const TargetEnd end;
        ScriptedProcessMemory dying = PatternedAllocation();
        dying.callsBeforeDeath = death;
        GuardedProcessMemory guarded(HangingAtDeath(dying, end), end.Calls());
        RecordingDumpFile file;
        EXPECT_FALSE(DumpRegions(guarded, file, regions, page));
        EXPECT_EQ(file.contents, expected.contents);
        EXPECT_EQ(file.contents.size(), 3 * kPage);  // the first region, the pages lost as zeros
        EXPECT_EQ(end.Outstanding(), 1) << "the dump waited for the read that never came back";
    }
}

}  // namespace
}  // namespace quarry
