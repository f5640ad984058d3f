#include "app/row_commands.h"

#include <windowsx.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <type_traits>

#include "framework/message_box.h"
#include "framework/utf16.h"
#include "memmap/map_columns.h"
#include "resources/resource.h"
#include "treelist/row_text.h"

namespace quarry {
namespace {

#ifdef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOW) == 112);
#endif
static_assert(GMEM_DDESHARE == 0x2000 && SEE_MASK_INVOKEIDLIST == 0x0000000C && CF_UNICODETEXT == 13);

// The clipboard, open for as long as this lives or until Close.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~OpenedClipboard() { Close(); }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;

    bool IsOpen() const { return open_; }
    void Close() {
        if (open_) CloseClipboard();
        open_ = false;
    }

private:
    bool open_;
};

void Warn(HWND owner, const wchar_t* text) { ShowMessage(owner, text, MB_ICONEXCLAMATION); }

void PutOnClipboard(HWND owner, const std::u16string& text) {
    OpenedClipboard clipboard(owner);
    if (!clipboard.IsOpen()) {
        Warn(owner, L"Cannot open Clipboard.");
        return;
    }
    // Filled before the clipboard is emptied, so that a failure leaves the user's clipboard
    // as it was. Moveable, as SetClipboardData asks of the memory it takes over.
    const SIZE_T bytes = (text.size() + 1) * sizeof(char16_t);
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes));
    void* at = memory ? GlobalLock(memory.get()) : nullptr;
    // Memory that cannot be locked is memory the text cannot have either.
    if (!at) {
        clipboard.Close();  // first, so the clipboard is free while the message waits
        Warn(owner, L"Allocate memory failed.");
        return;
    }
    std::memcpy(at, text.c_str(), bytes);
    GlobalUnlock(memory.get());
    EmptyClipboard();
    // Only a successful hand-over gives the memory away; otherwise it is freed here.
    if (SetClipboardData(CF_UNICODETEXT, memory.get())) memory.release();
}

}  // namespace

// A click on a window that reaches past the screen would open the menu out of sight.
POINT PointOnAMonitor(POINT point) {
    if (MonitorFromPoint(point, MONITOR_DEFAULTTONULL)) return point;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &monitor)) return point;
    point.x = std::clamp(point.x, monitor.rcWork.left, std::max(monitor.rcWork.left, monitor.rcWork.right - 1));
    return point;
}

std::optional<std::wstring> RowFilePath(CTreeListView& treeList, HTREEITEM row) {
    std::array<wchar_t, kFileTestCapacity> details{};
    // A longer Details text cannot be read whole and fails the test.
    if (!treeList.GetCellText(row, kColumnDetails, details.data(), kFileTestCapacity)) return std::nullopt;
    if (!HasDrivePathShape(AsUtf16(details.data()))) return std::nullopt;
    if (!PathFileExistsW(details.data())) return std::nullopt;
    return std::wstring(details.data());
}

UniqueMenu BuildRowMenu(CTreeListView& treeList, HTREEITEM row) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    AppendMenuW(menu.get(), MF_STRING, ID_TARGET_DUMP, L"Dump");
    AppendMenuW(menu.get(), MF_STRING, ID_ROW_COPY, L"Copy");
    if (RowFilePath(treeList, row)) {
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING, ID_ROW_EXPLORE, L"Explore...");
        AppendMenuW(menu.get(), MF_STRING, ID_ROW_PROPERTIES, L"Properties...");
    }
    return menu;
}

void OpenRowMenu(HWND owner, CTreeListView& treeList, const RowSelector& selectAndShow) {
    const DWORD position = GetMessagePos();
    const POINT screen{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    const HTREEITEM row = treeList.RowAtScreenPoint(screen);
    selectAndShow(row);  // no row under the point removes the selection
    const UniqueMenu menu = BuildRowMenu(treeList, row);
    if (!menu) return;
    const POINT at = PointOnAMonitor(screen);
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
}

void CopyRow(HWND owner, CTreeListView& treeList) {
    const HTREEITEM row = treeList.SelectedRow();
    const std::u16string text = RowCopyText(kColumnCount, [&](int column, char16_t* buffer, int capacity) {
        return treeList.GetCellText(row, column, AsWide(buffer), capacity);
    });
    PutOnClipboard(owner, text);
}

void ExploreRow(CTreeListView& treeList) {
    const std::optional<std::wstring> path = RowFilePath(treeList, treeList.SelectedRow());
    if (!path) return;
    const UniqueIdList items(ILCreateFromPathW(path->c_str()));
    if (!items) return;
    SHOpenFolderAndSelectItems(items.get(), 0, nullptr, 0);  // its result is not shown
}

void ShowRowProperties(HWND owner, CTreeListView& treeList) {
    const std::optional<std::wstring> path = RowFilePath(treeList, treeList.SelectedRow());
    if (!path) return;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.hwnd = owner;
    info.lpVerb = L"properties";
    info.lpFile = path->c_str();
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);  // its result is not shown
}

}  // namespace quarry
