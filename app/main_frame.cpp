#include "app/main_frame.h"

#include <commdlg.h>

#include <optional>
#include <string>

#include "app/about_dlg.h"
#include "app/find_commands.h"
#include "app/row_commands.h"
#include "app/window_title.h"
#include "content/content_pane.h"
#include "framework/dialog.h"
#include "framework/file_dialog.h"
#include "framework/message_box.h"
#include "framework/utf16.h"
#include "memmap/map_columns.h"
#include "memmap/memory_map.h"
#include "memmap/win32_region_dump.h"
#include "memmap/win32_target_process.h"
#include "memmap/win32_target_system.h"
#include "procsel/select_process.h"

namespace quarry {
namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kContentStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                ES_AUTOHSCROLL | ES_READONLY;
static_assert(kChildStyle == 0x56000000 && kContentStyle == 0x503008C4);

int HeaderFormat(ColumnAlignment alignment) { return alignment == ColumnAlignment::Right ? HDF_RIGHT : HDF_LEFT; }

constexpr FileType kDumpFileTypes[] = {{L"Dump binary file", L"*.bin"}, {L"All Files", L"*.*"}};
constexpr DWORD kDumpDialogOptions = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
static_assert(kDumpDialogOptions == 0x806);

}  // namespace

HWND CMainFrame::Create() {
    return CreateFrame(nullptr, RECT{0, 0, kWidth, kHeight}, kStyle, kExStyle, IDR_MAINFRAME);
}

// Once the window is gone its accelerators have nowhere to go.
bool CMainFrame::PreTranslateMessage(MSG& message) {
    return hwnd() && Accelerators() && TranslateAcceleratorW(hwnd(), Accelerators(), &message);
}

LRESULT CMainFrame::OnCreate(WindowMessage&) {
    CreatePanes();
    SetPaneColour(RGB(255, 255, 255));
    CenterWindow(hwnd());
    target_.reset();
    SetTitle(kNoTargetTitle);

    readSize_ = SystemPageSize();
    pageBuffer_ = std::make_unique<std::uint8_t[]>(readSize_);
    return 0;
}

// The splitter fills the client area with the tree-list above and the content pane below,
// the bar in the middle.
void CMainFrame::CreatePanes() {
    SetClient(splitter_.Create(hwnd(), RECT{}, kChildStyle, 0));
    treeList_.Create(splitter_.hwnd(), kTreeListId);
    for (const MapColumn& column : kMapColumns)
        treeList_.AddColumn(AsWide(column.caption), column.width, HeaderFormat(column.alignment));

    content_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", nullptr, kContentStyle, 0, 0, 0, 0, splitter_.hwnd(),
                               nullptr, ModuleInstance(), nullptr);
    // Fixed pitch, so that the dump's columns line up.
    SendMessageW(content_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), TRUE);

    splitter_.SetSplitterPanes(treeList_.hwnd(), content_);
    UpdateLayout();
    splitter_.SetSplitterPos();
}

void CMainFrame::SetPaneColour(COLORREF colour) {
    paneBrush_.reset();
    paneColour_ = colour;
    paneBrush_.reset(CreateSolidBrush(colour));
    InvalidateRect(content_, nullptr, TRUE);
}

LRESULT CMainFrame::OnDestroy(WindowMessage& m) {
    CloseTarget();
    m.handled = false;  // the frame's route goes on and ends the message loop
    return 0;
}

// The text colour comes with the pale background: a theme's own could be as light.
LRESULT CMainFrame::OnContentColour(WindowMessage& m) {
    SetBkColor(reinterpret_cast<HDC>(m.wParam), paneColour_);
    SetTextColor(reinterpret_cast<HDC>(m.wParam), kRowTextColour);
    return reinterpret_cast<LRESULT>(paneBrush_.get());
}

