#include "procsel/process_list.h"

#include <psapi.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <optional>

#include "framework/utf16.h"
#include "memmap/win32_target_process.h"
#include "procsel/process_listing.h"

namespace quarry {
namespace {

static_assert(kHeaderSortUp == HDF_SORTUP && kHeaderSortDown == HDF_SORTDOWN);

constexpr DWORD kIconAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

struct ColumnInfo {
    int format;
    int width;
};
constexpr ColumnInfo kColumns[kProcessColumnCount] = {
    {LVCFMT_LEFT, 100},
    {LVCFMT_RIGHT, 60},
    {LVCFMT_LEFT, 180},
};

// The executable's path as the system reports it; nothing when it cannot be read or does not
// fit the path buffer. One unit more than the buffer is asked for, since the system cuts a
// longer path short without saying so: a cut path could name another file.
std::optional<std::u16string> ModuleImagePath(HANDLE process, DWORD processId) {
    if (processId == kSystemProcessId) return kKernelImagePath;
    wchar_t path[kProcessTextCapacity + 1] = {};
    const DWORD length = GetModuleFileNameExW(process, nullptr, path, kProcessTextCapacity + 1);
    if (length == 0 || !FitsProcessText(length)) return std::nullopt;
    return ToUtf16({path, length});
}

// The executable's path as the shell can read it; nothing when it cannot be read or does not
// fit the path buffer.
std::optional<std::wstring> ShellImagePath(HANDLE process, DWORD processId) {
    const std::optional<std::u16string> path = ModuleImagePath(process, processId);
    if (!path) return std::nullopt;
    const std::optional<ImagePath> rewritten = RewriteImagePath(*path);
    if (!rewritten) return std::nullopt;
    if (!rewritten->needsExpansion) return std::wstring(AsWide(rewritten->text.c_str()));
    wchar_t expanded[kProcessTextCapacity] = {};
    // The count includes the terminator; a larger one is the size the expansion would need.
    const DWORD length = ExpandEnvironmentStringsW(AsWide(rewritten->text.c_str()), expanded, kProcessTextCapacity);
    if (length == 0 || length > kProcessTextCapacity) return std::nullopt;
    return std::wstring(expanded);
}

}  // namespace

UniqueIcon GetProcessIcon(DWORD processId) {
    const UniqueHandle process(OpenProcess(kIconAccess, FALSE, processId));
    if (!process) return nullptr;
    const std::optional<std::wstring> path = ShellImagePath(process.get(), processId);
    wchar_t canonical[kProcessTextCapacity] = {};
    if (!path || !PathCanonicalizeW(canonical, path->c_str())) return nullptr;
    SHFILEINFOW file{};
    SHGetFileInfoW(canonical, 0, &file, sizeof(file), SHGFI_ICON | SHGFI_SMALLICON);
    return UniqueIcon(file.hIcon);
}

void CProcessList::SetUp(HWND list) {
    list_ = list;
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
    for (int index = 0; index < kProcessColumnCount; ++index) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kColumns[index].format;
        column.cx = kColumns[index].width;
        column.pszText = const_cast<wchar_t*>(AsWide(kProcessColumnTitles[static_cast<std::size_t>(index)]));
        column.iSubItem = index;
        ListView_InsertColumn(list_, index, &column);
    }
}

void CProcessList::RefreshProcessList() {
    ReplaceImageList();
    ListView_DeleteAllItems(list_);
    int row = 0;
    for (const ListedProcess& process : ListInspectableProcesses())
        if (AddProcess(process, row)) ++row;
}

void CProcessList::ReplaceImageList() {
    UniqueImageList fresh(ImageList_Create(16, 16, ILC_COLOR32, 5, 5));
    imageList_ = fresh.get();
    // The list takes the new image list and gives back the one it held, which goes here.
    const UniqueImageList previous(ListView_SetImageList(list_, fresh.release(), LVSIL_SMALL));
}

