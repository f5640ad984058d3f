// Find in process on the real tree-list of a main window: where each search lands, what it
// says when nothing is left, and the states of the Find dialog and F3.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/find_commands.h"
#include "app/main_frame.h"
#include "row_test_support.h"

namespace quarry {
namespace {

using namespace test;

ShownBox NothingFound(HWND owner) { return {L"Cannot find item text", L"", owner, BoxIcon::Information}; }

class FindTest : public MainFrameWithRows {
protected:
    void SetUp() override {
        MainFrameWithRows::SetUp();
        if (HasFatalFailure()) return;
        SetForegroundWindow(frame.hwnd());
        // Like the memory map: an image with two regions, a heap with one, a free range.
        // All rows start collapsed.
        image = AddRow(rows, nullptr, {L"0000000000400000", L"Image", L"12 KB", {}, {}, L"2", L"C:\\a\\app.exe"});
        header = AddRow(rows, image, {L"0000000000400000", L"Image", {}, L"4 KB", L"Read", {}, L"Header"});
        text = AddRow(rows, image, {L"0000000000401000", L"Image", {}, L"8 KB", L"Execute/Read", {}, L".text"});
        heap = AddRow(rows, nullptr, {L"0000000000600000", L"Private", L"64 KB", {}, {}, L"1", L"Heap 0 (LFH)"});
        heapRegion = AddRow(rows, heap, {L"0000000000600000", L"Private", {}, L"64 KB", L"Read/Write", {}, {}});
        free = AddRow(rows, nullptr, {L"0000000000700000", L"Free", L"1 MB", {}, {}, {}, {}});
    }
    // Searches as FindNext does for the main window, noting which rows it selects and shows.
    void Next(const wchar_t* what) {
        FindNext(frame.hwnd(), rows, what, [this](HTREEITEM row) {
            shown.push_back(row);
            frame.SelectAndShowRow(row);
        });
    }

