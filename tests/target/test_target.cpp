// QuarryTestTarget.exe: builds a known memory layout, reports it on standard output one fact
// a line (target_layout.h), then holds it until its standard input closes. Nothing is freed
// by hand: the process's end frees it all, and deletes the mapped file too.
#include "target/target_layout.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace quarry::target;

// Straight to the handle: nothing buffered to flush, no text-mode "\r\n".
void Fact(std::string line) {
    line += '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
void Fact(const char* name, std::uint64_t value) { Fact(name + (' ' + std::to_string(value))); }
void Fact(const char* name, const void* address) { Fact(name, reinterpret_cast<std::uintptr_t>(address)); }

// A step that fails names itself and the system's error code, and ends the target.
template <typename T>
T Require(T made, const char* what) {
    if (made) return made;
    Fact(std::string("error ") + what + ' ' + std::to_string(GetLastError()));
    ExitProcess(1);
}

void FillPattern(void* start, std::uint64_t size, std::uint8_t seed) {
    for (std::uint64_t offset = 0; offset < size; ++offset)
        static_cast<std::uint8_t*>(start)[offset] = PatternByte(offset, seed);
}

// At the preferred address, or any when that one is taken; reported under `name`.
void* Allocate(const char* name, std::uint64_t preferred, std::uint64_t size, DWORD type, DWORD protect) {
    void* allocation = VirtualAlloc(reinterpret_cast<void*>(preferred), size, type, protect);
    allocation = Require(allocation ? allocation : VirtualAlloc(nullptr, size, type, protect), name);
    Fact(name, allocation);
    return allocation;
}

DWORD WINAPI Block(void*) { return SleepEx(INFINITE, FALSE); }

const void* MapTempFile() {
    wchar_t folder[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, folder);
    const std::wstring path = folder + MappedFileName(GetCurrentProcessId());
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    std::string bytes(kMappedFileSize, '\0');
    FillPattern(bytes.data(), bytes.size(), kMappedFileSeed);
    DWORD written = 0;
    Require(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr), "mapped_file");
    const HANDLE mapping = Require(CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr), "mapped_file");
    return Require(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0), "mapped_file");
}

// Our DLL, from this program's folder. Its marked section would share a region with the
// other read-only ones; a protection of its own makes it begin a region of its own.
HMODULE LoadTestDll() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    const HMODULE dll = Require(LoadLibraryW((path.erase(path.find_last_of(L'\\') + 1) + kDllName).c_str()), "dll");
    const auto marker = reinterpret_cast<std::uintptr_t>(GetProcAddress(dll, "QuarryTestDllMarker"));
    DWORD old = 0;
    Require(VirtualProtect(reinterpret_cast<void*>(marker & ~(kPageSize - 1)), kPageSize, PAGE_EXECUTE_READ, &old),
            "dll");
    Fact("dll_section", marker & ~(kPageSize - 1));
    return dll;
}

// The count after `option`; 0 without it. The facts report what was made of it, so that a
// mistyped option cannot pass unseen.
std::uint64_t OptionCount(int argc, char** argv, std::string_view option) {
    return argc == 3 && std::string_view(argv[1]) == option ? std::strtoull(argv[2], nullptr, 10) : 0;
}


}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t extraAllocations = OptionCount(argc, argv, "--allocations");
    const std::uint64_t committedMib = OptionCount(argc, argv, "--committed-mib");
    void* pattern = Allocate("pattern_alloc", kPatternAllocAddress, kPatternAllocSize, MEM_RESERVE, PAGE_READWRITE);
    FillPattern(Require(VirtualAlloc(pattern, kPatternCommittedSize, MEM_COMMIT, PAGE_READWRITE), "pattern_alloc"),
                kPatternCommittedSize, kPatternAllocSeed);
    Fact("pid", GetCurrentProcessId());
    Allocate("reserved_alloc", kReservedAllocAddress, kReservedAllocSize, MEM_RESERVE, PAGE_READWRITE);
    auto* guarded = static_cast<char*>(
        Allocate("guarded_alloc", kGuardedAllocAddress, kGuardedAllocSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    FillPattern(guarded, kGuardedAllocSize, kGuardedAllocSeed);
    DWORD old = 0;
    Require(VirtualProtect(guarded + kGuardPageOffset, kPageSize, PAGE_READWRITE | PAGE_GUARD, &old), "guarded_alloc");
    Require(VirtualProtect(guarded + kNoAccessPageOffset, kPageSize, PAGE_NOACCESS, &old), "guarded_alloc");
    for (int i = 0; i < 2; ++i) {
        DWORD id = 0;
        Require(CreateThread(nullptr, 0, Block, nullptr, 0, &id), "thread");
        Fact("thread", id);
    }
    Fact("mapped_file", MapTempFile());
    Fact("dll", LoadTestDll());
    if (committedMib) Fact("committed", Require(VirtualAlloc(nullptr, committedMib << 20, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE), "committed"));
    // Anywhere the system likes: the point is their number, not their place.
    for (std::uint64_t i = 0; i < extraAllocations; ++i) {
        void* allocation = Require(VirtualAlloc(nullptr, kExtraAllocationSize, MEM_RESERVE, PAGE_READWRITE), "allocations");
        Require(VirtualAlloc(allocation, kPageSize, MEM_COMMIT, PAGE_READWRITE), "allocations");
    }
    if (extraAllocations > 0)
        Fact(std::string(kFactAllocations) + ' ' + std::to_string(extraAllocations) + ' ' +
             std::to_string(kExtraAllocationSize) + ' ' + std::to_string(kPageSize));
    Fact("ready");
    // End of input and a failed read (no standard input at all) both mean: time to go. Each
    // line asks to grow, the one thing the tests ask.
    char c = 0;
    for (DWORD got = 0; ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr) && got > 0;) {
        if (c == '\n') {
            Require(VirtualAlloc(static_cast<char*>(pattern) + kPatternCommittedSize, kPatternCommittedSize, MEM_COMMIT,
                                 PAGE_READWRITE), "grow");
            void* grown = Allocate("grown", kGrownAllocAddress, 64 * 1024, MEM_RESERVE, PAGE_READWRITE);
            Require(VirtualAlloc(grown, kPageSize, MEM_COMMIT, PAGE_READWRITE), "grow");
        }
    }
}
