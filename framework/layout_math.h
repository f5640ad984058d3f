// The arithmetic of the framework's layouts (splitter bar, anchored dialog controls,
// centring), free of the system so that it reads and tests on its own.
#pragma once

#include <algorithm>
#include <cstdint>

namespace quarry::layout {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

// --- Splitter, measured along the axis that the bar divides ------------------------------

// The bar's proportion is kept in parts of this scale, so that repeated resizing does not
// let the bar drift.
inline constexpr int kProportionScale = 10000;
inline constexpr int kMiddleProportion = kProportionScale / 2;

// Room left for the panes once the bar is taken away; never negative.
constexpr int SplitterRoom(int extent, int barWidth) { return std::max(0, extent - barWidth); }

constexpr int ClampBarPosition(int position, int extent, int barWidth) {
    return std::clamp(position, 0, SplitterRoom(extent, barWidth));
}

constexpr int BarPositionFromProportion(int proportion, int extent, int barWidth) {
    return static_cast<int>(std::int64_t{proportion} * SplitterRoom(extent, barWidth) / kProportionScale);
}

// An empty splitter keeps the middle: there is nothing to measure a position against.
constexpr int ProportionFromBarPosition(int position, int extent, int barWidth) {
    const int room = SplitterRoom(extent, barWidth);
    if (room == 0) return kMiddleProportion;
    return static_cast<int>(std::int64_t{ClampBarPosition(position, extent, barWidth)} * kProportionScale / room);
}

struct StackedPanes {
    Rect top, bar, bottom;
    bool operator==(const StackedPanes&) const = default;
};

// Two panes one above the other in a client area of `width` by `height`, the bar's top edge
// at `position`.
constexpr StackedPanes StackPanes(int width, int height, int position, int barWidth) {
    const int barTop = ClampBarPosition(position, height, barWidth);
    const int barBottom = std::min(height, barTop + barWidth);
    return {{0, 0, width, barTop}, {0, barTop, width, barBottom}, {0, barBottom, width, height}};
}

// --- Anchored controls of a resizable dialog ----------------------------------------------

// How a control follows the dialog's size; controls without a flag stay where they are.
enum Anchor : unsigned {
    kMoveX = 1,  // keeps its distance to the right edge
    kSizeX = 2,  // grows with the width
    kMoveY = 4,  // keeps its distance to the bottom edge
    kSizeY = 8,  // grows with the height
};

// `initial` is the control's rectangle when the dialog opened; the dialog's client area is
// now `dx` wider and `dy` taller than then.
constexpr Rect AnchoredRect(const Rect& initial, unsigned anchors, int dx, int dy) {
    Rect moved = initial;
    if (anchors & kMoveX) {
        moved.left += dx;
        moved.right += dx;
    } else if (anchors & kSizeX) {
        moved.right += dx;
    }
    if (anchors & kMoveY) {
        moved.top += dy;
        moved.bottom += dy;
    } else if (anchors & kSizeY) {
        moved.bottom += dy;
    }
    return moved;
}

// --- Centring -----------------------------------------------------------------------------

// Top-left corner of a window of `width` by `height` centred over `over`, then pushed
// into `bounds` (the work area) so that its top-left part stays reachable.
constexpr Point CentredOrigin(const Rect& over, int width, int height, const Rect& bounds) {
    int x = over.left + (over.Width() - width) / 2;
    int y = over.top + (over.Height() - height) / 2;
    x = std::max(bounds.left, std::min(x, bounds.right - width));
    y = std::max(bounds.top, std::min(y, bounds.bottom - height));
    return {x, y};
}

}  // namespace quarry::layout