LRESULT CMainFrame::OnExit(WindowMessage&) {
    PostMessageW(hwnd(), WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CMainFrame::OnAbout(WindowMessage&) {
    CAboutDlg about;
    about.DoModal(GetActiveWindow());
    return 0;
}

LRESULT CMainFrame::OnOpen(WindowMessage&) {
    OpenTarget();
    return 0;
}

LRESULT CMainFrame::OnRefresh(WindowMessage&) {
    RefreshTarget();
    return 0;
}

LRESULT CMainFrame::OnDump(WindowMessage&) {
    DumpCommand();
    return 0;
}

void CMainFrame::OpenTarget() {
    CSelectProcess dialog;
    UINT32 processId = 0;
    if (dialog.DoModal(hwnd(), &processId) != IDOK) return;  // target, tree and title stay
    if (!ShowTarget(processId)) ShowError(L"Failed to open target process.");
}

bool CMainFrame::ShowTarget(DWORD processId) {
    const WaitCursor busy;
    CloseTarget();
    target_ = OpenTargetProcess(processId);
    EmptyTree();
    if (!target_) {
        SetTitle(kNoTargetTitle);
        return false;
    }
    system_ = OpenTargetSystem(target_.get());
    // Before the walk: a target that ends during a long walk keeps its name in the title.
    const std::u16string title = TargetTitle(FindProcessName(processId), processId);
    BuildMemoryMap(*system_, treeList_);
    // The title changes only once the walk is done.
    SetTitle(title.c_str());
    return true;
}

void CMainFrame::SetTitle(const char16_t* title) { SetWindowTextW(hwnd(), AsWide(title)); }

// Without a target the tree is left empty and nothing is walked.
void CMainFrame::RefreshTarget() {
    const WaitCursor busy;
    EmptyTree();
    if (system_) BuildMemoryMap(*system_, treeList_);
}

// Calls left behind on an ended target keep their own duplicate of its handle.
void CMainFrame::CloseTarget() {
    system_.reset();
    target_.reset();
}

// Deleting the selected row is a selection change made by the program, which empties the
// pane. Wine's tree-view reports none when all rows go at once, so the pane is emptied here
// as well; on Windows it is empty already.
void CMainFrame::EmptyTree() {
    treeList_.DeleteAllRows();
    EmptyPane();
}

void CMainFrame::EmptyPane() { SetWindowTextW(content_, L""); }

LRESULT CMainFrame::OnSelectionChanged(WindowMessage& m) {
    const auto* change = reinterpret_cast<const NMTREEVIEWW*>(m.lParam);
    // A selection the program changed, such as rows being deleted, shows nothing; the
    // pane keeps its colour.
    if (change->action == TVC_UNKNOWN) EmptyPane();
    else ShowRowMemory(change->itemNew.hItem);
    return 0;
}

void CMainFrame::ShowRowMemory(HTREEITEM row) {
    const std::u16string text =
        system_ ? RowMemoryText(*system_, treeList_.RowValue(row), std::span(pageBuffer_.get(), readSize_))
                : kReadFailedText;
    // The pane takes the row's colour also when the read failed.
    SetPaneColour(treeList_.GetRowColor(row));
    SetWindowTextW(content_, AsWide(text));
}

void CMainFrame::SelectAndShowRow(HTREEITEM row) {
    treeList_.SelectRow(row);
    ShowRowMemory(row);
}

void CMainFrame::DumpCommand() {
    if (!system_) return;
    CFileDialog dialog(kDumpFileTypes, L"bin", L"MemoryDump", kDumpDialogOptions);
    if (!dialog.DoModal(GetActiveWindow())) return;
    if (const wchar_t* failure = DumpTo(dialog.Path())) ShowError(failure);
}

const wchar_t* CMainFrame::DumpTo(const std::wstring& path) {
    const WaitCursor busy;
    const UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return L"Failed to create dump file.";
    // What was written before a failure stays in the file.
    if (!DumpRegions(file.get(), *system_, RegionsToDump())) return L"Failed to dump process memory.";
    return nullptr;
}

// An allocation row's regions in row order, or the selected row itself (address 0 when
// none is selected).
std::vector<std::uint64_t> CMainFrame::RegionsToDump() {
    const HTREEITEM selected = treeList_.SelectedRow();
    const std::vector<HTREEITEM> children = treeList_.ChildRows(selected);
    if (children.empty()) return {treeList_.RowValue(selected)};
    std::vector<std::uint64_t> addresses;
    for (const HTREEITEM child : children) addresses.push_back(treeList_.RowValue(child));
    return addresses;
}

void CMainFrame::ShowError(const wchar_t* text) const { ShowMessage(hwnd(), text, MB_ICONERROR); }

LRESULT CMainFrame::OnRowRightClick(WindowMessage&) {
    OpenRowMenu(hwnd(), treeList_, [this](HTREEITEM row) { SelectAndShowRow(row); });
    return 0;
}

LRESULT CMainFrame::OnCopyRow(WindowMessage&) {
    CopyRow(hwnd(), treeList_);
    return 0;
}

LRESULT CMainFrame::OnExploreRow(WindowMessage&) {
    ExploreRow(treeList_);
    return 0;
}

LRESULT CMainFrame::OnRowProperties(WindowMessage&) {
    ShowRowProperties(hwnd(), treeList_);
    return 0;
}

LRESULT CMainFrame::OnFind(WindowMessage&) {
    FindCommand(hwnd(), treeList_, findText_, [this](HTREEITEM row) { SelectAndShowRow(row); });
    return 0;
}

LRESULT CMainFrame::OnFindNext(WindowMessage&) {
    FindNextCommand(hwnd(), treeList_, findText_, [this](HTREEITEM row) { SelectAndShowRow(row); });
    return 0;
}

}  // namespace quarry
