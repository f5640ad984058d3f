// The arithmetic of the tree-list's horizontal scrolling, apart from the window so that
// it can be checked as numbers. Positions are in pixels; `page` is the inner tree's client
// width and `max` the upper end of the scroll range (the total column width, or 0 while
// the columns fit).
#pragma once

#include <algorithm>
#include <cstdint>

namespace quarry {

// WM_HSCROLL's codes, restated by value (SB_LINELEFT ... SB_RIGHT).
enum HorizontalScrollCode : int {
    kScrollLineLeft = 0,
    kScrollLineRight = 1,
    kScrollPageLeft = 2,
    kScrollPageRight = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollToLeft = 6,
    kScrollToRight = 7,
};

inline constexpr int kScrollLineStep = 6;

// The position a scroll code leads to from `position`. Whatever the code, the result stays
// within what the scroll bar can show, 0 to max - page + 1: beyond it the scroll bar keeps
// a position other than the one the rows and the header were moved to, and with an empty
// range (max 0) that limit is negative and would shift the rows right of their columns.
constexpr int NewScrollPosition(int code, std::uint16_t thumb, int position, int max, int page) {
    const int rightmost = max - page + 1;
    int next = position;
    switch (code) {
        case kScrollLineLeft: next = position - kScrollLineStep; break;
        case kScrollLineRight: next = position + kScrollLineStep; break;
        case kScrollPageLeft: next = position - page; break;
        case kScrollPageRight: next = position + page; break;
        case kScrollThumbPosition:
        case kScrollThumbTrack:
            // The thumb travels in 16 bits: beyond 32767 pixels it reads as negative.
            next = std::min(static_cast<int>(static_cast<std::int16_t>(thumb)), max);
            break;
        case kScrollToLeft: next = 0; break;
        case kScrollToRight: next = rightmost; break;
        default: break;  // SB_ENDSCROLL and anything else keep the position
    }
    return std::max(std::min(next, rightmost), 0);
}

// The scroll bar shows only while the columns are wider than the tree's client area.
constexpr bool NeedsHorizontalScrollBar(int totalColumnWidth, int treeClientWidth) {
    return totalColumnWidth > treeClientWidth;
}

// After a resize: the position that keeps the end of the last column at the right edge
// (left of the vertical scroll bar) instead of showing empty space beyond it.
constexpr int PulledBackScrollPosition(int clientWidth, int verticalScrollBarWidth, int position,
                                       int totalColumnWidth) {
    const int visibleWidth = clientWidth - verticalScrollBarWidth;
    if (visibleWidth + position <= totalColumnWidth) return position;
    return std::max(totalColumnWidth - visibleWidth, 0);
}

}  // namespace quarry
