// Reading a heap's front-end kind from a header copy by a layout learnt from sample heaps.
#include "memmap/heap_front_end.h"

#include <gtest/gtest.h>

#include <vector>

namespace quarry {
namespace {

// A header like the system's: pointers and counters that differ from heap to heap, a
// signature at 0x10, and the kind at 0x182 next to the kind that was asked for at 0x183.
std::vector<std::uint8_t> Header(std::uint32_t seed, std::uint8_t kind, std::uint32_t signature = 0xFFEEFFEE) {
    std::vector<std::uint8_t> header(kHeapHeaderCopySize);
    for (std::uint8_t& byte : header) byte = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    for (int i = 0; i < 4; ++i) header[0x10 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(signature >> (8 * i));
    header[0x182] = header[0x183] = kind;
    return header;
}

TEST(HeapFrontEnd, KindIsReadWhereSampleHeapsKeepIt) {
    const auto plain = Header(1, 0), lowFragmentation = Header(2, 2), processHeap = Header(3, 2);
    const HeapSample samples[] = {{plain, 0}, {lowFragmentation, 2}, {processHeap, 2}};
    const HeapFrontEndLayout layout = HeapFrontEndLayout::Learn(samples);

    EXPECT_EQ(layout.KindIn(Header(4, 0)), 0u);
    EXPECT_EQ(layout.KindIn(Header(5, 1)), 1u);
    EXPECT_EQ(layout.KindIn(Header(6, 2)), 2u);
    // Not read: another kind of header, offsets that disagree, too few bytes.
    EXPECT_EQ(layout.KindIn(Header(7, 2, 0xDDEEDDEE)), 0u);
    auto disagreeing = Header(8, 2);
    disagreeing[0x183] = 0;
    EXPECT_EQ(layout.KindIn(disagreeing), 0u);
    const auto full = Header(9, 2);
    EXPECT_EQ(layout.KindIn(std::span(full).first(0x184)), 0u);
}

TEST(HeapFrontEnd, NothingIsLearntFromSamplesOfOneKind) {
    const auto first = Header(1, 0), second = Header(2, 0);
    const HeapSample samples[] = {{first, 0}, {second, 0}};
    EXPECT_EQ(HeapFrontEndLayout::Learn(samples).KindIn(Header(3, 2)), 0u);

    const auto longSample = Header(4, 2);
    const HeapSample withShort[] = {{first, 0}, {std::span(longSample).first(kHeapHeaderCopySize - 1), 2}};
    EXPECT_EQ(HeapFrontEndLayout::Learn(withShort).KindIn(Header(5, 2)), 0u);
}

}  // namespace
}  // namespace quarry