    HTREEITEM image = nullptr, header = nullptr, text = nullptr, heap = nullptr, heapRegion = nullptr, free = nullptr;
    std::vector<HTREEITEM> shown;
};

TEST_F(FindTest, FindsFromTheTopOrAfterTheSelectionInPreOrderAndShowsTheRow) {
    ModalAnswers answers;  // a search that found nothing would say so, and wait for an answer
    Next(L"00400000");  // nothing selected: the first row itself
    EXPECT_EQ(Selection(tree), image);
    EXPECT_EQ(TextOf(frame.ContentWindow()), L"Failed to read process memory");  // shown; no target
    Next(L"Header");  // the selection's own first child
    EXPECT_EQ(Selection(tree), header);
    Select(tree, text);  // the last region of its allocation: on to the next allocation
    Next(L"private");    // and without regard to case
    EXPECT_EQ(Selection(tree), heap);
    Select(tree, image);
    ASSERT_FALSE(IsExpanded(tree, heap));
    Next(L"Read/Write");  // inside a collapsed allocation, which opens
    EXPECT_EQ(Selection(tree), heapRegion);
    EXPECT_TRUE(IsExpanded(tree, heap));
    EXPECT_EQ(shown, (std::vector<HTREEITEM>{image, header, heap, heapRegion}));
    EXPECT_TRUE(answers.boxes.empty());
}

TEST_F(FindTest, SaysSoWhenNoLaterRowMatchesAndKeepsTheSelection) {
    ModalAnswers answers;
    Select(tree, free);
    Next(L"Free");     // only the selected row matches
    Next(L"app.exe");  // only an earlier row matches: no wrap-around
    EXPECT_EQ(answers.boxes, (std::vector<ShownBox>{NothingFound(frame.hwnd()), NothingFound(frame.hwnd())}));
    EXPECT_EQ(Selection(tree), free);
    EXPECT_TRUE(shown.empty());

    rows.DeleteAllRows();
    Next(L"0");
    EXPECT_EQ(answers.boxes.size(), 3u);
}

TEST_F(FindTest, RepeatingFromEachMatchWalksThemAllInOrderThenSaysSo) {
    ModalAnswers answers;
    std::vector<HTREEITEM> found;
    for (int i = 0; i < 10 && answers.boxes.empty(); ++i) {
        Next(L"kb");
        if (answers.boxes.empty()) found.push_back(Selection(tree));
    }
    EXPECT_EQ(found, (std::vector<HTREEITEM>{image, header, text, heap, heapRegion}));
    EXPECT_EQ(answers.boxes, std::vector<ShownBox>{NothingFound(frame.hwnd())});
    EXPECT_EQ(Selection(tree), heapRegion);
}

// Only the cells count, not the tree's own label; a cell is searched whole, however long.
TEST_F(FindTest, SearchesTheCellsNotTheLabels) {
    rows.SetCellText(free, 0, L"renamed");  // the label still reads 0000000000700000
    const HTREEITEM longCell = AddRow(rows, nullptr, {L"long", {}, {}, {}, {}, {}, std::wstring(5000, L'x') + L"end"});
    ModalAnswers answers;
    Next(L"0000000000700000");
    EXPECT_EQ(answers.boxes.size(), 1u);
    Next(L"RENAMED");
    EXPECT_EQ(Selection(tree), free);
    Next(L"xEND");
    EXPECT_EQ(Selection(tree), longCell);
}

// --- The Find command and F3, through the main window ------------------------------------------

class FindCommands : public FindTest {
protected:
    void Command(UINT id) { SendMessageW(frame.hwnd(), WM_COMMAND, id, 0); }
};

TEST_F(FindCommands, FirstF3AsksLaterOnesRepeatTheSearchAndCancelChangesNothing) {
    ModalAnswers answers;
    answers.find = [](HWND dialog, HWND box) { ModalAnswers::Confirm(dialog, box, L"private"); };
    SetFocus(frame.ContentWindow());
    Command(ID_EDIT_FIND_NEXT);  // no text yet: asks
    ASSERT_EQ(answers.findDialogs.size(), 1u);
    EXPECT_EQ(answers.findDialogs[0].title, L"Find");
    EXPECT_EQ(answers.findDialogs[0].text, L"");
    EXPECT_EQ(answers.findDialogs[0].owner, frame.hwnd());
    EXPECT_TRUE(answers.findDialogs[0].textBoxHasFocus);
    EXPECT_EQ(frame.FindText(), L"private");
    EXPECT_EQ(Selection(tree), heap);
    EXPECT_EQ(TextOf(frame.ContentWindow()), L"Failed to read process memory");  // shown; no target
    EXPECT_EQ(GetFocus(), tree);

    answers.find = nullptr;  // cancels from now on
    SetFocus(frame.ContentWindow());
    Command(ID_EDIT_FIND_NEXT);  // repeats without asking
    EXPECT_EQ(answers.findDialogs.size(), 1u);
    EXPECT_EQ(Selection(tree), heapRegion);
    EXPECT_EQ(GetFocus(), tree);
    Command(ID_EDIT_FIND);
    ASSERT_EQ(answers.findDialogs.size(), 2u);
    EXPECT_EQ(answers.findDialogs[1].text, L"private");
    EXPECT_EQ(frame.FindText(), L"private");
    EXPECT_EQ(Selection(tree), heapRegion);
    Command(ID_EDIT_FIND_NEXT);
    EXPECT_EQ(answers.boxes, std::vector<ShownBox>{NothingFound(frame.hwnd())});
}

TEST_F(FindCommands, FindWithAnEmptyBoxSaysSoKeepsTheDialogOpenAndForgetsTheText) {
    ModalAnswers answers;
    answers.find = [](HWND dialog, HWND box) { ModalAnswers::Confirm(dialog, box, L"Image"); };
    Command(ID_EDIT_FIND);
    ASSERT_EQ(frame.FindText(), L"Image");
    const HTREEITEM before = Selection(tree);

    HWND findDialog = nullptr;
    answers.find = [&](HWND dialog, HWND box) {
        findDialog = dialog;
        ModalAnswers::Confirm(dialog, box, L"");
    };
    // Still open after the message: the user then cancels.
    answers.afterBox = [&] { PostMessageW(findDialog, WM_COMMAND, IDCANCEL, 0); };
    Command(ID_EDIT_FIND);
    const ShownBox refusal{L"Please input find text", L"", findDialog, BoxIcon::Information};
    EXPECT_EQ(answers.boxes, std::vector<ShownBox>{refusal});
    EXPECT_EQ(frame.FindText(), L"");
    EXPECT_EQ(Selection(tree), before);

    answers.find = nullptr;
    answers.afterBox = nullptr;
    Command(ID_EDIT_FIND_NEXT);  // with no text, F3 asks again
    ASSERT_EQ(answers.findDialogs.size(), 3u);
    EXPECT_EQ(answers.findDialogs[2].text, L"");
}

}  // namespace
}  // namespace quarry
