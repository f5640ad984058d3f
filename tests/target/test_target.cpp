// QuarryTestTarget.exe: builds a known memory layout, reports it on standard output one fact
// a line, then holds it until its standard input closes. Real-process tests open it and
// compare what they see with the report.
#include "support/win_handles.h"
#include "target/target_layout.h"

#include <windows.h>

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarry::target {
namespace {

using test::UniqueFileHandle;
using test::UniqueHandle;
using test::UniqueModule;
using test::UniqueView;
using test::UniqueVirtualAlloc;

// Straight to the handle: nothing buffered to flush, no text-mode "\r\n".
template <typename... Fields>
void Fact(const char* name, const Fields&... fields) {
    std::string line = name;
    ((line += ' ', line += fields), ...);
    line += '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string Address(const void* address) {
    char text[17];
    const auto value = static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address));
    std::snprintf(text, sizeof text, "%016llX", value);
    return text;
}

std::string Utf8(const std::wstring& text) {
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(32768, L'\0');  // the longest path Windows has
    path.resize(GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

void FillPattern(void* start, std::uint64_t size, std::uint8_t seed) {
    auto* bytes = static_cast<std::uint8_t*>(start);
    for (std::uint64_t offset = 0; offset < size; ++offset) bytes[offset] = PatternByte(offset, seed);
}

// The preferred address first; any address when that one is taken.
UniqueVirtualAlloc Allocate(std::uint64_t preferred, std::uint64_t size, DWORD type, DWORD protect) {
    void* allocation = VirtualAlloc(reinterpret_cast<void*>(preferred), size, type, protect);
    if (!allocation) allocation = VirtualAlloc(nullptr, size, type, protect);
    return UniqueVirtualAlloc(allocation);
}

struct TempFile {
    std::wstring path;
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (!path.empty()) DeleteFileW(path.c_str());
    }
};

// Threads that wait on one event, so that they live exactly as long as the target.
class BlockedThreads {
public:
    BlockedThreads() = default;
    BlockedThreads(const BlockedThreads&) = delete;
    BlockedThreads& operator=(const BlockedThreads&) = delete;
    ~BlockedThreads() {
        if (release_) SetEvent(release_.get());
        for (const UniqueHandle& thread : threads_) WaitForSingleObject(thread.get(), INFINITE);
    }

    bool Start(int count) {
        release_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!release_) return false;
        for (int i = 0; i < count; ++i) {
            DWORD id = 0;
            UniqueHandle thread(CreateThread(nullptr, 0, Block, release_.get(), 0, &id));
            if (!thread) return false;
            threads_.push_back(std::move(thread));
            ids_.push_back(id);
        }
        return true;
    }
    const std::vector<DWORD>& Ids() const { return ids_; }

private:
    static DWORD WINAPI Block(void* event) { return WaitForSingleObject(event, INFINITE); }

    UniqueHandle release_;
    std::vector<UniqueHandle> threads_;
    std::vector<DWORD> ids_;
};

// Members end in reverse order: the DLL and the view go first, the temporary file is deleted
// only after every handle on it is closed, and the threads are released before the memory.
struct Layout {
    UniqueVirtualAlloc patternAlloc, reservedAlloc, guardPage, noAccessPage;
    BlockedThreads threads;
    TempFile mappedFile;
    UniqueFileHandle file;
    UniqueHandle mapping;
    UniqueView view;
    UniqueModule dll;
    std::wstring dllPath;
    std::size_t extraAllocationCount = 0;  // asked for on the command line
    std::vector<UniqueVirtualAlloc> extraAllocations;
};

bool BuildPatternAlloc(Layout& layout) {
    layout.patternAlloc = Allocate(kPatternAllocAddress, kPatternAllocSize, MEM_RESERVE, PAGE_READWRITE);
    void* head = layout.patternAlloc.get();
    if (!head || !VirtualAlloc(head, kPatternCommittedSize, MEM_COMMIT, PAGE_READWRITE)) return false;
    FillPattern(head, kPatternCommittedSize, kPatternAllocSeed);
    return true;
}

bool BuildReservedAlloc(Layout& layout) {
    layout.reservedAlloc = Allocate(kReservedAllocAddress, kReservedAllocSize, MEM_RESERVE, PAGE_READWRITE);
    return layout.reservedAlloc != nullptr;
}

