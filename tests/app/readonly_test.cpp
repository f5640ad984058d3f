// Quarry only reads its target. Two proofs that fail when that stops being true:
//  - Quarry.exe imports, or names for a lookup at run time, no function that writes to,
//    allocates in, changes protection in, suspends, debugs, ends or starts threads in another
//    process;
//  - Open and Refresh, driven as the user drives them, open the target with exactly 0x100418
//    and its threads with exactly 0x100040, seen by intercepting OpenProcess and OpenThread
//    where the program calls them, wherever in the program that is.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "main_frame_driver.h"

namespace quarry {
namespace {

using namespace test;

// Functions that act on another process, or on a thread of one, beyond looking at it.
// NtOpenProcess and NtOpenThread are here because they would open handles past the
// interception below.
const char* const kForbiddenFunctions[] = {
    "WriteProcessMemory", "NtWriteVirtualMemory", "ZwWriteVirtualMemory",
    "VirtualAllocEx", "VirtualAllocExNuma", "VirtualAlloc2", "VirtualAlloc2FromApp", "NtAllocateVirtualMemory",
    "NtAllocateVirtualMemoryEx", "VirtualProtectEx", "NtProtectVirtualMemory", "VirtualFreeEx",
    "NtFreeVirtualMemory", "MapViewOfFile2", "MapViewOfFile3", "MapViewOfFileNuma2", "NtMapViewOfSection",
    "NtMapViewOfSectionEx", "ZwMapViewOfSection", "UnmapViewOfFile2", "NtUnmapViewOfSection",
    "CreateRemoteThread", "CreateRemoteThreadEx", "RtlCreateUserThread", "NtCreateThread", "NtCreateThreadEx",
    "QueueUserAPC", "QueueUserAPC2", "NtQueueApcThread", "NtQueueApcThreadEx",
    "SuspendThread", "ResumeThread", "Wow64SuspendThread", "NtSuspendThread", "NtResumeThread",
    "NtSuspendProcess", "NtResumeProcess", "SetThreadContext", "Wow64SetThreadContext", "NtSetContextThread",
    "DebugActiveProcess", "DebugBreakProcess", "DebugSetProcessKillOnExit", "NtDebugActiveProcess",
    "DbgUiDebugActiveProcess", "TerminateProcess", "NtTerminateProcess", "TerminateThread", "NtTerminateThread",
    "NtOpenProcess", "ZwOpenProcess", "NtOpenThread", "ZwOpenThread",
};

// Imported by the compiler's thread library (winpthreads, linked statically with the posix
// thread model), which uses them on threads of its own process only. They can do nothing to
// the target's threads: Quarry opens those with query rights alone, which the second proof
// checks, and the interception shows that Quarry never calls them.
const std::set<std::string_view> kThreadLibraryImports = {"SuspendThread", "ResumeThread", "SetThreadContext"};

// What Quarry does use to look: a parser that found none of these would prove nothing.
const char* const kLookingFunctions[] = {"OpenProcess", "OpenThread", "VirtualQueryEx", "ReadProcessMemory"};

constexpr DWORD kTargetAccess = 0x100418;  // synchronize, query information, read and operate on memory
constexpr DWORD kThreadAccess = 0x100040;  // synchronize, query information
// No right to write, create threads, suspend, duplicate handles, set information or end.
constexpr DWORD kLookingProcessRights =
    SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ | PROCESS_VM_OPERATION;

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// --- Reading a 64-bit image: from its file, or as loaded ------------------------------------

struct ImportedFunction {
    std::string dll;
    std::string name;  // "#n" for an import by ordinal
    std::uint32_t slotRva = 0;  // its entry in the import address table
};

class PeImage {
public:
    // `mapped`: the bytes are the image as loaded, so an RVA is an offset; otherwise the file.
    PeImage(std::span<const std::uint8_t> bytes, bool mapped) : bytes_(bytes), mapped_(mapped) { Parse(); }

    bool Valid() const { return valid_; }

    // Imports and delay-load imports alike.
    std::vector<ImportedFunction> Imports() const {
        std::vector<ImportedFunction> functions;
        constexpr int kImportDirectory = 1, kDelayImportDirectory = 13;
        ReadDescriptors(Directory(kImportDirectory), 20, 12, 0, 16, functions);
        ReadDescriptors(Directory(kDelayImportDirectory), 32, 4, 16, 12, functions);
        return functions;
    }

