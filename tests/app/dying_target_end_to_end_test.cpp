// Quarry.exe looking at a big test target that is killed while Refresh walks it, several
// times at different moments: the window answers again within moments, a Refresh afterwards
// leaves an empty tree, and Exit still ends Quarry with status 1. Under Wine a question to a
// process that ends while it is out may never come back; Quarry must not wait for it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <thread>

#include "quarry_desktop.h"
#include "resources/resource.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

using namespace test;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kDesktop[] = L"QuarryDyingTarget";
constexpr wchar_t kBigLayout[] = L"--allocations 10000";
// Where in Refresh's walk each kill falls, as a share of how long the Open walk took.
constexpr double kKillMoments[] = {0.1, 0.35, 0.6, 0.85};

// True when Quarry's window takes a message within a few seconds: a window left waiting for
// an answer that never comes does not.
bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
}

int RowCount(HWND tree) { return static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)); }

// Opens the target as a person would: Open, the name typed into the list, Enter.
HWND OpenTarget(const QuarryOnDesktop& quarry, HWND main, DWORD pid) {
    PostMessageW(main, WM_COMMAND, ID_TARGET_OPEN, 0);
    return quarry.ChooseTestTarget(pid);
}

TEST(DyingTarget, KilledDuringRefreshItLeavesAWindowThatAnswersAndAnEmptyTree) {
    QuarryOnDesktop quarry(kDesktop);
    ASSERT_TRUE(quarry.Start());
    ASSERT_TRUE(quarry.CancelProcessSelection());
    const HWND main = quarry.WaitForWindow(L"Quarry - Tellwick");
    ASSERT_NE(main, nullptr);
    const HWND splitter = FindWindowExW(main, nullptr, L"QuarrySplitter", nullptr);
    const HWND tree = GetDlgItem(GetDlgItem(splitter, 1), 1);
    ASSERT_NE(tree, nullptr);

    for (const double moment : kKillMoments) {
        SCOPED_TRACE("killed at " + std::to_string(moment) + " of the walk");
        TargetLauncher target;
        ASSERT_TRUE(target.Start(kBigLayout)) << target.Error();
        const DWORD pid = target.Facts().pid;
        const auto opening = Clock::now();
        ASSERT_NE(OpenTarget(quarry, main, pid), nullptr);
        const auto walk = Clock::now() - opening;
        ASSERT_GT(RowCount(tree), 10000);

        const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        ASSERT_NE(process, nullptr);
        PostMessageW(main, WM_COMMAND, ID_TARGET_REFRESH, 0);
        std::this_thread::sleep_for(std::chrono::duration_cast<Clock::duration>(walk * moment));
        ASSERT_TRUE(TerminateProcess(process.get(), 9));
        WaitForSingleObject(process.get(), INFINITE);

        EXPECT_TRUE(Answers(main)) << "Quarry's window no longer answers";
        PostMessageW(main, WM_COMMAND, ID_TARGET_REFRESH, 0);
        EXPECT_TRUE(Answers(main));
        EXPECT_EQ(RowCount(tree), 0);
        target.Stop();
    }

    PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(quarry.WaitForExit(), 1u);
}

}  // namespace
}  // namespace quarry
