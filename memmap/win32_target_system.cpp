#include "memmap/win32_target_system.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <array>
#include <cwchar>
#include <memory>

#include "framework/handles.h"
#include "framework/utf16.h"
#include "memmap/guarded_target.h"
#include "memmap/heap_front_end.h"
#include "memmap/little_endian.h"
#include "memmap/memory_map.h"

namespace quarry {
namespace {

static_assert(sizeof(MEMORY_BASIC_INFORMATION) == 48, "the 64-bit region record");

constexpr DWORD kThreadQueryAccess = SYNCHRONIZE | THREAD_QUERY_INFORMATION;  // 0x100040
constexpr DWORD kModuleNameCapacity = 1024;
constexpr DWORD kMappedNameCapacity = 260;
constexpr DWORD kDriveListCapacity = 511;  // of a 512-character buffer
constexpr DWORD kDeviceNameCapacity = 260;
constexpr int kSectionNameCapacity = 16;

// The basic-information class of both native queries, and where its 48 bytes hold what we use.
constexpr ULONG kBasicInformation = 0;
constexpr std::size_t kBasicInformationSize = 48;
constexpr std::size_t kPebAddressOffset = 8;
constexpr std::size_t kTebAddressOffset = 8;
constexpr std::size_t kThreadIdOffset = 24;

constexpr ULONG kLowFragmentationKind = 2;


std::u16string Text(const wchar_t* text, std::size_t length) { return ToUtf16({text, length}); }

using NtQueryInformation = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

// Kept for the program's life once found; a lookup that fails is tried again at the next need.
NtQueryInformation FindNtdllFunction(const char* name, NtQueryInformation& cache) {
    if (!cache) {
        if (const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll"))
            cache = reinterpret_cast<NtQueryInformation>(reinterpret_cast<void*>(GetProcAddress(ntdll, name)));
    }
    return cache;
}

NtQueryInformation NtQueryInformationProcessFunction() {
    static NtQueryInformation cache = nullptr;
    return FindNtdllFunction("NtQueryInformationProcess", cache);
}

NtQueryInformation NtQueryInformationThreadFunction() {
    static NtQueryInformation cache = nullptr;
    return FindNtdllFunction("NtQueryInformationThread", cache);
}

// The basic information of a process or thread; false when the query is missing or fails.
bool QueryBasicInformation(NtQueryInformation query, HANDLE object, std::array<std::uint8_t, kBasicInformationSize>& info) {
    return query && query(object, kBasicInformation, info.data(), static_cast<ULONG>(info.size()), nullptr) >= 0;
}

std::optional<ULONG> CompatibilityKind(HANDLE heap) {
    ULONG kind = 0;
    if (!HeapQueryInformation(heap, HeapCompatibilityInformation, &kind, sizeof kind, nullptr)) return std::nullopt;
    return kind;
}

// Our own heaps, asked about through their handles, teach where a header keeps its kind.
HeapFrontEndLayout LearnHeapFrontEndLayout() {
    const UniqueHeap plain(HeapCreate(0, 0, 0)), lowFragmentation(HeapCreate(0, 0, 0));
    if (!plain || !lowFragmentation) return {};
    ULONG requested = kLowFragmentationKind;
    HeapSetInformation(lowFragmentation.get(), HeapCompatibilityInformation, &requested, sizeof requested);
    std::vector<HeapSample> samples;
    for (HANDLE heap : {plain.get(), lowFragmentation.get(), GetProcessHeap()}) {
        const std::optional<ULONG> kind = CompatibilityKind(heap);
        if (!kind || *kind > 0xFF) return {};
        // A heap handle is the heap's own header, so its first bytes are ours to read.
        samples.push_back({{static_cast<const std::uint8_t*>(heap), kHeapHeaderCopySize}, static_cast<std::uint8_t>(*kind)});
    }
    return HeapFrontEndLayout::Learn(samples);
}

}  // namespace

Win32TargetSystem::Win32TargetSystem(HANDLE process) : process_(DuplicateOwnHandle(process)) {}

std::uint32_t Win32TargetSystem::ProcessId() { return GetProcessId(process_.get()); }

bool Win32TargetSystem::QueryRegion(std::uint64_t address, RegionInfo& region) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQueryEx(process_.get(), AddressPointer(address), &info, sizeof info) != sizeof info) return false;
    region.baseAddress = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
    region.allocationBase = reinterpret_cast<std::uintptr_t>(info.AllocationBase);
    region.regionSize = info.RegionSize;
    region.state = info.State;
    region.protect = info.Protect;
    region.type = info.Type;
    return true;
}