    // Whether a section that is not debugging information holds `name` as a string on its own:
    // how a name handed to GetProcAddress sits in the program, in ASCII or in UTF-16.
    bool NamesInData(std::string_view name) const {
        for (const Section& section : sections_) {
            if (section.name.starts_with(".debug") || section.name.starts_with("/")) continue;
            const std::span<const std::uint8_t> data = SectionBytes(section);
            if (ContainsString(data, name, 1) || ContainsString(data, name, 2)) return true;
        }
        return false;
    }

private:
    struct Section {
        std::string name;
        std::uint32_t virtualAddress = 0, virtualSize = 0, rawOffset = 0, rawSize = 0;
    };
    struct DataDirectory {
        std::uint32_t rva = 0, size = 0;
    };

    std::uint64_t Load(std::size_t offset, int width) const {
        if (offset + static_cast<std::size_t>(width) > bytes_.size()) return 0;
        std::uint64_t value = 0;
        for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes_[offset + static_cast<std::size_t>(i)];
        return value;
    }

    void Parse() {
        if (Load(0, 2) != 0x5A4D) return;
        const std::size_t nt = static_cast<std::size_t>(Load(0x3C, 4));
        if (Load(nt, 4) != 0x4550 || Load(nt + 0x18, 2) != 0x20B) return;  // "PE\0\0", 64-bit
        const auto sectionCount = static_cast<std::size_t>(Load(nt + 6, 2));
        const std::size_t optional = nt + 0x18;
        const std::size_t sectionTable = optional + static_cast<std::size_t>(Load(nt + 0x14, 2));
        directoryTable_ = optional + 0x70;
        directoryCount_ = static_cast<std::size_t>(Load(optional + 0x6C, 4));
        for (std::size_t i = 0; i < sectionCount; ++i) {
            const std::size_t at = sectionTable + 40 * i;
            if (at + 40 > bytes_.size()) return;
            Section section;
            section.name.assign(reinterpret_cast<const char*>(&bytes_[at]), 8);
            section.name.resize(std::strlen(section.name.c_str()));
            section.virtualSize = static_cast<std::uint32_t>(Load(at + 8, 4));
            section.virtualAddress = static_cast<std::uint32_t>(Load(at + 12, 4));
            section.rawSize = static_cast<std::uint32_t>(Load(at + 16, 4));
            section.rawOffset = static_cast<std::uint32_t>(Load(at + 20, 4));
            sections_.push_back(section);
        }
        valid_ = true;
    }

    DataDirectory Directory(std::size_t index) const {
        if (index >= directoryCount_) return {};
        const std::size_t at = directoryTable_ + 8 * index;
        return {static_cast<std::uint32_t>(Load(at, 4)), static_cast<std::uint32_t>(Load(at + 4, 4))};
    }

    // Where the byte at `rva` is in `bytes_`, if anywhere.
    std::optional<std::size_t> Offset(std::uint64_t rva) const {
        if (mapped_) return rva < bytes_.size() ? std::optional<std::size_t>(rva) : std::nullopt;
        for (const Section& section : sections_)
            if (rva >= section.virtualAddress && rva - section.virtualAddress < section.rawSize)
                return section.rawOffset + (rva - section.virtualAddress);
        return std::nullopt;
    }

    std::span<const std::uint8_t> SectionBytes(const Section& section) const {
        const std::size_t start = mapped_ ? section.virtualAddress : section.rawOffset;
        const std::size_t size = mapped_ ? section.virtualSize : section.rawSize;
        if (start >= bytes_.size()) return {};
        return bytes_.subspan(start, std::min(size, bytes_.size() - start));
    }

    std::string StringAt(std::uint64_t rva) const {
        std::string text;
        for (std::optional<std::size_t> at = Offset(rva); at && *at < bytes_.size() && bytes_[*at] != 0; ++*at)
            text += static_cast<char>(bytes_[*at]);
        return text;
    }

    // One descriptor after the other until an empty one; each names a DLL and a table of
    // 64-bit entries, an ordinal when the top bit is set, else the RVA of a hint and a name.
    void ReadDescriptors(DataDirectory directory, std::size_t descriptorSize, std::size_t nameField,
                         std::size_t namesField, std::size_t slotsField, std::vector<ImportedFunction>& functions) const {
        if (directory.rva == 0) return;
        for (std::uint64_t descriptor = directory.rva;; descriptor += descriptorSize) {
            const std::optional<std::size_t> at = Offset(descriptor);
            if (!at) return;
            const auto dllName = Load(*at + nameField, 4);
            if (dllName == 0) return;
            const std::string dll = StringAt(dllName);
            std::uint64_t names = Load(*at + namesField, 4);
            const std::uint64_t slots = Load(*at + slotsField, 4);
            if (names == 0) names = slots;
            for (std::uint64_t i = 0;; ++i) {
                const std::optional<std::size_t> entryAt = Offset(names + 8 * i);
                const std::uint64_t entry = entryAt ? Load(*entryAt, 8) : 0;
                if (entry == 0) break;
                const bool byOrdinal = (entry >> 63) != 0;
                functions.push_back({dll, byOrdinal ? "#" + std::to_string(entry & 0xFFFF) : StringAt((entry & 0x7FFFFFFF) + 2),
                                     static_cast<std::uint32_t>(slots + 8 * i)});
            }
        }
    }

