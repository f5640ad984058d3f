// Quarry only reads its target. Two proofs that fail when that stops being true:
//  - Quarry.exe and QuarryMap.exe import, or hold for a lookup at run time, the name of no
//    function that writes, allocates, protects, frees or maps memory in another process,
//    suspends, debugs or ends it, or starts or steers threads in it;
//  - Open and Refresh, driven as the user drives them, open the target with exactly 0x100418
//    and its threads with exactly 0x100040, seen at the import entries through which the
//    program's code, linked into this test, calls OpenProcess and OpenThread.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/main_frame.h"
#include "resources/resource.h"
#include "support/modal_driver.h"
#include "support/target_launcher.h"

namespace quarry {
namespace {

// Each name also stands for its Nt, Zw, Ex and numbered forms. SuspendThread, ResumeThread
// and SetThreadContext are left out: the compiler's thread library imports them for its own
// threads. Open and Refresh must not call them at all, which the second proof sees.
const char* const kForbiddenNames[] = {
    "WriteProcessMemory", "WriteVirtualMemory", "VirtualAllocEx", "VirtualAlloc2", "AllocateVirtualMemory",
    "VirtualProtectEx", "ProtectVirtualMemory", "VirtualFreeEx", "FreeVirtualMemory", "MapViewOfFile2",
    "MapViewOfFile3", "MapViewOfFileNuma2", "UnmapViewOfFile2", "MapViewOfSection", "UnmapViewOfSection",
    "CreateRemoteThread", "CreateUserThread", "NtCreateThread", "QueueUserAPC", "QueueApcThread", "SuspendProcess",
    "ResumeProcess", "NtSuspendThread", "Wow64SuspendThread", "NtResumeThread", "NtSetContextThread",
    "Wow64SetThreadContext", "DebugActiveProcess", "DebugBreakProcess", "TerminateProcess", "TerminateThread",
    "NtOpenProcess", "ZwOpenProcess", "NtOpenThread", "ZwOpenThread",  // past the interception below
};

// Calls `visit(name, entry)` for each function that the image at `base` imports, with its
// name ("" for an import by number) and its entry in the import address table.
template <typename Visit>
void ForEachImport(const BYTE* base, Visit visit) {
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports); imports && dll->Name; ++dll) {
        auto* entry = reinterpret_cast<void**>(const_cast<BYTE*>(base) + dll->FirstThunk);
        for (auto* name = reinterpret_cast<const IMAGE_THUNK_DATA64*>(base + dll->OriginalFirstThunk);
             name->u1.Function; ++name, ++entry)
            visit(IMAGE_SNAP_BY_ORDINAL64(name->u1.Ordinal)
                      ? ""
                      : reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name,
                  entry);
    }
}

TEST(ReadOnly, QuarryAndQuarryMapImportAndNameNothingThatChangesAnotherProcess) {
    for (const wchar_t* program : {L"Quarry.exe", L"QuarryMap.exe"}) {
        SCOPED_TRACE(std::string(program, program + wcslen(program)));
        std::ifstream file(test::BesideTestProgram(program).c_str(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        // A name for GetProcAddress sits in the program in ASCII or UTF-16, an imported one in ASCII.
        const auto holds = [&](std::string name) {
            std::string wide;
            for (const char c : name) wide += {c, '\0'};
            return bytes.find(name) != std::string::npos || bytes.find(wide) != std::string::npos;
        };
        for (const char* looking : {"OpenProcess", "VirtualQueryEx", "ReadProcessMemory"})
            EXPECT_TRUE(holds(looking)) << looking << " not found: the program was not read";
        for (const char* forbidden : kForbiddenNames) EXPECT_FALSE(holds(forbidden)) << "it names " << forbidden;

        // An import by number has no name to look for.
        const test::UniqueModule image(
            LoadLibraryExW(test::BesideTestProgram(program).c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_NE(image, nullptr);
        ForEachImport(reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image.get()) & ~ULONG_PTR{3}),
                      [](const char* name, void**) { EXPECT_NE(*name, '\0') << "an import by number"; });
    }
}

// Points this test program's import entry for `name` at `standIn` for the rest of the
// program; returns what it pointed at. mingw-w64 links the entries into writable memory.
template <typename Function>
Function* Redirect(const char* name, Function* standIn) {
    Function* previous = nullptr;
    ForEachImport(reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr)), [&](const char* imported, void** entry) {
        if (std::string_view(imported) == name)
            previous = reinterpret_cast<Function*>(std::exchange(*entry, reinterpret_cast<void*>(standIn)));
    });
    return previous;
}

