// What the framework's own pieces do for the user that no window test of the program shows:
// the About box's link opens only on a whole click, and the splitter's bar keeps its share.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <utility>

#include "framework/handles.h"
#include "framework/hyperlink.h"
#include "framework/splitter.h"

namespace quarry {
namespace {

using UniqueWindow = UniqueOf<HWND, DestroyWindow>;

// A static control of the given size; a child's parent destroys it.
HWND Static(HWND parent, int width, int height) {
    return CreateWindowExW(0, L"STATIC", L"https://tellwick.example/quarry", parent ? WS_CHILD : WS_POPUP, 0, 0,
                           width, height, parent, nullptr, nullptr, nullptr);
}

// Counts the openings instead of starting a browser.
class RecordingLink : public CHyperLink {
public:
    int opened = 0;

private:
    void Navigate() override { ++opened; }
};

TEST(HyperLink, ShowsTheHandAndOpensOnlyWhenThePressAndTheReleaseAreBothOnIt) {
    const UniqueWindow host(Static(nullptr, 400, 100));
    const HWND label = Static(host.get(), 300, 20);
    RecordingLink link;
    ASSERT_TRUE(link.SubclassWindow(label));
    SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    // Blue and underlined: a row of its pixels holds a long run of the link colour.
    const UniqueOf<HDC, DeleteDC> dc(CreateCompatibleDC(nullptr));
    const UniqueOf<HBITMAP, DeleteObject> bitmap(CreateCompatibleBitmap(WindowDC(label).get(), 300, 20));
    const SavedDC saved(dc.get());
    SelectObject(dc.get(), bitmap.get());
    SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    int longestRun = 0;
    for (int y = 0, run = 0; y < 20; ++y, run = 0)
        for (int x = 0; x < 300; ++x)
            longestRun = std::max(longestRun, run = GetPixel(dc.get(), x, y) == CHyperLink::kLinkColour ? run + 1 : 0);
    EXPECT_GE(longestRun, 100) << "no blue underline";

    const auto openings = [&](HWND pressedIn, short releasedX, short releasedY) {
        SendMessageW(pressedIn, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(releasedX, releasedY));
        return std::exchange(link.opened, 0);
    };
    EXPECT_EQ(openings(label, 8, 6), 1);
    EXPECT_EQ(openings(host.get(), 8, 6), 0) << "pressed elsewhere";
    EXPECT_EQ(openings(label, 5, 40), 0) << "released below the link";
    EXPECT_EQ(openings(label, -3, 5), 0) << "released left of the link";
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(Splitter, TheBarKeepsItsShareOfTheHeightAfterTheUserHasDraggedIt) {
    const UniqueWindow host(Static(nullptr, 300, 900));
    CHorSplitterWindow splitter;
    ASSERT_NE(splitter.Create(host.get(), RECT{0, 0, 300, 804}, WS_CHILD | WS_VISIBLE, 0), nullptr);
    const HWND top = Static(splitter.hwnd(), 0, 0), bottom = Static(splitter.hwnd(), 0, 0);
    splitter.SetSplitterPanes(top, bottom);
    splitter.SetSplitterPos();
    const auto paneEdges = [top, bottom] {  // where the top pane ends and the bottom one starts
        RECT upper{}, lower{};
        GetWindowRect(top, &upper);
        GetWindowRect(bottom, &lower);
        return std::pair<int, int>(upper.bottom - upper.top, lower.top - upper.top);
    };
    const auto drag = [&splitter](int fromY, int toY) {
        SendMessageW(splitter.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, fromY));
        SendMessageW(splitter.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, toY));
        SendMessageW(splitter.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, toY));
    };
    // Dragged from the middle to a quarter of the room; the window then halves.
    const auto [barTop, barBottom] = paneEdges();
    const int room = 804 - (barBottom - barTop);
    drag(barTop + 1, room / 4 + 1);
    MoveWindow(splitter.hwnd(), 0, 0, 300, room / 2 + barBottom - barTop, TRUE);
    EXPECT_NEAR(paneEdges().first, room / 8, 1);
    // Dragged past the bottom, the bar stops at the edge, where it can be grabbed again.
    drag(paneEdges().first + 1, 2000);
    EXPECT_EQ(paneEdges().first, room / 2);
}

}  // namespace
}  // namespace quarry