std::optional<std::size_t> Win32TargetSystem::ReadPages(std::uint64_t address, std::span<std::uint8_t> bytes) {
    SIZE_T read = 0;
    // All or nothing: a partial copy reports failure, and its bytes are not used.
    if (!ReadProcessMemory(process_.get(), AddressPointer(address), bytes.data(), bytes.size(), &read)) return std::nullopt;
    return read;
}

std::u16string Win32TargetSystem::ModuleFileName(std::uint64_t moduleBase) {
    std::array<wchar_t, kModuleNameCapacity> name;
    const auto module = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(moduleBase));
    return Text(name.data(), GetModuleFileNameExW(process_.get(), module, name.data(), kModuleNameCapacity));
}

std::u16string Win32TargetSystem::MappedFileName(std::uint64_t address) {
    std::array<wchar_t, kMappedNameCapacity> name;
    return Text(name.data(),
                GetMappedFileNameW(process_.get(), const_cast<void*>(AddressPointer(address)), name.data(), kMappedNameCapacity));
}

std::u16string Win32TargetSystem::LogicalDriveStrings() {
    std::array<wchar_t, kDriveListCapacity + 1> drives;
    const DWORD length = GetLogicalDriveStringsW(kDriveListCapacity, drives.data());
    // A length beyond the buffer is the size it would need: nothing was written.
    return length <= kDriveListCapacity ? Text(drives.data(), length) : std::u16string();
}

std::u16string Win32TargetSystem::DosDeviceName(const std::u16string& driveName) {
    std::array<wchar_t, kDeviceNameCapacity> device;
    const DWORD stored = QueryDosDeviceW(AsWide(driveName), device.data(), kDeviceNameCapacity);
    // The answer is a list of names; the first is the device the drive stands for.
    return Text(device.data(), stored == 0 ? 0 : wcsnlen(device.data(), stored));
}

std::vector<ThreadEntry> Win32TargetSystem::SnapshotThreads() {
    std::vector<ThreadEntry> threads;
    const UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, ProcessId()));
    if (!snapshot) return threads;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        threads.push_back({entry.th32ThreadID, entry.th32OwnerProcessID});
    return threads;
}

std::optional<ThreadBasics> Win32TargetSystem::QueryThread(std::uint32_t threadId) {
    const NtQueryInformation query = NtQueryInformationThreadFunction();
    if (!query) return std::nullopt;
    const UniqueHandle thread(OpenThread(kThreadQueryAccess, FALSE, threadId));
    std::array<std::uint8_t, kBasicInformationSize> info{};
    if (!thread || !QueryBasicInformation(query, thread.get(), info)) return std::nullopt;
    return ThreadBasics{Load64(info, kTebAddressOffset), Load32(info, kThreadIdOffset)};
}

std::vector<std::uint64_t> Win32TargetSystem::SnapshotHeaps() {
    std::vector<std::uint64_t> heaps;
    // Wine has no heap list; the snapshot fails there and no heap is named.
    const UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPHEAPLIST, ProcessId()));
    if (!snapshot) return heaps;
    HEAPLIST32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Heap32ListFirst(snapshot.get(), &entry); more; more = Heap32ListNext(snapshot.get(), &entry))
        heaps.push_back(entry.th32HeapID);
    return heaps;
}

std::uint64_t Win32TargetSystem::QueryPebAddress() {
    std::array<std::uint8_t, kBasicInformationSize> info{};
    return QueryBasicInformation(NtQueryInformationProcessFunction(), process_.get(), info) ? Load64(info, kPebAddressOffset) : 0;
}

std::uint32_t Win32TargetSystem::HeapFrontEndKind(std::span<const std::uint8_t> headerCopy) {
    static const HeapFrontEndLayout layout = LearnHeapFrontEndLayout();
    return layout.KindIn(headerCopy);
}

std::u16string Win32TargetSystem::AnsiToText(std::string_view bytes) {
    std::array<wchar_t, kSectionNameCapacity> name{};
    if (bytes.empty() || bytes.size() > name.size()) return {};
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), name.data(),
                                           static_cast<int>(name.size()));
    return Text(name.data(), static_cast<std::size_t>(length));
}

std::shared_ptr<TargetSystem> OpenTargetSystem(HANDLE process) {
    return GuardTarget(std::make_shared<Win32TargetSystem>(process), process);
}

void BuildMemoryMap(HANDLE process, RowWriter& rows) { BuildMemoryMap(*OpenTargetSystem(process), rows); }

}  // namespace quarry
