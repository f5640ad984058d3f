// One walk of the real test target, under Wine or Windows: the rows of its known layout as
// the user reads them. And a target that ends while a question to it is out, and the
// question never comes back, as under Wine: the walk, the pane and the dump each come back
// with what a target that failed the question instead would give, later questions do not
// wait again, and the call left behind ends with its thread once it returns.
#include <windows.h>

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>

#include "content/content_pane.h"
#include "framework/handles.h"
#include "memmap/guarded_target.h"
#include "memmap/memory_map.h"
#include "memmap/region_dump.h"
#include "memmap/win32_target_process.h"
#include "memmap/win32_target_system.h"
#include "support/memmap_recording_rows.h"
#include "support/memmap_scripted_system.h"
#include "support/target_launcher.h"
#include "target/target_layout.h"

namespace quarry {
namespace {

using test::Hex16;
using test::RecordingRowWriter;
using Lines = std::vector<std::string>;

std::string Narrow(const std::wstring& text) { return test::Narrow(std::u16string(text.begin(), text.end())); }

TEST(MemoryMapOfTarget, ShowsItsKnownLayout) {
    test::TargetLauncher target;
    ASSERT_TRUE(target.Start()) << target.Error();
    const test::TargetFacts& facts = target.Facts();
    UniqueHandle process = OpenTargetProcess(facts.pid);
    ASSERT_TRUE(process) << "cannot open the target, error " << GetLastError();
    // The program's own questions keep a handle of their own: the opener may close its.
    const std::shared_ptr<TargetSystem> system = OpenTargetSystem(process.get());
    process.reset();
    RecordingRowWriter rows;
    BuildMemoryMap(*system, rows);

    // Allocations back to back: the pattern, the reserved one, the guarded pages; the view.
    const std::uint64_t pattern = facts.patternAlloc.address, reserved = facts.reservedAlloc.address,
                        guarded = facts.guardedAlloc.address, view = facts.mappedView.address;
    const std::pair<std::uint64_t, Lines> allocations[] = {
        {pattern, {Hex16(pattern) + " | Private | 1024 KB | 64 KB | Read/Write | 2 | - | DCFADC",
                   "  " + Hex16(pattern) + " | Private | 64 KB | 64 KB | Read/Write | - | - | DCFADC",
                   "  " + Hex16(pattern + target::kPatternCommittedSize) + " | Private | 960 KB | - | Reserved | - | - | DCFADC"}},
        {reserved, {Hex16(reserved) + " | Private | 256 KB | - | Reserved | 1 | - | DCFADC",
                    "  " + Hex16(reserved) + " | Private | 256 KB | - | Reserved | - | - | DCFADC"}},
        {guarded, {Hex16(guarded) + " | Private | 16 KB | 16 KB | NoAccess/Guard/Read/Write | 4 | - | DCFADC",
                   "  " + Hex16(guarded) + " | Private | 4 KB | 4 KB | Read/Write | - | - | DCFADC",
                   "  " + Hex16(guarded + 0x1000) + " | Private | 4 KB | 4 KB | Guard/Read/Write | - | - | DCFADC",
                   "  " + Hex16(guarded + 0x2000) + " | Private | 4 KB | 4 KB | NoAccess | - | - | DCFADC",
                   "  " + Hex16(guarded + 0x3000) + " | Private | 4 KB | 4 KB | Read/Write | - | - | DCFADC"}},
        {view, {Hex16(view) + " | Mapped | 64 KB | 64 KB | Read | 1 | " + Narrow(facts.mappedFilePath) + " | FADCDC",
                "  " + Hex16(view) + " | Mapped | 64 KB | 64 KB | Read | - | - | FADCDC"}},
    };
    for (const auto& [base, lines] : allocations) EXPECT_EQ(rows.Lines(base), lines);

    const Lines dll = rows.Lines(facts.dllBase);
    ASSERT_GE(dll.size(), 3u);
    EXPECT_TRUE(dll[0].ends_with(" | " + Narrow(facts.dllPath) + " | DCDCFA")) << dll[0];
    EXPECT_EQ(dll[1], "  " + Hex16(facts.dllBase) + " | Image | 4 KB | 4 KB | Read | - | Header | DCDCFA");
    const std::string ownSection = "  " + Hex16(facts.dllSection) + " | Image | 4 KB | 4 KB | Execute/Read | - | " +
                                   target::kDllSectionName + " | DCDCFA";
    EXPECT_NE(std::find(dll.begin(), dll.end(), ownSection), dll.end()) << ownSection;

    // Each thread's stack is labelled on its allocation row only, which is not indented.
    const Lines all = rows.Lines();
    for (const DWORD id : facts.threadIds) {
        const std::string label = " | Thread Stack [ID: " + std::to_string(id) + "] | ";
        const auto labelled = [&](const std::string& line) { return line.find(label) != std::string::npos; };
        EXPECT_EQ(std::ranges::count_if(all, labelled), 1) << label;
        EXPECT_FALSE(std::ranges::find_if(all, labelled)->starts_with(' ')) << label;
    }

    // Wine keeps the process environment block inside a larger allocation, so its label
    // cannot show; the question behind it still answers.
    std::array<std::uint8_t, 56> block{};
    EXPECT_TRUE(system->ReadAll(system->QueryPebAddress(), block));
}

using test::ScriptedTargetSystem;

constexpr std::uint64_t kBase = 0x3A0000000, kPage = 0x1000;

// The threads of this process.
int OwnThreads() {
    const UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// A target that ends after `callsLeft` calls: its question then stays out until Release, or
// for ten seconds, longer than the test takes unless the caller waits for it after all.
class HangingTarget {
public:
    explicit HangingTarget(int callsLeft) {
        system_->callsLeft = callsLeft;
        system_->onDeath = [ended = ended_.get(), release = release_.get(), out = outstanding_] {
            ++*out;
            SetEvent(ended);
            WaitForSingleObject(release, 10000);
            --*out;
        };
    }
    ~HangingTarget() { Release(); }

    // The guard as the program wires it, which under Wine must guard; on Windows, which
    // answers such calls, the program asks directly, so the guard is made by hand there.
    std::shared_ptr<TargetSystem> System() const {
        if (UnderWine()) return GuardTarget(system_, ended_.get());
        return std::make_shared<GuardedTargetSystem>(system_, TargetCalls(ended_.get(), TargetCalls::Mode::Guarded));
    }
    // Questions to the ended target still out: the caller came back without them.
    int Outstanding() const { return *outstanding_; }
    int Calls() const { return system_->calls; }
    void Release() const { SetEvent(release_.get()); }
    // The scripted target, for as long as anything holds it.
    std::weak_ptr<ScriptedTargetSystem> Watch() const { return system_; }
    void Forget() { system_.reset(); }

private:
    UniqueHandle ended_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle release_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::shared_ptr<std::atomic<int>> outstanding_ = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<ScriptedTargetSystem> system_ = std::make_shared<ScriptedTargetSystem>();
};

// Refresh, the pane and the dump of the window share one system for their target.
TEST(HangingTarget, OnceAWalkGaveUpTheWalksPaneAndDumpAskNothingMoreAndTheCallEndsWithItsThread) {
    HangingTarget target(4);  // at the first region query, after the threads, heaps and PEB
    std::weak_ptr<ScriptedTargetSystem> watched = target.Watch();
    int threadsBefore = 0;
    {
        const std::shared_ptr<TargetSystem> system = target.System();
        test::RecordingRowWriter rows;
        BuildMemoryMap(*system, rows);
        threadsBefore = OwnThreads();
        const int calls = target.Calls();
        BuildMemoryMap(*system, rows);
        std::vector<std::uint8_t> page(kPage);
        EXPECT_EQ(RowMemoryText(*system, kBase, page), kReadFailedText);
        test::MemoryFile file;
        EXPECT_FALSE(DumpRegions(*system, file, std::vector<std::uint64_t>{kBase}, page));
        EXPECT_TRUE(rows.rows.empty());
        EXPECT_EQ(target.Calls(), calls) << "a question after the give-up reached the target";
        EXPECT_EQ(target.Outstanding(), 1) << "a walk waited for the question that never came back, or asked again";
    }
    // Only the call left behind holds the target now, and its thread ends with it.
    target.Forget();
    EXPECT_FALSE(watched.expired());
    target.Release();
    EXPECT_TRUE(test::WaitUntil([&] { return watched.expired(); })) << "the call left behind still holds the target";
    EXPECT_TRUE(test::WaitUntil([&] { return OwnThreads() == threadsBefore - 1; })) << "its thread did not end";
}

}  // namespace
}  // namespace quarry
