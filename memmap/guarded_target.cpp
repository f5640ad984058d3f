#include "memmap/guarded_target.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quarry {
namespace {

// The walk asks for regions one after the other; handing each question to the worker on its
// own would cost a third again of what the question costs under Wine. So the worker asks for
// this many at once, each at the address after the one before, as the walk would.
constexpr int kRegionsAhead = 64;

// Regions from `address` on, each asked at the end of the one before; ends with the first
// that fails or leads nowhere further, where the walk ends too.
std::vector<GuardedTargetSystem::RegionAhead> QueryRegionsFrom(TargetSystem& system, std::uint64_t address) {
    std::vector<GuardedTargetSystem::RegionAhead> found;
    for (int count = 0; count < kRegionsAhead; ++count) {
        GuardedTargetSystem::RegionAhead& next = found.emplace_back();
        next.address = address;
        next.answered = system.WalkRegion(address, next.region);
        if (!next.answered) break;
        const std::uint64_t end = next.region.baseAddress + next.region.regionSize;  // 0 at the top
        if (next.region.regionSize == 0 || end <= address) break;
        address = end;
    }
    return found;
}


}  // namespace

std::uint32_t GuardedTargetSystem::ProcessId() {
    return calls_.Run([inner = inner_] { return inner->ProcessId(); }).value_or(0);
}

bool GuardedTargetSystem::QueryRegion(std::uint64_t address, RegionInfo& region) {
    const std::optional<std::optional<RegionInfo>> answer = calls_.Run([inner = inner_, address] {
        RegionInfo found;
        return inner->QueryRegion(address, found) ? std::optional(found) : std::nullopt;
    });
    if (!answer || !*answer) return false;
    region = **answer;
    return true;
}

bool GuardedTargetSystem::WalkRegion(std::uint64_t address, RegionInfo& region) {
    // A walk starts at 0: what was asked ahead for an earlier walk is stale by now.
    if (address == 0 || ahead_.empty() || ahead_.front().address != address) {
        ahead_.clear();
        std::optional<std::vector<RegionAhead>> found =
            calls_.Run([inner = inner_, address] { return QueryRegionsFrom(*inner, address); });
        if (!found) return false;
        ahead_.assign(found->begin(), found->end());
    }
    const RegionAhead next = ahead_.front();
    ahead_.pop_front();
    if (!next.answered) return false;
    region = next.region;
    return true;
}

std::optional<std::size_t> GuardedTargetSystem::ReadPages(std::uint64_t address, std::span<std::uint8_t> bytes) {
    if (calls_.Direct()) return ReadPagesOf(*inner_, address, bytes);  // no call outlives this one
    // The bytes land in a buffer the call shares, since a call left behind may still write:
    // one that a call still holds is never handed to the next. Reused otherwise, because a
    // fresh megabyte for each of a search's reads costs more than the read under Wine.
    if (!readBuffer_ || readBuffer_.use_count() > 1) readBuffer_ = std::make_shared<std::vector<std::uint8_t>>();
    const std::optional<std::optional<std::size_t>> answer =
        calls_.Run([inner = inner_, buffer = readBuffer_, address, size = bytes.size()] {
            buffer->resize(size);
            return ReadPagesOf(*inner, address, *buffer);
        });
    if (!answer || !*answer) return std::nullopt;
    std::copy_n(readBuffer_->begin(), std::min({**answer, readBuffer_->size(), bytes.size()}), bytes.begin());
    return *answer;
}

std::u16string GuardedTargetSystem::ModuleFileName(std::uint64_t moduleBase) {
    return calls_.Run([inner = inner_, moduleBase] { return inner->ModuleFileName(moduleBase); }).value_or(u"");
}

std::u16string GuardedTargetSystem::MappedFileName(std::uint64_t address) {
    return calls_.Run([inner = inner_, address] { return inner->MappedFileName(address); }).value_or(u"");
}

std::vector<ThreadEntry> GuardedTargetSystem::SnapshotThreads() {
    return calls_.Run([inner = inner_] { return inner->SnapshotThreads(); }).value_or(std::vector<ThreadEntry>());
}

std::optional<ThreadBasics> GuardedTargetSystem::QueryThread(std::uint32_t threadId) {
    return calls_.Run([inner = inner_, threadId] { return inner->QueryThread(threadId); }).value_or(std::nullopt);
}

std::vector<std::uint64_t> GuardedTargetSystem::SnapshotHeaps() {
    return calls_.Run([inner = inner_] { return inner->SnapshotHeaps(); }).value_or(std::vector<std::uint64_t>());
}

std::uint64_t GuardedTargetSystem::QueryPebAddress() {
    return calls_.Run([inner = inner_] { return inner->QueryPebAddress(); }).value_or(0);
}

std::shared_ptr<TargetSystem> GuardTarget(std::shared_ptr<TargetSystem> inner, HANDLE ended) {
    return std::make_shared<GuardedTargetSystem>(std::move(inner), TargetCalls(ended));
}

}  // namespace quarry
