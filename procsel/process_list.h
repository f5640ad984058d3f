// The list of processes in the "Select a process" dialog: one row per process that Quarry
// can open for inspection, with name and icon, id and account, sortable by column.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "procsel/process_rows.h"

namespace quarry {


// The process's executable's small shell icon; null when the process cannot be opened, its
// path cannot be read or the shell has none.
UniqueIcon GetProcessIcon(DWORD processId);

// The dialog's list control (which it creates from its template) and what belongs to it.
class CProcessList {
public:
    // Full-row selection as the only extended style, and the three columns.
    void SetUp(HWND list);
    // Lists the processes afresh (ListInspectableProcesses); the sort arrow stays.
    void RefreshProcessList();
    // The row's process id; 0 when the row cannot be read.
    DWORD GetRowProcessId(int row) const;
    // The first selected row, or -1.
    int SelectedRow() const;
    // A click on header item `column`: turns its arrow and sorts.
    void SortByColumn(int column);

private:
    bool AddProcess(const ListedProcess& process, int row);
    void ReplaceImageList();
    void SetCellText(int row, int column, const wchar_t* text) const;
    std::u16string RowText(int row, int column) const;
    void SortRows();
    static int CALLBACK CompareSortedRows(LPARAM processId1, LPARAM processId2, LPARAM self);
    const ProcessRowKey& KeyOf(DWORD processId) const;

    HWND list_ = nullptr;
    // Owned by the list control, which destroys the image list it holds when it goes; the
    // list hands the previous one back when it gets a new one.
    HIMAGELIST imageList_ = nullptr;
    SortState sortState_ = 0;
    // While sorting: every row's key, ordered by process id.
    std::vector<ProcessRowKey> sortKeys_;
};

}  // namespace quarry
