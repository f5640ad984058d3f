#include "procsel/process_listing.h"

#include <tlhelp32.h>

#include "framework/handles.h"
#include "framework/utf16.h"
#include "memmap/win32_target_process.h"

namespace quarry {
namespace {

// Looked up at run time: systems without WOW64 lack the function, and there every process
// counts as native. The call's own result is not looked at; the flag stays false then.
bool RunsUnderWow64(HANDLE process) {
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    static const auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (isWow64Process) isWow64Process(process, &wow64);
    return wow64 != FALSE;
}

// A 32-bit build on 64-bit Windows can read only the memory of 32-bit processes.
bool HasListableBitness(HANDLE process) { return !RunsUnderWow64(GetCurrentProcess()) || RunsUnderWow64(process); }

}  // namespace

std::vector<ListedProcess> ListInspectableProcesses() {
    std::vector<ListedProcess> listed;
    const UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return listed;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == 0) continue;
        // Listed only with the rights the target is opened with later, so every row can be
        // inspected.
        const UniqueHandle process(OpenProcess(kTargetAccess, FALSE, entry.th32ProcessID));
        if (!process || !HasListableBitness(process.get())) continue;
        listed.push_back({entry.th32ProcessID, AsUtf16(entry.szExeFile), GetProcessUserName(process.get()).value_or(u"")});
    }
    return listed;
}

std::optional<std::u16string> GetProcessUserName(HANDLE process) {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &rawToken)) return std::nullopt;
    const UniqueHandle token(rawToken);
    DWORD size = 0;
    if (GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::nullopt;
    const UniqueHeapBlock<> record = AllocateHeapBlock(size);
    if (!record || !GetTokenInformation(token.get(), TokenUser, record.get(), size, &size)) return std::nullopt;

    wchar_t name[kProcessTextCapacity] = {};
    wchar_t domain[kProcessTextCapacity] = {};
    DWORD nameLength = kProcessTextCapacity;
    DWORD domainLength = kProcessTextCapacity;
    SID_NAME_USE use{};
    if (!LookupAccountSidW(nullptr, static_cast<const TOKEN_USER*>(record.get())->User.Sid, name, &nameLength, domain,
                           &domainLength, &use))
        return std::nullopt;
    return FormatAccountText(AsUtf16(domain), AsUtf16(name));
}

}  // namespace quarry