// One committed page each, in an allocation of its own.
bool BuildProtectedPages(Layout& layout) {
    layout.guardPage = Allocate(kGuardPageAddress, kPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD);
    layout.noAccessPage = Allocate(kNoAccessPageAddress, kPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
    return layout.guardPage && layout.noAccessPage;
}

bool StartThreads(Layout& layout) { return layout.threads.Start(kThreadCount); }

// The process id in the name keeps two targets running at once apart.
bool MapTempFile(Layout& layout) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return false;
    const std::wstring path =
        std::wstring(folder, length) + L"QuarryTestTarget-" + std::to_wstring(GetCurrentProcessId()) + L".bin";
    layout.file = UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!layout.file) return false;
    layout.mappedFile.path = path;

    std::vector<std::uint8_t> bytes(kMappedFileSize);
    FillPattern(bytes.data(), bytes.size(), kMappedFileSeed);
    DWORD written = 0;
    if (!WriteFile(layout.file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return false;
    layout.mapping.reset(CreateFileMappingW(layout.file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!layout.mapping) return false;
    layout.view.reset(MapViewOfFile(layout.mapping.get(), FILE_MAP_READ, 0, 0, 0));
    return layout.view != nullptr;
}

bool LoadTestDll(Layout& layout) {
    std::wstring path = ModulePath(nullptr);
    path.erase(path.find_last_of(L'\\') + 1);
    layout.dll.reset(LoadLibraryW((path + kDllName).c_str()));
    if (!layout.dll) return false;
    // The linker puts the read-only section among other read-only ones, whose pages merge
    // into one region. A protection of its own makes it begin a region of its own.
    const auto marker = reinterpret_cast<std::uintptr_t>(GetProcAddress(layout.dll.get(), "QuarryTestDllMarker"));
    DWORD old = 0;
    if (!marker || !VirtualProtect(reinterpret_cast<void*>(marker & ~(kPageSize - 1)), kPageSize, PAGE_EXECUTE_READ, &old))
        return false;
    layout.dllPath = ModulePath(layout.dll.get());  // as the system names it
    return !layout.dllPath.empty();
}

// Anywhere the system likes: the point is their number, not their place.
bool BuildExtraAllocations(Layout& layout) {
    layout.extraAllocations.reserve(layout.extraAllocationCount);
    for (std::size_t i = 0; i < layout.extraAllocationCount; ++i) {
        UniqueVirtualAlloc allocation(VirtualAlloc(nullptr, kExtraAllocationSize, MEM_RESERVE, PAGE_READWRITE));
        if (!allocation || !VirtualAlloc(allocation.get(), kPageSize, MEM_COMMIT, PAGE_READWRITE)) return false;
        layout.extraAllocations.push_back(std::move(allocation));
    }
    return true;
}

// The name of the step that failed with the system's error code, or empty.
std::string BuildLayout(Layout& layout) {
    struct Step {
        const char* what;
        bool (*build)(Layout&);
    };
    const Step steps[] = {
        {kFactPatternAlloc, BuildPatternAlloc}, {kFactReservedAlloc, BuildReservedAlloc},
        {"protected_pages", BuildProtectedPages}, {kFactThread, StartThreads},
        {kFactMappedFile, MapTempFile},           {kFactDll, LoadTestDll},
        {kFactAllocations, BuildExtraAllocations},
    };
    for (const Step& step : steps)
        if (!step.build(layout)) return std::string(step.what) + ' ' + std::to_string(GetLastError());
    return {};
}

void Report(const Layout& layout) {
    Fact(kFactPid, std::to_string(GetCurrentProcessId()));
    Fact(kFactPatternAlloc, Address(layout.patternAlloc.get()), std::to_string(kPatternAllocSize),
         std::to_string(kPatternCommittedSize));
    Fact(kFactReservedAlloc, Address(layout.reservedAlloc.get()), std::to_string(kReservedAllocSize));
    Fact(kFactGuardPage, Address(layout.guardPage.get()), std::to_string(kPageSize));
    Fact(kFactNoAccessPage, Address(layout.noAccessPage.get()), std::to_string(kPageSize));
    for (DWORD id : layout.threads.Ids()) Fact(kFactThread, std::to_string(id));
    Fact(kFactMappedFile, Address(layout.view.get()), std::to_string(kMappedFileSize), Utf8(layout.mappedFile.path));
    Fact(kFactDll, Address(layout.dll.get()), Utf8(layout.dllPath));
    if (layout.extraAllocationCount > 0)
        Fact(kFactAllocations, std::to_string(layout.extraAllocationCount), std::to_string(kExtraAllocationSize),
             std::to_string(kPageSize));
    Fact(kFactReady);
}

// End of input and a failed read (no standard input at all) both mean: time to go.
void WaitForStdinToClose() {
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    }
}

// The count after "--allocations": decimal, from 1 to kMostExtraAllocations.
std::optional<std::size_t> AllocationCount(std::string_view text) {
    std::uint64_t count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || count == 0 || count > kMostExtraAllocations)
        return std::nullopt;
    return static_cast<std::size_t>(count);
}

}  // namespace
}  // namespace quarry::target

int main(int argc, char** argv) {
    using namespace quarry::target;
    Layout layout;
    // Unknown options are refused, so that a mistyped one cannot pass for the plain layout.
    if (argc > 1) {
        const std::string option = argv[1];
        if (option != kOptionAllocations) {
            Fact(kFactError, "unknown option", option);
            return 2;
        }
        const std::optional<std::size_t> count = argc == 3 ? AllocationCount(argv[2]) : std::nullopt;
        if (!count) {
            Fact(kFactError, "bad allocation count");
            return 2;
        }
        layout.extraAllocationCount = *count;
    }
    if (const std::string failed = BuildLayout(layout); !failed.empty()) {
        Fact(kFactError, failed);
        return 1;
    }
    Report(layout);
    WaitForStdinToClose();
    return 0;
}