struct Opened {
    DWORD access, id;
    HANDLE handle;
};
std::vector<Opened> processes, threads;
decltype(&OpenProcess) openProcess;
decltype(&OpenThread) openThread;
int threadControls = 0;  // calls of SuspendThread, ResumeThread and SetThreadContext

// OpenProcess or OpenThread, recorded in `opened` and passed on to `original`.
template <std::vector<Opened>& opened, HANDLE(WINAPI*& original)(DWORD, BOOL, DWORD)>
HANDLE WINAPI Recorded(DWORD access, BOOL inherit, DWORD id) {
    opened.push_back({access, id, original(access, inherit, id)});
    return opened.back().handle;
}
DWORD WINAPI SuspendOrResumeStandIn(HANDLE) { return ++threadControls, static_cast<DWORD>(-1); }
BOOL WINAPI SetThreadContextStandIn(HANDLE, const CONTEXT*) { return ++threadControls, FALSE; }

TEST(ReadOnly, OpenAndRefreshOpenTheTargetAndItsThreadsOnlyToLook) {
    test::TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const ComScope com;
    CMainFrame frame;
    ASSERT_NE(frame.Create(), nullptr);
    openProcess = Redirect("OpenProcess", Recorded<processes, openProcess>);
    openThread = Redirect("OpenThread", Recorded<threads, openThread>);
    ASSERT_TRUE(openProcess && openThread);
    Redirect("SuspendThread", SuspendOrResumeStandIn);  // not imported: nothing here can call it
    Redirect("ResumeThread", SuspendOrResumeStandIn);
    Redirect("SetThreadContext", SetThreadContextStandIn);
    test::ModalAnswers answers;
    answers.dialog = test::ChooseProcess(target.Facts().pid);
    SendMessageW(frame.hwnd(), WM_COMMAND, ID_TARGET_OPEN, 0);
    SendMessageW(frame.hwnd(), WM_COMMAND, ID_TARGET_REFRESH, 0);

    // The handle the window holds is one that OpenProcess gave, with exactly the target's
    // rights: synchronize, query information, read and operate on memory.
    EXPECT_TRUE(std::ranges::any_of(processes, [&](const Opened& opened) {
        return opened.handle && opened.handle == frame.Target() && opened.access == 0x100418u &&
               opened.id == target.Facts().pid;
    })) << "the target was not opened through OpenProcess with exactly 0x100418";
    // Listing the processes for the choice opens them too; only to look: with the target's
    // rights or PROCESS_QUERY_LIMITED_INFORMATION (0x1000) at most.
    for (const Opened& opened : processes)
        EXPECT_EQ(opened.access & ~0x101418u, 0u)
            << "process " << opened.id << " opened with " << std::hex << opened.access;
    // Open and Refresh each walk the target's threads: at least its own two.
    EXPECT_GE(threads.size(), 4u);
    for (const Opened& opened : threads)  // synchronize, query information
        EXPECT_EQ(opened.access, 0x100040u) << "thread " << opened.id << " opened with " << std::hex << opened.access;
    EXPECT_EQ(threadControls, 0) << "threads suspended, resumed or steered";
    DestroyWindow(frame.hwnd());
}

}  // namespace
}  // namespace quarry
