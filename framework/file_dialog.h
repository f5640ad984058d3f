// The system's save-file dialog with the few options the program sets.
#pragma once

#include <windows.h>

#include <span>
#include <string>

namespace quarry {

struct FileType {
    const wchar_t* description;
    const wchar_t* pattern;
};

class CFileDialog {
public:
    CFileDialog(std::span<const FileType> types, const wchar_t* defaultExtension, const wchar_t* fileName,
                DWORD flags);

    // Shows the dialog owned by `owner`; true when the user chose a file, whose path
    // Path() then holds.
    bool DoModal(HWND owner);
    const std::wstring& Path() const { return path_; }

private:
    std::wstring filter_;  // description and pattern pairs, each ended by a null
    std::wstring defaultExtension_;
    std::wstring path_;
    DWORD flags_;
};

}  // namespace quarry
