// The test target seen from outside, with the calls Quarry makes on another process: each
// fact it reports must be what those calls find.
#include "support/target_launcher.h"
#include "support/win_handles.h"
#include "target/target_layout.h"

#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

namespace quarry::test {
namespace {

using namespace quarry::target;

constexpr DWORD kOpenAccess = 0x100418;

struct Region {
    std::uint64_t size;
    DWORD state, protect, type;
    bool operator==(const Region&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Region& region) {
    return out << std::hex << "{size " << region.size << " state " << region.state << " protect " << region.protect
               << " type " << region.type << "}";
}

// The regions of the allocation at `base`, in address order; none if `base` starts none.
std::vector<Region> AllocationRegions(HANDLE process, std::uint64_t base) {
    std::vector<Region> regions;
    MEMORY_BASIC_INFORMATION info{};
    for (std::uint64_t address = base;
         VirtualQueryEx(process, reinterpret_cast<void*>(address), &info, sizeof info) == sizeof info &&
         reinterpret_cast<std::uint64_t>(info.AllocationBase) == base;
         address += info.RegionSize)
        regions.push_back({info.RegionSize, info.State, info.Protect, info.Type});
    return regions;
}

std::vector<std::uint8_t> Read(HANDLE process, std::uint64_t address, std::uint64_t size) {
    std::vector<std::uint8_t> bytes(size);
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(address), bytes.data(), bytes.size(), &got)) got = 0;
    bytes.resize(got);
    return bytes;
}

// Where the target's bytes first differ from the pattern (a failed read differs at 0), or
// nothing: a short answer instead of two 64 KB dumps when they do.
std::optional<std::uint64_t> PatternMismatch(HANDLE process, std::uint64_t address, std::uint64_t size,
                                             std::uint8_t seed) {
    const std::vector<std::uint8_t> bytes = Read(process, address, size);
    for (std::uint64_t offset = 0; offset < size; ++offset)
        if (offset >= bytes.size() || bytes[offset] != PatternByte(offset, seed)) return offset;
    return std::nullopt;
}

template <typename T>
bool ReadValue(HANDLE process, std::uint64_t address, T& value) {
    return ReadProcessMemory(process, reinterpret_cast<void*>(address), &value, sizeof value, nullptr);
}

// The named section of the image at `base`, read through its headers in the target.
std::vector<std::uint8_t> SectionBytes(HANDLE process, std::uint64_t base, std::string_view name) {
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS64 nt{};
    if (!ReadValue(process, base, dos) || !ReadValue(process, base + dos.e_lfanew, nt)) return {};
    std::uint64_t header =
        base + dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i, header += sizeof(IMAGE_SECTION_HEADER)) {
        IMAGE_SECTION_HEADER section{};
        if (!ReadValue(process, header, section)) return {};
        const auto* text = reinterpret_cast<const char*>(section.Name);
        if (std::string_view(text, strnlen(text, IMAGE_SIZEOF_SHORT_NAME)) == name)
            return Read(process, base + section.VirtualAddress, section.Misc.VirtualSize);
    }
    return {};
}

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// Windows paths compare without regard to case; Wine's may differ in case from ours.
bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

class TestTarget : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(target_.Start()) << target_.Error();
        process_.reset(OpenProcess(kOpenAccess, FALSE, facts().pid));
        ASSERT_TRUE(process_) << "OpenProcess error " << GetLastError();
    }
    const TargetFacts& facts() const { return target_.Facts(); }

    TargetLauncher target_;
    UniqueHandle process_;
};

TEST_F(TestTarget, ProcessAndThreadsAreTheTargets) {
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameExW(process_.get(), nullptr, path, MAX_PATH), 0u);
    EXPECT_TRUE(SamePath(FileName(path), kTargetProgram)) << path;

    ASSERT_EQ(facts().threadIds.size(), 2u);
    EXPECT_NE(facts().threadIds[0], facts().threadIds[1]);
    for (DWORD id : facts().threadIds) {
        UniqueHandle thread(OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, id));
        ASSERT_TRUE(thread) << id;
        EXPECT_EQ(GetProcessIdOfThread(thread.get()), facts().pid) << id;
    }
}

TEST_F(TestTarget, PatternAllocationIsACommittedPatternedHeadAndAReservedTail) {
    const ReportedRange alloc = facts().patternAlloc;
    EXPECT_EQ(alloc.address % 0x10000, 0u);
    EXPECT_EQ(alloc.size, 1024u * 1024);
    EXPECT_EQ(facts().patternCommitted, 64u * 1024);
    const std::vector<Region> expected = {{64 * 1024, MEM_COMMIT, PAGE_READWRITE, MEM_PRIVATE},
                                          {960 * 1024, MEM_RESERVE, 0, MEM_PRIVATE}};
    EXPECT_EQ(AllocationRegions(process_.get(), alloc.address), expected);
    EXPECT_EQ(PatternMismatch(process_.get(), alloc.address, facts().patternCommitted, kPatternAllocSeed),
              std::nullopt);
}