    static bool IsNamePart(std::uint32_t unit) {
        return (unit >= '0' && unit <= '9') || (unit >= 'A' && unit <= 'Z') || (unit >= 'a' && unit <= 'z') || unit == '_';
    }

    // `name` in units of `width` bytes (1 ASCII, 2 UTF-16), ended by a zero unit and not
    // the tail of a longer name.
    static bool ContainsString(std::span<const std::uint8_t> data, std::string_view name, std::size_t width) {
        const std::size_t length = (name.size() + 1) * width;
        for (std::size_t at = 0; at + length <= data.size(); ++at) {
            bool match = true;
            for (std::size_t i = 0; i <= name.size() && match; ++i) {
                const std::uint32_t wanted = i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
                std::uint32_t unit = data[at + i * width];
                if (width == 2) unit |= std::uint32_t{data[at + i * width + 1]} << 8;
                match = unit == wanted;
            }
            if (!match) continue;
            if (at < width) return true;
            std::uint32_t before = data[at - width];
            if (width == 2) before |= std::uint32_t{data[at - 1]} << 8;
            if (!IsNamePart(before)) return true;
        }
        return false;
    }

    std::span<const std::uint8_t> bytes_;
    bool mapped_ = false;
    bool valid_ = false;
    std::vector<Section> sections_;
    std::size_t directoryTable_ = 0, directoryCount_ = 0;
};

std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool SameDll(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

TEST(ReadOnly, QuarryExeImportsAndNamesNothingThatChangesAnotherProcess) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(OwnFolder() + L"Quarry.exe");
    const PeImage image(bytes, false);
    ASSERT_TRUE(image.Valid()) << "Quarry.exe is not a 64-bit image beside the test";
    const std::vector<ImportedFunction> imports = image.Imports();
    for (const char* looking : kLookingFunctions)
        EXPECT_TRUE(std::any_of(imports.begin(), imports.end(), [&](const ImportedFunction& f) { return f.name == looking; }))
            << looking << " not found: the import table was not read";

    for (const ImportedFunction& function : imports) {
        if (kThreadLibraryImports.contains(function.name)) continue;
        for (const char* forbidden : kForbiddenFunctions)
            EXPECT_NE(function.name, forbidden) << "Quarry.exe imports " << function.dll << "!" << forbidden;
        // A function imported by number has no name to check.
        EXPECT_FALSE(function.name.starts_with("#")) << function.dll << " " << function.name;
    }
    for (const char* forbidden : kForbiddenFunctions) {
        if (kThreadLibraryImports.contains(forbidden)) continue;
        EXPECT_FALSE(image.NamesInData(forbidden)) << "Quarry.exe holds the name " << forbidden;
    }
}

// --- Intercepting the program's calls --------------------------------------------------------

// Points the test program's own import entry for a kernel32 function at a stand-in, and back
// when it goes. The program's code linked into the test calls through that entry.
class ImportHook {
public:
    ImportHook(const char* function, void* standIn) {
        const auto base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
        const PeImage image({base, nt->OptionalHeader.SizeOfImage}, true);
        for (const ImportedFunction& imported : image.Imports())
            if (imported.name == function && SameDll(imported.dll, "kernel32.dll"))
                slot_ = reinterpret_cast<void**>(const_cast<std::uint8_t*>(base) + imported.slotRva);
        if (slot_) original_ = Exchange(standIn);
    }
    ~ImportHook() {
        if (slot_) Exchange(original_);
    }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Installed() const { return slot_ != nullptr; }
    void* Original() const { return original_; }

private:
    void* Exchange(void* value) {
        DWORD protection = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
        void* previous = *slot_;
        *slot_ = value;
        VirtualProtect(slot_, sizeof *slot_, protection, &protection);
        return previous;
    }

