// Quarry.exe opened for its resources, found beside the test program (never by a Unix path,
// so the tests run the same on Windows and under Wine).
#pragma once

#include "support/win_handles.h"

#include <windows.h>

#include <cstddef>
#include <span>
#include <string>

namespace quarry {

using test::UniqueModule;

inline std::wstring PathBesideTestProgram(const std::wstring& fileName) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size()) {
        path.resize(path.size() * 2);  // truncated: a longer path than MAX_PATH
    }
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + fileName;
}

// `flags` says how: as a data file for reading resources, as an image resource for dialogs.
inline UniqueModule LoadQuarryResources(DWORD flags) {
    return UniqueModule(LoadLibraryExW(PathBesideTestProgram(L"Quarry.exe").c_str(), nullptr, flags));
}

// The bytes of one resource, or an empty span when there is no such resource. They live as
// long as the module.
inline std::span<const std::byte> ResourceBytes(HMODULE module, const wchar_t* type, int id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return {static_cast<const std::byte*>(bytes), SizeofResource(module, found)};
}

}  // namespace quarry
