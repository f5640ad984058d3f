// A heap's front-end kind read out of a copy of its header. Handing the system a copy of a
// foreign heap header as if it were a heap would let its query read past the copy, or follow
// the target's pointers (locks, validation) in our own address space. So the kind is read by
// layout alone, learnt from heaps whose kind the system reports through their own handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace quarry {

// How much of a heap's header the walk copies out of the target.
inline constexpr std::size_t kHeapHeaderCopySize = 512;

// The first bytes of a heap's header and the kind the system reports for that heap.
struct HeapSample {
    std::span<const std::uint8_t> header;
    std::uint8_t kind = 0;
};

class HeapFrontEndLayout {
public:
    // Learns the offsets at which every sample's header holds its kind, and the signature: the
    // non-zero leading bytes that all samples share. Nothing is learnt when the samples' kinds
    // do not differ (Wine reports 0 for every heap) or a sample is shorter than a copy.
    static HeapFrontEndLayout Learn(std::span<const HeapSample> samples);

    // The kind in a copy that has the signature and the same value at every kind offset; 0
    // (compatibility) for any other copy, and for every copy when nothing was learnt.
    std::uint32_t KindIn(std::span<const std::uint8_t> copy) const;

private:
    void Consider(std::span<const HeapSample> samples, std::size_t offset);

    std::vector<std::size_t> kindOffsets_;
    std::vector<std::pair<std::size_t, std::uint8_t>> signature_;
};

}  // namespace quarry