    void** slot_ = nullptr;
    void* original_ = nullptr;
};

struct Opened {
    DWORD access;
    DWORD id;
    HANDLE handle;
};

// What the stand-ins saw; they pass every call on unchanged.
struct Seen {
    std::vector<Opened> processes, threads;
    int threadControls = 0;  // calls of the thread library's imports
};
Seen seen;
ImportHook* openProcessHook = nullptr;
ImportHook* openThreadHook = nullptr;
ImportHook* threadControlHooks[3] = {};

HANDLE WINAPI OpenProcessStandIn(DWORD access, BOOL inherit, DWORD id) {
    const auto real = reinterpret_cast<decltype(&OpenProcess)>(openProcessHook->Original());
    const HANDLE handle = real(access, inherit, id);
    seen.processes.push_back({access, id, handle});
    return handle;
}

HANDLE WINAPI OpenThreadStandIn(DWORD access, BOOL inherit, DWORD id) {
    const auto real = reinterpret_cast<decltype(&OpenThread)>(openThreadHook->Original());
    const HANDLE handle = real(access, inherit, id);
    seen.threads.push_back({access, id, handle});
    return handle;
}

DWORD WINAPI SuspendThreadStandIn(HANDLE thread) {
    ++seen.threadControls;
    return reinterpret_cast<decltype(&SuspendThread)>(threadControlHooks[0]->Original())(thread);
}
DWORD WINAPI ResumeThreadStandIn(HANDLE thread) {
    ++seen.threadControls;
    return reinterpret_cast<decltype(&ResumeThread)>(threadControlHooks[1]->Original())(thread);
}
BOOL WINAPI SetThreadContextStandIn(HANDLE thread, const CONTEXT* context) {
    ++seen.threadControls;
    return reinterpret_cast<decltype(&SetThreadContext)>(threadControlHooks[2]->Original())(thread, context);
}

void* StandIn(auto function) { return reinterpret_cast<void*>(function); }

class ReadOnlyAccess : public testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }
    void TearDown() override {
        if (frame.hwnd()) DestroyWindow(frame.hwnd());
        TakeQuitMessage();
    }

    TargetLauncher target;
    CMainFrame frame;
};

TEST_F(ReadOnlyAccess, OpenAndRefreshOpenTheTargetAndItsThreadsOnlyToLook) {
    ASSERT_TRUE(target.Start()) << target.Error();
    ASSERT_NE(frame.Create(), nullptr);
    ShowWindow(frame.hwnd(), SW_SHOWNORMAL);

    seen = {};
    ImportHook processHook("OpenProcess", StandIn(OpenProcessStandIn));
    ImportHook threadHook("OpenThread", StandIn(OpenThreadStandIn));
    ImportHook suspendHook("SuspendThread", StandIn(SuspendThreadStandIn));
    ImportHook resumeHook("ResumeThread", StandIn(ResumeThreadStandIn));
    ImportHook contextHook("SetThreadContext", StandIn(SetThreadContextStandIn));
    openProcessHook = &processHook;
    openThreadHook = &threadHook;
    threadControlHooks[0] = &suspendHook;
    threadControlHooks[1] = &resumeHook;
    threadControlHooks[2] = &contextHook;
    ASSERT_TRUE(processHook.Installed() && threadHook.Installed());

    OpenProcessById(frame, target.Facts().pid);
    SendCommand(frame, ID_TARGET_REFRESH);
    ASSERT_NE(frame.Target(), nullptr) << "the test target was not opened";

    // The handle the window holds is one that OpenProcess gave, with exactly the target's rights.
    const auto held = std::find_if(seen.processes.begin(), seen.processes.end(),
                                   [&](const Opened& opened) { return opened.handle == frame.Target(); });
    ASSERT_NE(held, seen.processes.end()) << "the target handle did not come from OpenProcess";
    EXPECT_EQ(held->access, kTargetAccess);
    EXPECT_EQ(held->id, target.Facts().pid);
    // Listing the processes for the choice opens them too; only to look.
    for (const Opened& opened : seen.processes)
        EXPECT_EQ(opened.access & ~kLookingProcessRights, 0u) << "process " << opened.id << " opened with " << std::hex
                                                              << opened.access;

    // Open and Refresh each walk the target's threads: at least the target's own ones.
    EXPECT_GE(seen.threads.size(), 2u * target.Facts().threadIds.size());
    for (const Opened& opened : seen.threads)
        EXPECT_EQ(opened.access, kThreadAccess) << "thread " << opened.id << " opened with " << std::hex << opened.access;
    EXPECT_EQ(seen.threadControls, 0);
}

}  // namespace
}  // namespace quarry
