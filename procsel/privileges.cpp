#include "procsel/privileges.h"

#include <windows.h>

#include "framework/handles.h"

namespace quarry {
namespace {

UniqueHandle OpenOwnToken(DWORD access) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), access, &token)) return nullptr;
    return UniqueHandle(token);
}

}  // namespace

bool EnablePrivilege(const wchar_t* name) {
    const UniqueHandle token = OpenOwnToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    if (!token) return false;
    TOKEN_PRIVILEGES privileges{};
    if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // Only the call's own result counts: ERROR_NOT_ALL_ASSIGNED still means success here,
    // so that a user without the privilege works on with the rights there are.
    return AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr) != 0;
}

bool IsProcessElevated() {
    const UniqueHandle token = OpenOwnToken(TOKEN_QUERY);
    if (!token) return false;
    TOKEN_ELEVATION elevation{};
    DWORD length = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &length)) return false;
    return elevation.TokenIsElevated != 0;
}

}  // namespace quarry
