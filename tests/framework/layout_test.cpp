// The layout arithmetic behind the splitter, resizable dialogs and centring.
#include <gtest/gtest.h>

#include "framework/layout_math.h"

namespace quarry::layout {
namespace {

TEST(SplitterLayout, BarKeepsItsProportionThroughResizing) {
    // A 600-pixel splitter with a 4-pixel bar: the middle of the room is 298.
    EXPECT_EQ(BarPositionFromProportion(kMiddleProportion, 600, 4), 298);
    // The user drags the bar to 149 (a quarter); the window then doubles and halves again.
    const int proportion = ProportionFromBarPosition(149, 600, 4);
    EXPECT_EQ(proportion, 2500);
    EXPECT_EQ(BarPositionFromProportion(proportion, 1204, 4), 300);
    EXPECT_EQ(BarPositionFromProportion(proportion, 600, 4), 149);
    // Dragged beyond either end, the bar stops at the edge.
    EXPECT_EQ(ProportionFromBarPosition(-20, 600, 4), 0);
    EXPECT_EQ(ProportionFromBarPosition(900, 600, 4), kProportionScale);
    EXPECT_EQ(ClampBarPosition(900, 600, 4), 596);
    // Too small for the bar, or not laid out yet: no room, the middle is kept.
    EXPECT_EQ(SplitterRoom(3, 4), 0);
    EXPECT_EQ(ProportionFromBarPosition(10, 0, 4), kMiddleProportion);
    EXPECT_EQ(BarPositionFromProportion(kMiddleProportion, 0, 4), 0);
    // Large sizes do not overflow.
    EXPECT_EQ(BarPositionFromProportion(kProportionScale, 1 << 30, 4), (1 << 30) - 4);
}

TEST(SplitterLayout, PanesLieAboveAndBelowTheBar) {
    EXPECT_EQ(StackPanes(700, 600, 298, 4),
              (StackedPanes{{0, 0, 700, 298}, {0, 298, 700, 302}, {0, 302, 700, 600}}));
    // A position beyond the height leaves the lower pane empty, not inverted.
    EXPECT_EQ(StackPanes(700, 600, 1000, 4),
              (StackedPanes{{0, 0, 700, 596}, {0, 596, 700, 600}, {0, 600, 700, 600}}));
    EXPECT_EQ(StackPanes(10, 2, 0, 4), (StackedPanes{{0, 0, 10, 0}, {0, 0, 10, 2}, {0, 2, 10, 2}}));
}

TEST(DialogAnchors, ControlsGrowMoveOrStay) {
    const Rect list{10, 10, 400, 300};
    const Rect button{300, 320, 380, 345};
    EXPECT_EQ(AnchoredRect(list, kSizeX | kSizeY, 50, 30), (Rect{10, 10, 450, 330}));
    EXPECT_EQ(AnchoredRect(button, kMoveX | kMoveY, 50, 30), (Rect{350, 350, 430, 375}));
    EXPECT_EQ(AnchoredRect(button, kMoveY, 50, 30), (Rect{300, 350, 380, 375}));
    EXPECT_EQ(AnchoredRect(button, 0, 50, 30), button);
    // Moving wins over growing when a control asks for both.
    EXPECT_EQ(AnchoredRect(button, kMoveX | kSizeX, 50, 0), (Rect{350, 320, 430, 345}));
}

TEST(Centring, CentresOverTheTargetAndStaysInTheWorkArea) {
    const Rect workArea{0, 0, 1280, 870};
    EXPECT_EQ(CentredOrigin(workArea, 750, 660, workArea), (Point{265, 105}));
    // Over a parent near the right edge: pushed back into the work area.
    EXPECT_EQ(CentredOrigin(Rect{1100, 100, 1300, 300}, 300, 200, workArea), (Point{980, 100}));
    // Larger than the work area: the top-left corner stays reachable.
    EXPECT_EQ(CentredOrigin(workArea, 2000, 1000, workArea), (Point{0, 0}));
}

}  // namespace
}  // namespace quarry::layout
