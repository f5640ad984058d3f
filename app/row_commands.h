// The row context menu of the main window's tree-list and its row commands: Copy to the
// clipboard, Explore (the file's folder) and Properties (the file's properties sheet).
// Each command works on the row selected when it runs, not on the row the menu was built for.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>

#include "framework/handles.h"
#include "treelist/tree_list_view.h"

namespace quarry {

// Selects a row and shows its memory in the content pane (null: clears the selection).
using RowSelector = std::function<void(HTREEITEM row)>;

// The file test reads Details whole into this many characters, terminator included.
inline constexpr int kFileTestCapacity = 1024;

// The file test: the row's Details path when it names an existing file by a drive-letter
// path, nothing otherwise.
std::optional<std::wstring> RowFilePath(CTreeListView& treeList, HTREEITEM row);

// "Dump" and "Copy"; then a separator, "Explore..." and "Properties..." when `row` passes
// the file test. Null when no menu can be made.
UniqueMenu BuildRowMenu(CTreeListView& treeList, HTREEITEM row);

// Where the menu opens for a click at `point`: the point itself when it lies on a monitor,
// else with x moved into the horizontal range of the nearest monitor's work area.
POINT PointOnAMonitor(POINT point);

// A right click on the tree-list: selects and shows the row under the cursor (none below
// the last row) and runs the row menu there; the chosen command reaches `owner`.
void OpenRowMenu(HWND owner, CTreeListView& treeList, const RowSelector& selectAndShow);

// Copy: the selected row's text (see RowCopyText) as CF_UNICODETEXT. Warns, owned by
// `owner`, when the clipboard cannot be opened or the memory for it not had.
void CopyRow(HWND owner, CTreeListView& treeList);

// Explore and Properties: silent when the selected row fails the file test (checked again
// here: the file may be gone since the menu opened) or the shell fails.
void ExploreRow(CTreeListView& treeList);
void ShowRowProperties(HWND owner, CTreeListView& treeList);

}  // namespace quarry