TEST_F(TestTarget, ReservedGuardAndNoAccessAreAllocationsOfTheirOwn) {
    const std::vector<Region> reserved = {{256 * 1024, MEM_RESERVE, 0, MEM_PRIVATE}};
    const std::vector<Region> guard = {{4096, MEM_COMMIT, PAGE_GUARD | PAGE_READWRITE, MEM_PRIVATE}};
    const std::vector<Region> noAccess = {{4096, MEM_COMMIT, PAGE_NOACCESS, MEM_PRIVATE}};
    EXPECT_EQ(facts().reservedAlloc.size, 256u * 1024);
    EXPECT_EQ(AllocationRegions(process_.get(), facts().reservedAlloc.address), reserved);
    EXPECT_EQ(facts().guardPage.size, 4096u);
    EXPECT_EQ(AllocationRegions(process_.get(), facts().guardPage.address), guard);
    EXPECT_EQ(facts().noAccessPage.size, 4096u);
    EXPECT_EQ(AllocationRegions(process_.get(), facts().noAccessPage.address), noAccess);
}

TEST_F(TestTarget, MappedViewNamesItsFileAndHoldsItsBytes) {
    const ReportedRange view = facts().mappedView;
    const std::vector<Region> expected = {{kMappedFileSize, MEM_COMMIT, PAGE_READONLY, MEM_MAPPED}};
    EXPECT_EQ(AllocationRegions(process_.get(), view.address), expected);
    EXPECT_EQ(view.size, kMappedFileSize);

    // Wine names the file by a DOS path, Windows by a device path: the file name is common.
    wchar_t mapped[MAX_PATH] = {};
    ASSERT_NE(GetMappedFileNameW(process_.get(), reinterpret_cast<void*>(view.address), mapped, MAX_PATH), 0u);
    EXPECT_TRUE(SamePath(FileName(mapped), FileName(facts().mappedFilePath))) << mapped;
    EXPECT_EQ(PatternMismatch(process_.get(), view.address, view.size, kMappedFileSeed), std::nullopt);
}

TEST_F(TestTarget, DllIsAnImageWithItsPathAndItsMarkedSection) {
    const auto base = reinterpret_cast<HMODULE>(facts().dllBase);
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_EQ(VirtualQueryEx(process_.get(), base, &info, sizeof info), sizeof info);
    EXPECT_EQ(info.Type, static_cast<DWORD>(MEM_IMAGE));
    EXPECT_EQ(reinterpret_cast<std::uint64_t>(info.AllocationBase), facts().dllBase);

    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameExW(process_.get(), base, path, MAX_PATH), 0u);
    EXPECT_TRUE(SamePath(path, facts().dllPath)) << path;
    EXPECT_TRUE(SamePath(FileName(path), kDllName)) << path;

    const std::vector<std::uint8_t> section = SectionBytes(process_.get(), facts().dllBase, kDllSectionName);
    ASSERT_GE(section.size(), sizeof kDllSectionMarker);
    EXPECT_STREQ(reinterpret_cast<const char*>(section.data()), kDllSectionMarker);
}

TEST_F(TestTarget, EndsWithZeroAndRemovesItsFileWhenItsInputCloses) {
    const std::wstring file = facts().mappedFilePath;
    ASSERT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(target_.Stop(), std::optional<DWORD>(0));
    EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(TargetLauncher, FailsWithoutHangingWhenTheTargetCannotStart) {
    TargetLauncher launcher;
    EXPECT_FALSE(launcher.Start({}, L"NoSuchTarget.exe"));
    EXPECT_NE(launcher.Error().find("cannot start"), std::string::npos) << launcher.Error();
    EXPECT_EQ(launcher.Stop(), std::nullopt);
}

// The test program itself stands in for a target that ends without "ready".
TEST(TargetLauncher, FailsWithoutHangingWhenTheTargetEndsBeforeReady) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    TargetLauncher launcher;
    EXPECT_FALSE(launcher.Start(L"--gtest_filter=NoSuchTest", FileName(self)));
    EXPECT_EQ(launcher.Error(), "target ended before ready");
    EXPECT_EQ(launcher.Stop(), std::optional<DWORD>(0));
}

TEST(TargetLauncher, PassesOnTheTargetsErrorAndExitCode) {
    TargetLauncher launcher;
    EXPECT_FALSE(launcher.Start(L"--no-such-option"));
    EXPECT_EQ(launcher.Error(), "target reports: error unknown option --no-such-option");
    EXPECT_EQ(launcher.Stop(), std::optional<DWORD>(2));
}

}  // namespace
}  // namespace quarry::test
