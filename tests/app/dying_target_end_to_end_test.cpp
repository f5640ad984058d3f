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
// Where in Refresh's walk each kill falls, as a share of how long a whole one took.
constexpr double kKillMoments[] = {0.1, 0.35, 0.6, 0.85};

// Sends Quarry's main window a message and waits for it to be handled; false when the
// window does not answer within moments (one left waiting for an answer that never comes
// does not). A sent message waits for the command running, and goes before posted ones.
bool Answer(HWND main, UINT message, WPARAM wParam = 0) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(main, message, wParam, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
}

int RowCount(HWND tree) { return static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)); }

TEST(DyingTarget, KilledDuringRefreshItLeavesAWindowThatAnswersAndAnEmptyTree) {
    QuarryOnDesktop quarry(kDesktop);
    ASSERT_TRUE(quarry.Start());
    ASSERT_TRUE(quarry.CancelProcessSelection());
    const HWND main = quarry.WaitForWindow(L"Quarry - Tellwick");
    ASSERT_NE(main, nullptr);
    const HWND splitter = FindWindowExW(main, nullptr, L"QuarrySplitter", nullptr);
    const HWND tree = GetDlgItem(GetDlgItem(splitter, 1), 1);
    ASSERT_NE(tree, nullptr);

    int killsInTheWalk = 0;
    for (const double moment : kKillMoments) {
        SCOPED_TRACE("killed at " + std::to_string(moment) + " of the walk");
        TargetLauncher target;
        ASSERT_TRUE(target.Start(kBigLayout)) << target.Error();
        const DWORD pid = target.Facts().pid;
        PostMessageW(main, WM_COMMAND, ID_TARGET_OPEN, 0);
        ASSERT_NE(quarry.ChooseTestTarget(pid), nullptr);
        const int allRows = RowCount(tree);
        ASSERT_GT(allRows, 10000);
        const auto refreshing = Clock::now();
        ASSERT_TRUE(Answer(main, WM_COMMAND, ID_TARGET_REFRESH));
        const auto walk = Clock::now() - refreshing;

        const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        ASSERT_NE(process, nullptr);
        PostMessageW(main, WM_COMMAND, ID_TARGET_REFRESH, 0);
        std::this_thread::sleep_for(std::chrono::duration_cast<Clock::duration>(walk * moment));
        ASSERT_TRUE(TerminateProcess(process.get(), 9));
        WaitForSingleObject(process.get(), INFINITE);

        EXPECT_TRUE(Answer(main, WM_NULL)) << "Quarry's window no longer answers";
        killsInTheWalk += RowCount(tree) < allRows;
        EXPECT_TRUE(Answer(main, WM_COMMAND, ID_TARGET_REFRESH));
        EXPECT_EQ(RowCount(tree), 0);
        target.Stop();
    }
    EXPECT_GE(killsInTheWalk, 2) << "the kills missed the walk";

    PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(quarry.WaitForExit(), 1u);
}

}  // namespace
}  // namespace quarry
