#include "framework/file_dialog.h"

#include <commdlg.h>

namespace quarry {

CFileDialog::CFileDialog(std::span<const FileType> types, const wchar_t* defaultExtension, const wchar_t* fileName,
                         DWORD flags)
    : defaultExtension_(defaultExtension), path_(fileName), flags_(flags) {
    for (const FileType& type : types) {
        filter_.append(type.description).push_back(L'\0');
        filter_.append(type.pattern).push_back(L'\0');
    }
    // The list ends with an empty pair: the string's own terminator adds the second null.
}

bool CFileDialog::DoModal(HWND owner) {
    std::wstring chosen = path_;
    chosen.resize(MAX_PATH, L'\0');
    chosen.back() = L'\0';  // an over-long initial name is cut, never left unterminated
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = filter_.empty() ? nullptr : filter_.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = chosen.data();
    request.nMaxFile = static_cast<DWORD>(chosen.size());
    request.lpstrDefExt = defaultExtension_.c_str();
    request.Flags = flags_;
    if (!GetSaveFileNameW(&request)) return false;
    path_ = chosen.c_str();
    return true;
}

}  // namespace quarry
