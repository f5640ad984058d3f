#include "memmap/annotations.h"

#include <array>

#include "memmap/heap_front_end.h"
#include "memmap/little_endian.h"

namespace quarry {
namespace {

// The NT_TIB at the start of a 64-bit thread environment block.
constexpr std::size_t kTibSize = 56;
constexpr std::size_t kStackLimitOffset = 16;

}  // namespace

void CollectHeaps(TargetSystem& system, HeapTable& heaps) {
    std::uint32_t ordinal = 1;
    for (const std::uint64_t heapId : system.SnapshotHeaps()) heaps.Set(heapId, ordinal++);
}

void CollectThreads(TargetSystem& system, std::uint32_t processId, TebTable& tebs, StackTable& stacks) {
    // The snapshot holds every thread of the system, whatever process it was asked for.
    for (const ThreadEntry& entry : system.SnapshotThreads()) {
        if (entry.ownerProcessId != processId) continue;
        const std::optional<ThreadBasics> basics = system.QueryThread(entry.threadId);
        if (!basics) continue;
        tebs.Set(basics->tebAddress, basics->threadId);
        std::array<std::uint8_t, kTibSize> tib{};
        if (system.ReadAll(basics->tebAddress, tib)) stacks.Set(Load64(tib, kStackLimitOffset), basics->threadId);
    }
}

std::u16string_view HeapFrontEndText(TargetSystem& system, std::uint64_t heapBase) {
    std::array<std::uint8_t, kHeapHeaderCopySize> copy{};
    const std::uint32_t kind = system.ReadAll(heapBase, copy) ? system.HeapFrontEndKind(copy) : 0;
    switch (kind) {
        case 0: return u"COMPATABILITY";
        case 1: return u"LOOKASIDE";
        default: return u"LOW FRAGMENTATION";
    }
}

}  // namespace quarry
