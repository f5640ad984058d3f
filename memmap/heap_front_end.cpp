#include "memmap/heap_front_end.h"

#include <algorithm>

namespace quarry {
namespace {

// Where a header's signature lies, ahead of its pointers and counters.
constexpr std::size_t kSignatureSpan = 32;

}  // namespace

HeapFrontEndLayout HeapFrontEndLayout::Learn(std::span<const HeapSample> samples) {
    const auto tooShort = [](const HeapSample& sample) { return sample.header.size() < kHeapHeaderCopySize; };
    const auto otherKind = [&](const HeapSample& sample) { return sample.kind != samples.front().kind; };
    HeapFrontEndLayout layout;
    if (samples.empty() || std::any_of(samples.begin(), samples.end(), tooShort) ||
        std::none_of(samples.begin(), samples.end(), otherKind))
        return layout;
    for (std::size_t offset = 0; offset < kHeapHeaderCopySize; ++offset) layout.Consider(samples, offset);
    return layout;
}

void HeapFrontEndLayout::Consider(std::span<const HeapSample> samples, std::size_t offset) {
    const auto holdsKind = [&](const HeapSample& sample) { return sample.header[offset] == sample.kind; };
    if (std::all_of(samples.begin(), samples.end(), holdsKind)) kindOffsets_.push_back(offset);
    const std::uint8_t shared = samples.front().header[offset];
    const auto holdsShared = [&](const HeapSample& sample) { return sample.header[offset] == shared; };
    if (offset < kSignatureSpan && shared != 0 && std::all_of(samples.begin(), samples.end(), holdsShared))
        signature_.push_back({offset, shared});
}

std::uint32_t HeapFrontEndLayout::KindIn(std::span<const std::uint8_t> copy) const {
    if (kindOffsets_.empty() || copy.size() < kHeapHeaderCopySize) return 0;
    for (const auto& [offset, value] : signature_)
        if (copy[offset] != value) return 0;
    const std::uint8_t kind = copy[kindOffsets_.front()];
    const auto holdsKind = [&](std::size_t offset) { return copy[offset] == kind; };
    return std::all_of(kindOffsets_.begin(), kindOffsets_.end(), holdsKind) ? kind : 0;
}

}  // namespace quarry
