// CMainFrame: Quarry's only top-level window. A splitter holds the memory map's tree-list
// above the read-only content pane below; the menu bar carries the commands directly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "framework/frame_window.h"
#include "framework/handles.h"
#include "framework/message_loop.h"
#include "framework/splitter.h"
#include "memmap/target_system.h"
#include "resources/resource.h"
#include "treelist/tree_list_view.h"

namespace quarry {

class CMainFrame : public CFrameWindowImpl<CMainFrame>, public CMessageFilter {
public:
    static std::span<const Route<CMainFrame>> Routes() {
        static const Route<CMainFrame> table[] = {
            OnMessage(WM_CREATE, &CMainFrame::OnCreate),
            OnMessage(WM_DESTROY, &CMainFrame::OnDestroy),       // releases the target and goes on
            OnMessage(WM_DESTROY, &CMainFrame::EndMessageLoop),  // the frame's: quit status 1
            OnMessage(WM_SIZE, &CMainFrame::StretchClient),      // the frame's: the splitter fills it
            OnMessage(WM_CTLCOLORSTATIC, &CMainFrame::OnContentColour),
            OnCommand(ID_APP_EXIT, &CMainFrame::OnExit),
            OnCommand(ID_TARGET_OPEN, &CMainFrame::OnOpen),
            OnCommand(ID_TARGET_REFRESH, &CMainFrame::OnRefresh),
            OnCommand(ID_APP_ABOUT, &CMainFrame::OnAbout),
            OnCommand(ID_TARGET_DUMP, &CMainFrame::OnDump),
            OnCommand(ID_ROW_COPY, &CMainFrame::OnCopyRow),
            OnCommand(ID_ROW_EXPLORE, &CMainFrame::OnExploreRow),
            OnCommand(ID_ROW_PROPERTIES, &CMainFrame::OnRowProperties),
            OnCommand(ID_EDIT_FIND, &CMainFrame::OnFind),
            OnCommand(ID_EDIT_FIND_NEXT, &CMainFrame::OnFindNext),
            OnNotify(kAnyControl, TVN_SELCHANGEDW, &CMainFrame::OnSelectionChanged),
            OnNotify(kTreeListId, NM_RCLICK, &CMainFrame::OnRowRightClick),
        };
        return table;
    }

    static constexpr const wchar_t* kClassName = L"QuarryMainFrame";
    // The frame's default: WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS.
    static constexpr DWORD kStyle = 0x06CF0000;
    static constexpr DWORD kExStyle = WS_EX_CLIENTEDGE;
    static constexpr int kWidth = 750;
    static constexpr int kHeight = 660;
    // The tree-list's control id, which its forwarded notifications carry.
    static constexpr UINT kTreeListId = 1;

    // Creates the window at the top-left corner of the screen (it centres itself while
    // being created); null on failure.
    HWND Create();

    // CMessageFilter: F3 and any other accelerator of the window. The message loop that
    // runs the window is given it.
    bool PreTranslateMessage(MSG& message) override;

    // The target process (its Open, Refresh and end of the window).
    void OpenTarget();
    void RefreshTarget();
    void CloseTarget();
    // The content pane: the first page of the row's memory on the row's colour.
    void ShowRowMemory(HTREEITEM row);
    // A selection the program makes counts as no user's and empties the pane, so every
    // command that selects a row (Find, the right click) shows it through here.
    void SelectAndShowRow(HTREEITEM row);
    // Saves the selected region, or all regions of the selected allocation, to a file.
    void DumpCommand();

    CTreeListView& TreeList() { return treeList_; }
    HANDLE Target() const { return target_.get(); }
    const CHorSplitterWindow& Splitter() const { return splitter_; }
    HWND ContentWindow() const { return content_; }
    COLORREF PaneColour() const { return paneColour_; }
    HBRUSH PaneBrush() const { return paneBrush_.get(); }
    std::uint32_t ReadSize() const { return readSize_; }
    // The text of the last search, which F3 repeats; empty until a search is confirmed.
    const std::wstring& FindText() const { return findText_; }

private:
    LRESULT OnCreate(WindowMessage& m);
    LRESULT OnDestroy(WindowMessage& m);
    LRESULT OnContentColour(WindowMessage& m);
    LRESULT OnExit(WindowMessage& m);
    LRESULT OnAbout(WindowMessage& m);
    LRESULT OnOpen(WindowMessage& m);
    LRESULT OnRefresh(WindowMessage& m);
    LRESULT OnDump(WindowMessage& m);
    LRESULT OnSelectionChanged(WindowMessage& m);
    LRESULT OnCopyRow(WindowMessage& m);
    LRESULT OnExploreRow(WindowMessage& m);
    LRESULT OnRowProperties(WindowMessage& m);
    LRESULT OnFind(WindowMessage& m);
    LRESULT OnFindNext(WindowMessage& m);
    LRESULT OnRowRightClick(WindowMessage& m);

    void CreatePanes();
    void SetPaneColour(COLORREF colour);
    void EmptyTree();
    void EmptyPane();
    void SetTitle(const char16_t* title);
    // Opens the process and shows its memory map under the wait cursor; false when it
    // cannot be opened.
    bool ShowTarget(DWORD processId);
    // Writes the memory to dump into a new file at `path` under the wait cursor; the text of
    // the failure to show, or null.
    const wchar_t* DumpTo(const std::wstring& path);
    std::vector<std::uint64_t> RegionsToDump();
    void ShowError(const wchar_t* text) const;

    CTreeListView treeList_;
    CHorSplitterWindow splitter_;
    HWND content_ = nullptr;
    UniqueHandle target_;
    std::shared_ptr<TargetSystem> system_;  // the target's questions, null while target_ is
    COLORREF paneColour_ = RGB(255, 255, 255);
    UniqueBrush paneBrush_;
    std::unique_ptr<std::uint8_t[]> pageBuffer_;
    std::uint32_t readSize_ = 0;
    std::wstring findText_;
};

}  // namespace quarry
