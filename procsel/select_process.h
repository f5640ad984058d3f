// The "Select a process" dialog: the user picks the process to inspect, refreshes the
// list, or restarts Quarry elevated to see the processes it cannot open now.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <span>

#include "framework/dialog.h"
#include "framework/dialog_resize.h"
#include "procsel/process_list.h"
#include "resources/resource.h"

namespace quarry {

class CSelectProcess : public CDialogImpl<CSelectProcess>, public CDialogResize {
public:
    static std::span<const Route<CSelectProcess>> Routes() {
        static const Route<CSelectProcess> table[] = {
            OnMessage(WM_INITDIALOG, &CSelectProcess::OnInitDialog),
            OnMessage(WM_SIZE, &CSelectProcess::MoveAnchoredControls),       // the resize helper's
            OnMessage(WM_GETMINMAXINFO, &CSelectProcess::KeepMinimumSize),  // the resize helper's
            OnCommand(IDOK, &CSelectProcess::OnAccept),
            OnCommand(IDCANCEL, &CSelectProcess::OnCancel),
            OnCommand(IDC_REFRESH_LIST, &CSelectProcess::OnRefresh),
            OnCommand(IDC_SHOW_ALL_PROCESSES, &CSelectProcess::RelaunchElevated),
            OnNotify(IDC_PROCESS_LIST, NM_DBLCLK, &CSelectProcess::OnListDoubleClick),
            OnNotify(IDC_PROCESS_LIST, LVN_COLUMNCLICK, &CSelectProcess::OnColumnClick),
        };
        return table;
    }

    static constexpr int IDD = IDD_SELECT_PROCESS;

    // Runs the dialog over `parent`. IDOK: *processId holds the chosen process's id.
    // IDCANCEL: *processId is untouched; the user cancelled, or an elevated Quarry was
    // started and `parent` has been sent on its way to closing.
    INT_PTR DoModal(HWND parent, UINT32* processId);

protected:
    // Starts the executable at `path` elevated; true when the system started it.
    virtual bool StartElevated(const wchar_t* path);

private:
    LRESULT OnInitDialog(WindowMessage& m);
    LRESULT OnAccept(WindowMessage& m);
    LRESULT OnCancel(WindowMessage& m);
    LRESULT OnRefresh(WindowMessage& m);
    LRESULT RelaunchElevated(WindowMessage& m);
    LRESULT OnListDoubleClick(WindowMessage& m);
    LRESULT OnColumnClick(WindowMessage& m);

    void OfferElevation() const;

    UINT32* result_ = nullptr;
    CProcessList processes_;
};

}  // namespace quarry
