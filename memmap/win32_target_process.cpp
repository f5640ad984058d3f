#include "memmap/win32_target_process.h"

#include <tlhelp32.h>

#include <cwchar>

#include "framework/utf16.h"

namespace quarry {

UniqueHandle OpenTargetProcess(DWORD processId) { return UniqueHandle(OpenProcess(kTargetAccess, FALSE, processId)); }

std::vector<ProcessEntry> ListProcesses() {
    std::vector<ProcessEntry> processes;
    const UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    // Bounded by the record even if the system left a name unterminated.
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        processes.push_back({entry.th32ProcessID, ToUtf16({entry.szExeFile, wcsnlen(entry.szExeFile, std::size(entry.szExeFile))})});
    return processes;
}

std::optional<std::u16string> FindProcessName(DWORD processId) {
    for (ProcessEntry& process : ListProcesses())
        if (process.id == processId) return std::move(process.name);
    return std::nullopt;
}

}  // namespace quarry
