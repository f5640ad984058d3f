#include "bench/target_bench.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <type_traits>
#include <utility>

#include "bench/counting_rows.h"
#include "content/search_reader.h"
#include "memmap/memory_map.h"
#include "memmap/win32_target_process.h"
#include "memmap/win32_target_system.h"
#include "support/target_launcher.h"
#include "support/tree_list_windows.h"

namespace quarry::bench {
namespace {

// Under Wine each query is a round trip through Wine's server into the target, and one
// pass over the same target varies by a fifth from the next on a busy machine: the fastest
// of several passes of each is the fair comparison.
constexpr int kRounds = 7;
constexpr int kFillRounds = 5;

// Region after region from address 0, as the walk asks, and nothing else.
std::size_t QueryEveryRegion(HANDLE process) {
    std::size_t regions = 0;
    std::uint64_t address = 0;
    MEMORY_BASIC_INFORMATION info{};
    while (VirtualQueryEx(process, reinterpret_cast<const void*>(address), &info, sizeof info) == sizeof info) {
        ++regions;
        const std::uint64_t next = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return regions;
}

// The system's answers timed call by call: where a walk's time goes beside the region queries.
class TimedSystem final : public TargetSystem {
public:
    explicit TimedSystem(TargetSystem& system) : system_(system) {}

    std::uint32_t ProcessId() override { return Timed("ProcessId", [&] { return system_.ProcessId(); }); }
    bool QueryRegion(std::uint64_t address, RegionInfo& region) override {
        return Timed("QueryRegion", [&] { return system_.QueryRegion(address, region); });
    }
    bool WalkRegion(std::uint64_t address, RegionInfo& region) override {
        return Timed("WalkRegion", [&] { return system_.WalkRegion(address, region); });
    }
    std::optional<std::size_t> ReadPages(std::uint64_t address, std::span<std::uint8_t> bytes) override {
        return Timed("ReadPages", [&] { return ReadPagesOf(system_, address, bytes); });
    }
    std::u16string ModuleFileName(std::uint64_t base) override {
        return Timed("ModuleFileName", [&] { return system_.ModuleFileName(base); });
    }
    std::u16string MappedFileName(std::uint64_t address) override {
        return Timed("MappedFileName", [&] { return system_.MappedFileName(address); });
    }
    std::u16string LogicalDriveStrings() override {
        return Timed("LogicalDriveStrings", [&] { return system_.LogicalDriveStrings(); });
    }
    std::u16string DosDeviceName(const std::u16string& drive) override {
        return Timed("DosDeviceName", [&] { return system_.DosDeviceName(drive); });
    }
    std::vector<ThreadEntry> SnapshotThreads() override {
        return Timed("SnapshotThreads", [&] { return system_.SnapshotThreads(); });
    }
    std::optional<ThreadBasics> QueryThread(std::uint32_t id) override {
        return Timed("QueryThread", [&] { return system_.QueryThread(id); });
    }
    std::vector<std::uint64_t> SnapshotHeaps() override {
        return Timed("SnapshotHeaps", [&] { return system_.SnapshotHeaps(); });
    }
    std::uint64_t QueryPebAddress() override { return Timed("QueryPebAddress", [&] { return system_.QueryPebAddress(); }); }
    std::uint32_t HeapFrontEndKind(std::span<const std::uint8_t> copy) override {
        return Timed("HeapFrontEndKind", [&] { return system_.HeapFrontEndKind(copy); });
    }
    std::u16string AnsiToText(std::string_view bytes) override {
        return Timed("AnsiToText", [&] { return system_.AnsiToText(bytes); });
    }

    // "name calls × time" for each kind of call, the costliest first.
    std::string Summary() const {
        std::vector<std::pair<std::string, Calls>> kinds(calls_.begin(), calls_.end());
        std::sort(kinds.begin(), kinds.end(), [](const auto& a, const auto& b) { return a.second.time > b.second.time; });
        std::string text;
        for (const auto& [name, calls] : kinds)
            text += (text.empty() ? "" : ", ") + name + " " + std::to_string(calls.count) + " calls " + Millis(calls.time);
        return text;
    }

private:
    struct Calls {
        std::size_t count = 0;
        Seconds time = 0;
    };
    template <typename Call>
    std::invoke_result_t<Call> Timed(const char* name, Call call) {
        const auto start = std::chrono::steady_clock::now();
        auto result = call();
        Calls& calls = calls_[name];
        ++calls.count;
        calls.time += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return result;
    }

    TargetSystem& system_;
    std::map<std::string, Calls> calls_;
};

// What the target says it added, from its "allocations" fact; 0 without one.
std::size_t ReportedAllocations(const test::TargetFacts& facts) {
    const std::string prefix = std::string(target::kFactAllocations) + ' ';
    for (const std::string& line : facts.lines)
        if (line.starts_with(prefix)) return std::stoul(line.substr(prefix.size()));
    return 0;
}

// The readable runs of the whole address space, adjacent readable regions joined.
std::vector<AddressRange> ReadableRuns(HANDLE process) {
    std::vector<AddressRange> runs;
    std::uint64_t address = 0;
    MEMORY_BASIC_INFORMATION info{};
    while (VirtualQueryEx(process, reinterpret_cast<const void*>(address), &info, sizeof info) == sizeof info) {
        const RegionInfo region{reinterpret_cast<std::uintptr_t>(info.BaseAddress), 0, info.RegionSize, info.State,
                                info.Protect, info.Type};
        const std::uint64_t end = region.baseAddress + region.regionSize;
        if (MayRead(region)) {
            if (!runs.empty() && runs.back().end == region.baseAddress) runs.back().end = end;
            else runs.push_back({region.baseAddress, end});
        }
        if (end <= address) break;
        address = end;
    }
    return runs;
}

std::uint64_t ReadRuns(HANDLE process, const std::vector<AddressRange>& runs, std::vector<std::uint8_t>& chunk) {
    std::uint64_t read = 0;
    for (const AddressRange& run : runs)
        for (std::uint64_t at = run.begin; at < run.end; at += chunk.size()) {
            SIZE_T got = 0;
            const SIZE_T size = static_cast<SIZE_T>(std::min<std::uint64_t>(chunk.size(), run.end - at));
            if (ReadProcessMemory(process, reinterpret_cast<const void*>(at), chunk.data(), size, &got)) read += got;
        }
    return read;
}

}  // namespace

void BenchTargetSearch(Report& report, std::size_t mib) {
    const std::string name = "the test target with " + std::to_string(mib) + " MiB committed";
    test::TargetLauncher target;
    UniqueHandle process;
    if (target.Start(L"--committed-mib " + std::to_wstring(mib))) process = OpenTargetProcess(target.Facts().pid);
    if (!process) {
        report.Add({"--find over " + name, "NOT RUN", target.Error(), "", "missed"});
        return;
    }
    const std::shared_ptr<TargetSystem> system = OpenTargetSystem(process.get());
    const std::vector<AddressRange> everything = {{0, std::uint64_t{1} << 47}};
    const std::u16string absent = u"QuarryMap bench: a text that is in no memory";
    const std::vector<BytePattern> patterns = {*Utf8TextPattern(absent, false), *Utf16TextPattern(absent, false)};
    std::vector<std::uint8_t> chunk(kSearchChunkSize);
    // By turns, as the walk's figures: the fastest of each, and the median of the rounds' own
    // ratios, which Wine's server drifting from round to round moves least.
    Seconds bare = 1e9, search = 1e9;
    std::vector<double> ratios;
    std::uint64_t bytes = 0, hits = 0;
    for (int round = 0; round < kRounds; ++round) {
        const Seconds roundBare = TimeOnce([&] { bytes = ReadRuns(process.get(), ReadableRuns(process.get()), chunk); });
        const Seconds roundSearch = TimeOnce([&] {
            PatternSearch find(patterns, [&](const PatternHit&) { return ++hits, true; });
            SearchMemory(*system, everything, find, [](std::uint64_t) { return true; });
        });
        bare = std::min(bare, roundBare);
        search = std::min(search, roundSearch);
        ratios.push_back(roundSearch / roundBare);
    }
    std::sort(ratios.begin(), ratios.end());
    const double medianRatio = ratios[ratios.size() / 2];
    report.Add({"Bare ReadProcessMemory loop in 1 MiB chunks over " + name, SecondsText(bare),
                std::to_string(bytes >> 20) + " MiB readable, " + Fixed(static_cast<double>(bytes) / bare / 1e9, 2) + " GB/s",
                "", ""});
    TimedSystem timed(*system);
    const Seconds timedSearch = TimeOnce([&] {
        PatternSearch find(patterns, [&](const PatternHit&) { return ++hits, true; });
        SearchMemory(timed, everything, find, [](std::uint64_t) { return true; });
    });
    report.Note("Where the --find over " + name + " spends its time (one search of " + SecondsText(timedSearch) +
                ", timed call by call through the hang guard): " + timed.Summary() + ".");
    report.Add({"--find of a text that is not there over " + name, SecondsText(search) + (hits ? ", FOUND" : ""),
                "ratio to the bare reads: " + Fixed(search / bare, 2) + ", median of " + std::to_string(ratios.size()) +
                    " paired rounds " + Fixed(medianRatio, 2),
                "ratio <= 1.1", Verdict(!hits && medianRatio <= 1.1)});
}

void BenchRealTarget(Report& report, BenchWindow& window, std::size_t allocations) {
    const std::string name = "test target with " + std::to_string(allocations) + " extra allocations";
    test::TargetLauncher target;
    UniqueHandle process;
    if (target.Start(L"--allocations " + std::to_wstring(allocations))) process = OpenTargetProcess(target.Facts().pid);
    if (!process || ReportedAllocations(target.Facts()) != allocations) {
        report.Add({"BuildMemoryMap of the " + name, "NOT RUN", target.Error(), "", "missed"});
        return;
    }

    // By turns, so that both see the machine alike; the fastest round of each counts, and
    // beside it the median of the rounds' own ratios, which Wine's server drifting from
    // round to round by a fifth and more moves least.
    Seconds query = 1e9, walk = 1e9;
    std::vector<double> ratios;
    std::size_t regions = 0;
    CountingRowWriter counted;
    for (int round = 0; round < kRounds; ++round) {
        const Seconds roundQuery = TimeOnce([&] { regions = QueryEveryRegion(process.get()); });
        const Seconds roundWalk = TimeOnce([&] {
            counted = CountingRowWriter();
            BuildMemoryMap(process.get(), counted);
        });
        query = std::min(query, roundQuery);
        walk = std::min(walk, roundWalk);
        ratios.push_back(roundWalk / roundQuery);
    }
    std::sort(ratios.begin(), ratios.end());
    const double medianRatio = ratios[ratios.size() / 2];
    const bool complete = counted.allocations >= allocations;
    report.Add({"Bare VirtualQueryEx loop over the " + name, SecondsText(query),
                std::to_string(regions) + " queries, " + Micros(query / static_cast<double>(regions)) + " each", "",
                ""});
    report.Add({"BuildMemoryMap of the " + name + ", into a RowWriter that does nothing",
                SecondsText(walk) + (complete ? "" : ", ALLOCATIONS MISSING"),
                "ratio to the VirtualQueryEx loop: " + Fixed(walk / query, 2) + ", median of " +
                    std::to_string(ratios.size()) + " paired rounds " + Fixed(medianRatio, 2) + " (" +
                    std::to_string(counted.allocations) + " allocations, " + std::to_string(counted.rows) + " rows)",
                "ratio <= 1.3", Verdict(complete && medianRatio <= 1.3)});

    Win32TargetSystem system(process.get());
    TimedSystem timed(system);
    CountingRowWriter ignored;
    const Seconds timedWalk = TimeOnce([&] { BuildMemoryMap(timed, ignored); });
    report.Note("Where the walk over the " + name + " spends its time (one walk of " + SecondsText(timedWalk) +
                ", timed call by call): " + timed.Summary() + ".");

    // Refresh as the window runs it, by turns with the bare loop again.
    CTreeListView& treeList = window.TreeList();
    Seconds fill = 1e9;
    std::vector<double> fillRatios;
    for (int round = 0; round < kFillRounds; ++round) {
        treeList.DeleteAllRows();
        const Seconds roundQuery = TimeOnce([&] { QueryEveryRegion(process.get()); });
        const Seconds roundFill = TimeOnce([&] { BuildMemoryMap(process.get(), treeList); });
        fill = std::min(fill, roundFill);
        fillRatios.push_back(roundFill / roundQuery);
    }
    std::sort(fillRatios.begin(), fillRatios.end());
    const double medianFillRatio = fillRatios[fillRatios.size() / 2];
    const std::vector<PlannedRow> plan = PlanFromTree(test::InnerTree(treeList.hwnd()));
    treeList.DeleteAllRows();
    ShowWindow(treeList.hwnd(), SW_HIDE);
    const BareTreeFigures bare = TimeBareTree(window, plan);
    ShowWindow(treeList.hwnd(), SW_SHOW);
    PumpMessages();
    report.Add({"BuildMemoryMap of the " + name + ", into the real tree-list", SecondsText(fill),
                "ratio to the VirtualQueryEx loop: " + Fixed(fill / query, 2) + ", median of " +
                    std::to_string(fillRatios.size()) + " paired rounds " + Fixed(medianFillRatio, 2) +
                    "; bare tree-view for the " + std::to_string(plan.size()) + " rows it holds (the top-level ones): " +
                    SecondsText(bare.insert),
                "ratio <= 1.05", Verdict(medianFillRatio <= 1.05)});
}

}  // namespace quarry::bench
