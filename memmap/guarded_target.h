// A TargetSystem whose questions to the target go through TargetCalls, so that a target that
// ends while one is out fails that question instead of holding the caller. The walk, the
// pane and the dump see no difference beyond the failure.
#pragma once

#include <deque>
#include <memory>

#include "memmap/target_calls.h"
#include "memmap/target_system.h"

namespace quarry {

class GuardedTargetSystem final : public TargetSystem {
public:
    // `inner` is shared with calls that may be left behind, which keep it alive.
    GuardedTargetSystem(std::shared_ptr<TargetSystem> inner, TargetCalls calls)
        : inner_(std::move(inner)), calls_(std::move(calls)) {}

    std::uint32_t ProcessId() override;
    bool QueryRegion(std::uint64_t address, RegionInfo& region) override;
    bool WalkRegion(std::uint64_t address, RegionInfo& region) override;
    std::u16string ModuleFileName(std::uint64_t moduleBase) override;
    std::u16string MappedFileName(std::uint64_t address) override;
    std::vector<ThreadEntry> SnapshotThreads() override;
    std::optional<ThreadBasics> QueryThread(std::uint32_t threadId) override;
    std::vector<std::uint64_t> SnapshotHeaps() override;
    std::uint64_t QueryPebAddress() override;
    // Questions to this system alone, not to the target.
    std::u16string LogicalDriveStrings() override { return inner_->LogicalDriveStrings(); }
    std::u16string DosDeviceName(const std::u16string& driveName) override { return inner_->DosDeviceName(driveName); }
    std::uint32_t HeapFrontEndKind(std::span<const std::uint8_t> headerCopy) override {
        return inner_->HeapFrontEndKind(headerCopy);
    }
    std::u16string AnsiToText(std::string_view bytes) override { return inner_->AnsiToText(bytes); }

    // A region asked for ahead of the walk, at the address the walk will ask next.
    struct RegionAhead {
        std::uint64_t address = 0;
        bool answered = false;
        RegionInfo region;
    };

protected:
    std::optional<std::size_t> ReadPages(std::uint64_t address, std::span<std::uint8_t> bytes) override;

private:
    std::shared_ptr<TargetSystem> inner_;
    TargetCalls calls_;
    std::deque<RegionAhead> ahead_;
    std::shared_ptr<std::vector<std::uint8_t>> readBuffer_;
};

// `inner` behind the hang guard in the mode the program runs in (TargetCalls::DefaultMode);
// `ended` as for TargetCalls.
std::shared_ptr<TargetSystem> GuardTarget(std::shared_ptr<TargetSystem> inner, HANDLE ended);

}  // namespace quarry