bool CProcessList::AddProcess(const ListedProcess& process, int row) {
    const UniqueIcon icon = GetProcessIcon(process.id);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(AsWide(process.name.c_str()));
    // The image list keeps a copy of the icon. Without an icon nothing is appended.
    item.iImage = icon ? ImageList_ReplaceIcon(imageList_, -1, icon.get()) : -1;
    if (ListView_InsertItem(list_, &item) != row) return false;

    item.mask = LVIF_PARAM;
    item.lParam = static_cast<LPARAM>(process.id);
    ListView_SetItem(list_, &item);
    SetCellText(row, kProcessIdColumn, std::to_wstring(process.id).c_str());
    if (!process.user.empty()) SetCellText(row, kUserColumn, AsWide(process.user.c_str()));
    return true;
}

void CProcessList::SetCellText(int row, int column, const wchar_t* text) const {
    ListView_SetItemText(list_, row, column, const_cast<wchar_t*>(text));
}

DWORD CProcessList::GetRowProcessId(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem(list_, &item)) return 0;
    return static_cast<DWORD>(item.lParam);
}

int CProcessList::SelectedRow() const { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

void CProcessList::SortByColumn(int column) {
    const HWND header = ListView_GetHeader(list_);
    HDITEMW clicked{};
    clicked.mask = HDI_FORMAT;
    if (!Header_GetItem(header, column, &clicked)) return;
    const ColumnSort sort = ToggleColumnSort(column, static_cast<std::uint32_t>(clicked.fmt));
    sortState_ = sort.state;

    // The arrow shows on the sorted column only.
    for (int index = 0; index < kProcessColumnCount; ++index) {
        HDITEMW other{};
        other.mask = HDI_FORMAT;
        if (!Header_GetItem(header, index, &other)) continue;
        other.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        Header_SetItem(header, index, &other);
    }
    clicked.fmt = static_cast<int>(sort.format);
    Header_SetItem(header, column, &clicked);
    SortRows();
}

// Wine 8's LVM_SORTITEMSEX hands the compare function row indexes that do not follow the
// rows it moves, and misorders them. LVM_SORTITEMS hands it each row's item data, its
// process id, which stays with the row on every system; so the rows' keys are read by
// index before the sort and looked up by process id during it.
void CProcessList::SortRows() {
    const bool byText = SortKeyOf(sortState_) == SortKey::Text;
    sortKeys_.clear();
    for (int row = 0, count = ListView_GetItemCount(list_); row < count; ++row)
        sortKeys_.push_back({GetRowProcessId(row), byText ? RowText(row, SortedColumn(sortState_)) : u""});
    std::sort(sortKeys_.begin(), sortKeys_.end(),
              [](const ProcessRowKey& a, const ProcessRowKey& b) { return a.processId < b.processId; });
    ListView_SortItems(list_, &CProcessList::CompareSortedRows, reinterpret_cast<LPARAM>(this));
    sortKeys_.clear();
}

int CALLBACK CProcessList::CompareSortedRows(LPARAM processId1, LPARAM processId2, LPARAM self) {
    const auto* list = reinterpret_cast<const CProcessList*>(self);
    return CompareProcessRows(list->KeyOf(static_cast<DWORD>(processId1)), list->KeyOf(static_cast<DWORD>(processId2)),
                              list->sortState_);
}

const ProcessRowKey& CProcessList::KeyOf(DWORD processId) const {
    static const ProcessRowKey kUnknown;
    const auto found = std::lower_bound(
        sortKeys_.begin(), sortKeys_.end(), processId,
        [](const ProcessRowKey& key, DWORD id) { return key.processId < id; });
    return found != sortKeys_.end() && found->processId == processId ? *found : kUnknown;
}

std::u16string CProcessList::RowText(int row, int column) const {
    wchar_t text[kProcessTextCapacity] = {};
    ListView_GetItemText(list_, row, column, text, kProcessTextCapacity);
    return AsUtf16(text);
}

}  // namespace quarry
