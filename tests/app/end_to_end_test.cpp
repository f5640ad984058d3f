// Quarry.exe itself, used as a person would: started on a desktop of its own, its main
// window found by its title, its menu and About box used, and closed.
#include <gtest/gtest.h>

#include <windows.h>

#include "quarry_desktop.h"
#include "resources/resource.h"

namespace quarry {
namespace {

using namespace test;

constexpr wchar_t kDesktop[] = L"QuarryEndToEnd";
constexpr wchar_t kMainTitle[] = L"Quarry - Tellwick";

TEST(EndToEnd, StartsWithTheMainWindowShowsAboutAndEndsWithOneOnExit) {
    QuarryOnDesktop quarry(kDesktop);
    ASSERT_TRUE(quarry.Start());
    HWND main = quarry.WaitForWindow(kMainTitle);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(quarry.CancelProcessSelection());
    RECT outer{};
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.right - outer.left, 750);
    EXPECT_EQ(outer.bottom - outer.top, 660);
    EXPECT_NE(GetMenu(main), nullptr);

    // Alt+A chooses "&About" on the menu bar.
    PressAltKey(main, 'A');
    HWND about = quarry.WaitForWindow(L"About");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), main);
    EXPECT_EQ(RemoteText(GetDlgItem(about, IDC_HYPERLINK)), L"https://tellwick.example/quarry");
    EXPECT_FALSE(IsWindowEnabled(main));  // modal
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindowEnabled(main));

    PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(quarry.WaitForExit(), 1u);
}

TEST(EndToEnd, IgnoresItsCommandLineAndEndsWithOneFromTheCloseBox) {
    QuarryOnDesktop quarry(kDesktop);
    ASSERT_TRUE(quarry.Start(L"--unknown C:\\nothing.bin"));
    HWND main = quarry.WaitForWindow(kMainTitle);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(quarry.CancelProcessSelection());
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(quarry.WaitForExit(), 1u);
}

}  // namespace
}  // namespace quarry
