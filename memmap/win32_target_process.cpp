#include "memmap/win32_target_process.h"

#include <tlhelp32.h>

#include <cwchar>

namespace quarry {

UniqueHandle OpenTargetProcess(DWORD processId) { return UniqueHandle(OpenProcess(kTargetAccess, FALSE, processId)); }

bool FindProcessName(DWORD processId, wchar_t (&name)[kProcessNameCapacity]) {
    const UniqueHandle snapshot = OwnHandle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID != processId) continue;
        // The snapshot's name always fits: both hold 260 characters with the terminator.
        static_assert(sizeof entry.szExeFile / sizeof entry.szExeFile[0] == kProcessNameCapacity);
        const std::size_t length = wcsnlen(entry.szExeFile, kProcessNameCapacity - 1);
        wmemcpy(name, entry.szExeFile, length);
        name[length] = L'\0';
        return true;
    }
    return false;
}

}  // namespace quarry
