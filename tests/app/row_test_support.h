// Test help for Find and the row commands, in process: rows written into the main window's
// tree-list by hand, and the Find dialog and message boxes answered from inside their loops.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "support/modal_driver.h"
#include "resources/resource.h"
#include "treelist/tree_list_view.h"
#include "support/tree_list_windows.h"

namespace quarry::test {

// The real main window, shown, without a target: the tests write rows into its tree-list by
// hand.
class MainFrameWithRows : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(frame.Create(), nullptr);
        ShowWindow(frame.hwnd(), SW_SHOWNORMAL);
        tree = test::InnerTree(rows.hwnd());
    }
    void TearDown() override {
        if (frame.hwnd()) DestroyWindow(frame.hwnd());
        TakeQuitMessage();
    }

    CMainFrame frame;
    CTreeListView& rows = frame.TreeList();
    HWND tree = nullptr;
};

using Cells = std::vector<std::optional<std::wstring>>;  // nullopt: never set

// A row with `cells` (cell 0 also as its label; an unset cell 0 is set to the empty text by
// the insertion and is never touched again here).
inline HTREEITEM AddRow(CTreeListView& treeList, HTREEITEM parent, const Cells& cells) {
    const HTREEITEM row = treeList.InsertRow(cells.at(0) ? cells[0]->c_str() : L"", parent, -1, TVI_LAST);
    for (std::size_t column = 1; column < cells.size(); ++column)
        if (cells[column]) treeList.SetCellText(row, static_cast<int>(column), cells[column]->c_str());
    return row;
}

inline HTREEITEM Selection(HWND tree) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

inline void Select(HWND tree, HTREEITEM row) {
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(row));
}

inline bool IsExpanded(HWND tree, HTREEITEM row) {
    return (SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(row), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

enum class BoxIcon { None, Information, Warning, Error };

struct ShownBox {
    std::wstring text, caption;
    HWND owner;
    BoxIcon icon;
    bool operator==(const ShownBox&) const = default;
};

// What the Find dialog looked like when it opened.
struct ShownFindDialog {
    std::wstring title, text;
    HWND owner;
    bool textBoxHasFocus;
};

// Answers the Find dialog with `find` (cancel when unset) and every message box with OK,
// then runs `afterBox`, for as long as it lives.
class ModalAnswers {
public:
    std::function<void(HWND dialog, HWND textBox)> find;
    std::function<void()> afterBox;
    std::vector<ShownFindDialog> findDialogs;
    std::vector<ShownBox> boxes;

    ModalAnswers()
        : watch_(WM_INITDIALOG, [this](HWND window, WPARAM, LPARAM) { Answer(window); }),
          // The dialog manager gives the focus only after WM_INITDIALOG.
          focusWatch_(WM_SETFOCUS, [this](HWND window, WPARAM, LPARAM) {
              if (window == lastTextBox_) findDialogs.back().textBoxHasFocus = true;
          }) {}

    // Types `text` into the Find dialog and presses "Find".
    static void Confirm(HWND dialog, HWND textBox, const wchar_t* text) {
        SetWindowTextW(textBox, text);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }

private:
    void Answer(HWND window) {
        if (const HWND textBox = GetDlgItem(window, IDC_FIND_TEXT)) {
            findDialogs.push_back({TextOf(window), TextOf(textBox), GetWindow(window, GW_OWNER), false});
            lastTextBox_ = textBox;
            if (find) find(window, textBox);
            else PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        } else if (const HWND text = GetDlgItem(window, 0xFFFF)) {  // a message box's text
            boxes.push_back({TextOf(text), TextOf(window), GetWindow(window, GW_OWNER), IconOf(window)});
            PostMessageW(window, WM_COMMAND, IDOK, 0);
            if (afterBox) afterBox();
        }
    }

    static BoxIcon IconOf(HWND box) {
        struct Search {
            HICON shown = nullptr;
        } search;
        EnumChildWindows(
            box,
            [](HWND child, LPARAM param) {
                if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    reinterpret_cast<Search*>(param)->shown =
                        reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.shown) return BoxIcon::None;
        if (search.shown == LoadIconW(nullptr, IDI_INFORMATION)) return BoxIcon::Information;
        if (search.shown == LoadIconW(nullptr, IDI_WARNING)) return BoxIcon::Warning;
        if (search.shown == LoadIconW(nullptr, IDI_ERROR)) return BoxIcon::Error;
        return BoxIcon::None;
    }

    HWND lastTextBox_ = nullptr;
    AfterSentMessage watch_;
    AfterSentMessage focusWatch_;
};

}  // namespace quarry::test
