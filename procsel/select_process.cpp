#include "procsel/select_process.h"

#include <commctrl.h>
#include <shellapi.h>

#include "framework/message_box.h"
#include "procsel/privileges.h"

namespace quarry {
namespace {

constexpr ResizeAnchor kAnchors[] = {
    {IDC_PROCESS_LIST, layout::kSizeX | layout::kSizeY},
    {IDOK, layout::kMoveX | layout::kMoveY},
    {IDCANCEL, layout::kMoveX | layout::kMoveY},
    {IDC_REFRESH_LIST, layout::kMoveX | layout::kMoveY},
    {IDC_SHOW_ALL_PROCESSES, layout::kMoveY},
};

// Elevation exists from major version 6 on; an elevated Quarry sees all it can already.
bool ElevationWouldHelp() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExW(&version) && version.dwMajorVersion >= 6 && !IsProcessElevated();
}

}  // namespace

INT_PTR CSelectProcess::DoModal(HWND parent, UINT32* processId) {
    // The template's list control needs its class registered before the dialog exists.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    return CDialogImpl::DoModal(parent, reinterpret_cast<LPARAM>(processId));
}

LRESULT CSelectProcess::OnInitDialog(WindowMessage& m) {
    InitResize(hwnd(), kAnchors);
    CenterWindow(hwnd(), GetParent(hwnd()));
    const HWND list = GetDlgItem(hwnd(), IDC_PROCESS_LIST);
    OfferElevation();
    processes_.SetUp(list);
    result_ = reinterpret_cast<UINT32*>(m.lParam);
    processes_.RefreshProcessList();
    return TRUE;  // the system gives the focus to the first control that takes it
}

void CSelectProcess::OfferElevation() const {
    if (!ElevationWouldHelp()) return;
    const HWND button = GetDlgItem(hwnd(), IDC_SHOW_ALL_PROCESSES);
    Button_SetElevationRequiredState(button, TRUE);
    ShowWindow(button, SW_SHOWNORMAL);
}

LRESULT CSelectProcess::OnAccept(WindowMessage&) {
    const int row = processes_.SelectedRow();
    if (row < 0) {
        ShowMessage(hwnd(), L"Please select a process.", 0);
        return 0;
    }
    if (result_) *result_ = processes_.GetRowProcessId(row);
    EndDialog(IDOK);
    return 0;
}

LRESULT CSelectProcess::OnCancel(WindowMessage&) {
    EndDialog(IDCANCEL);
    return 0;
}

LRESULT CSelectProcess::OnRefresh(WindowMessage&) {
    processes_.RefreshProcessList();
    return 0;
}

// Starts Quarry's own executable, by its full module path, elevated. Not a copy in a
// folder that other programs of the user can write to: they could put their own file there
// and have it run elevated.
LRESULT CSelectProcess::RelaunchElevated(WindowMessage&) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    // A cut-off path could name another file.
    if (length == 0 || length >= MAX_PATH || !StartElevated(path)) {
        ShowMessage(hwnd(), L"Failed to launch elevated process.", MB_ICONERROR);
        return 0;
    }
    const HWND parent = GetParent(hwnd());
    EndDialog(IDCANCEL);
    // Posted: the main window closes once this dialog's modal loop has ended.
    if (parent) PostMessageW(parent, WM_CLOSE, 0, 0);
    return 0;
}

bool CSelectProcess::StartElevated(const wchar_t* path) {
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof(start);
    start.hwnd = hwnd();
    start.lpVerb = L"runas";
    start.lpFile = path;
    start.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&start) != FALSE;
}

// Anywhere in the list, also off the rows: the selected row is what counts.
LRESULT CSelectProcess::OnListDoubleClick(WindowMessage& m) { return OnAccept(m); }

LRESULT CSelectProcess::OnColumnClick(WindowMessage& m) {
    processes_.SortByColumn(reinterpret_cast<const NMLISTVIEW*>(m.lParam)->iSubItem);
    return 0;
}

}  // namespace quarry
