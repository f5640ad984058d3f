#include <gtest/gtest.h>

#include "treelist/horizontal_scroll.h"

namespace quarry {
namespace {

// The seven columns of the main window are 715 pixels wide in all.
constexpr int kTotal = 715;
constexpr int kPage = 500;
constexpr int kEndScroll = 8;

int Scroll(int code, int position, int thumb = 0, int max = kTotal, int page = kPage) {
    return NewScrollPosition(code, static_cast<std::uint16_t>(thumb), position, max, page);
}

TEST(HorizontalScroll, EveryCodeOfTheTable) {
    EXPECT_EQ(Scroll(kScrollLineLeft, 10), 4);
    EXPECT_EQ(Scroll(kScrollLineLeft, 3), 0);
    EXPECT_EQ(Scroll(kScrollLineRight, 0), 6);
    EXPECT_EQ(Scroll(kScrollLineRight, 212), 216);  // max - page + 1, not 218
    EXPECT_EQ(Scroll(kScrollPageLeft, 600), 100);
    EXPECT_EQ(Scroll(kScrollPageLeft, 300), 0);
    EXPECT_EQ(Scroll(kScrollPageRight, 100), 216);
    EXPECT_EQ(Scroll(kScrollPageRight, 0, 0, kTotal, 100), 100);
    EXPECT_EQ(Scroll(kScrollToLeft, 150), 0);
    EXPECT_EQ(Scroll(kScrollToRight, 0), 216);
    EXPECT_EQ(Scroll(kEndScroll, 123), 123);
    EXPECT_EQ(Scroll(99, 77), 77);
}

TEST(HorizontalScroll, ThumbValuesAreSignedSixteenBitAndCappedAtMax) {
    for (int code : {kScrollThumbPosition, kScrollThumbTrack}) {
        EXPECT_EQ(Scroll(code, 200, 0), 0);
        EXPECT_EQ(Scroll(code, 200, 0, 0, 800), 0);  // whatever the range
        EXPECT_EQ(Scroll(code, 0, 150), 150);
        EXPECT_EQ(Scroll(code, 0, 800, kTotal, 0), kTotal);
        EXPECT_EQ(Scroll(code, 0, 0x8000, 40000), 0);  // reads as negative
    }
}

TEST(HorizontalScroll, PositionsStayWhereTheScrollBarCanShowThem) {
    // The thumb, or a resize's pull-back, past the last full page.
    EXPECT_EQ(Scroll(kScrollThumbPosition, 0, 300), 216);
    EXPECT_EQ(Scroll(kScrollThumbPosition, 0, 132, kTotal, 600), 116);
    // Columns that fit: range 0 to 0 with the tree wider than them.
    EXPECT_EQ(Scroll(kScrollLineRight, 0, 0, 0, 800), 0);
    EXPECT_EQ(Scroll(kScrollPageRight, 0, 0, 0, 800), 0);
    EXPECT_EQ(Scroll(kScrollToRight, 0, 0, 0, 800), 0);
    EXPECT_EQ(Scroll(kScrollLineLeft, 40, 0, 0, 800), 0);
}

TEST(HorizontalScroll, BarShowsOnlyWhileTheColumnsAreWiderThanTheTree) {
    EXPECT_FALSE(NeedsHorizontalScrollBar(kTotal, 800));
    EXPECT_FALSE(NeedsHorizontalScrollBar(kTotal, kTotal));
    EXPECT_TRUE(NeedsHorizontalScrollBar(kTotal, 500));
}

TEST(HorizontalScroll, ResizePullsThePositionBackSoTheLastColumnEndsAtTheRightEdge) {
    constexpr int kScrollBar = 16;
    EXPECT_EQ(PulledBackScrollPosition(500, kScrollBar, 100, kTotal), 100);  // 584 of 715: stays
    EXPECT_EQ(PulledBackScrollPosition(600, kScrollBar, 131, kTotal), 131);  // exactly at the edge
    EXPECT_EQ(PulledBackScrollPosition(600, kScrollBar, 216, kTotal), 131);
    EXPECT_EQ(PulledBackScrollPosition(1000, kScrollBar, 216, kTotal), 0);  // never below 0
}

}  // namespace
}  // namespace quarry
