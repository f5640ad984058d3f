#include "memmap/win32_target_process.h"

#include <tlhelp32.h>

#include <cwchar>

#include "framework/utf16.h"

namespace quarry {

UniqueHandle OpenTargetProcess(DWORD processId) { return UniqueHandle(OpenProcess(kTargetAccess, FALSE, processId)); }

std::optional<std::u16string> FindProcessName(DWORD processId) {
    const UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return std::nullopt;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        // Bounded by the record even if the system left the name unterminated.
        if (entry.th32ProcessID == processId)
            return ToUtf16({entry.szExeFile, wcsnlen(entry.szExeFile, std::size(entry.szExeFile))});
    }
    return std::nullopt;
}

}  // namespace quarry
