// A target that ends half-way: from some call on, every question to the system fails, as it
// does once the process is gone. Each test lets it die at every call in turn, so the walk
// and the dump meet the end at each point where they ask something.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "memmap/memory_map.h"
#include "memmap/region_dump.h"
#include "memmap/scripted_process_memory.h"
#include "support/memmap_image_header.h"
#include "support/memmap_recording_rows.h"
#include "support/memmap_scripted_system.h"

namespace quarry {
namespace {

using test::RecordingDumpFile;
using test::RecordingRowWriter;
using test::ScriptedProcessMemory;
using test::ScriptedTargetSystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kPid = 100;
constexpr std::uint32_t kCommit = kMemCommit;
constexpr std::uint32_t kReserve = test::kMemReserve;
constexpr int kNeverDies = 1 << 30;

// Counts the calls that reach the target; from call `callsBeforeDeath` on, each fails.
class Mortality {
public:
    explicit Mortality(int callsBeforeDeath) : callsBeforeDeath_(callsBeforeDeath) {}
    bool Dies() { return calls_++ >= callsBeforeDeath_; }
    int Calls() const { return calls_; }

private:
    int callsBeforeDeath_;
    int calls_ = 0;
};

// The scripted system as a target that dies. Converting a section name and reading a heap
// header already copied are done locally, so they go on working.
class DyingTargetSystem final : public TargetSystem {
public:
    DyingTargetSystem(ScriptedTargetSystem& alive, int callsBeforeDeath) : alive_(alive), life_(callsBeforeDeath) {}

    int Calls() const { return life_.Calls(); }
    int AnsweredRegions() const { return answeredRegions_; }

    std::uint32_t ProcessId() override { return life_.Dies() ? 0 : alive_.ProcessId(); }
    bool QueryRegion(std::uint64_t address, RegionInfo& region) override {
        if (life_.Dies() || !alive_.QueryRegion(address, region)) return false;
        answeredRegions_ += region.state != kMemFree;
        return true;
    }
    bool ReadMemory(std::uint64_t address, std::span<std::uint8_t> bytes) override {
        return !life_.Dies() && alive_.ReadMemory(address, bytes);
    }
    std::u16string ModuleFileName(std::uint64_t base) override {
        return life_.Dies() ? u"" : alive_.ModuleFileName(base);
    }
    std::u16string MappedFileName(std::uint64_t address) override {
        return life_.Dies() ? u"" : alive_.MappedFileName(address);
    }
    std::u16string LogicalDriveStrings() override { return life_.Dies() ? u"" : alive_.LogicalDriveStrings(); }
    std::u16string DosDeviceName(const std::u16string& drive) override {
        return life_.Dies() ? u"" : alive_.DosDeviceName(drive);
    }
    std::vector<ThreadEntry> SnapshotThreads() override {
        return life_.Dies() ? std::vector<ThreadEntry>() : alive_.SnapshotThreads();
    }
    std::optional<ThreadBasics> QueryThread(std::uint32_t id) override {
        return life_.Dies() ? std::nullopt : alive_.QueryThread(id);
    }
    std::vector<std::uint64_t> SnapshotHeaps() override {
        return life_.Dies() ? std::vector<std::uint64_t>() : alive_.SnapshotHeaps();
    }
    std::uint64_t QueryPebAddress() override { return life_.Dies() ? 0 : alive_.QueryPebAddress(); }
    std::uint32_t HeapFrontEndKind(std::span<const std::uint8_t> copy) override {
        return alive_.HeapFrontEndKind(copy);
    }
    std::u16string AnsiToText(std::string_view bytes) override { return alive_.AnsiToText(bytes); }

private:
    ScriptedTargetSystem& alive_;
    Mortality life_;
    int answeredRegions_ = 0;
};

// A small process with something of every kind the walk annotates, so that death can strike
// in the middle of each: an image with sections, a thread with its stack, a heap, a mapped
// file, the process environment block.
ScriptedTargetSystem SmallProcess() {
    ScriptedTargetSystem system;
    system.processId = kPid;
    system.pebAddress = 0x10000;
    system.AddRegion(0x10000, 0x10000, 0x1000, kCommit, 0x04, kMemPrivate);
    system.threads = {{7, kPid}};
    system.threadBasics = {{7, {0x20000, 7}}};
    system.AddRegion(0x20000, 0x20000, 0x2000, kCommit, 0x04, kMemPrivate);
    system.memory[0x20000] = Bytes(56, 0);
    system.memory[0x20000][18] = 0x1F;  // stack limit 0x1F0000
    system.AddRegion(0x100000, 0x100000, 0xF0000, kReserve, 0, kMemPrivate);
    system.AddRegion(0x1F0000, 0x100000, 0x10000, kCommit, 0x04, kMemPrivate);
    system.heaps = {0x500000};
    system.memory[0x500000] = Bytes(512, 1);
    system.AddRegion(0x500000, 0x500000, 0x10000, kCommit, 0x04, kMemPrivate);
    system.AddRegion(0x510000, 0x500000, 0x30000, kReserve, 0, kMemPrivate);
    system.driveStrings = std::u16string(u"C:\\\0", 4);
    system.dosDevices[u"C:"] = u"\\Device\\HarddiskVolume1";
    system.mappedNames[0x7FF500000000] = u"\\Device\\HarddiskVolume1\\data\\map.bin";
    system.AddRegion(0x7FF500000000, 0x7FF500000000, 0x10000, kCommit, 0x02, kMemMapped);
    constexpr std::uint64_t image = 0x7FF600000000;
    system.moduleNames[image] = u"C:\\app\\prog.exe";
    system.memory[image] = test::CraftImageHeader({.sections = {{".text", 0x1000}, {".data", 0x3000}}});
    system.AddRegion(image, image, 0x1000, kCommit, 0x02, kMemImage);
    system.AddRegion(image + 0x1000, image, 0x2000, kCommit, 0x20, kMemImage);
    system.AddRegion(image + 0x3000, image, 0x1000, kCommit, 0x04, kMemImage);
    return system;
}

// The rows without their Details, which depend on what could still be learnt.
std::vector<std::string> WithoutDetails(const RecordingRowWriter& rows) {
    RecordingRowWriter copy;
    std::vector<RowHandle> handles;
    for (const RecordingRowWriter::Row& row : rows.Rows()) {
        const RowHandle parent = row.parent == kNoRow ? kNoRow : handles[row.parent - 1];
        const RowHandle made = handles.emplace_back(copy.InsertRow(row.cells[0]->c_str(), parent));
        copy.SetRowValue(made, row.value);
        copy.SetRowColor(made, row.colour);
        for (int column = 1; column < kColumnDetails; ++column)
            if (const auto& cell = row.cells[static_cast<std::size_t>(column)])
                copy.SetCellText(made, column, cell->c_str());
    }
    return copy.Lines();
}

// What a walk of the same process shows when its address space simply ends after
// `regionCount` of its regions.
std::vector<std::string> FirstRegionsOnly(ScriptedTargetSystem process, int regionCount) {
    auto region = process.regions.begin();
    for (int kept = 0; kept < regionCount && region != process.regions.end(); ++kept) ++region;
    process.regions.erase(region, process.regions.end());
    RecordingRowWriter rows;
    BuildMemoryMap(process, rows);
    return WithoutDetails(rows);
}

TEST(TargetEndsDuringTheWalk, EveryRegionAnsweredBeforeTheEndIsShownAndNothingElse) {
    ScriptedTargetSystem process = SmallProcess();
    DyingTargetSystem immortal(process, kNeverDies);
    RecordingRowWriter full;
    BuildMemoryMap(immortal, full);
    ASSERT_EQ(immortal.AnsweredRegions(), static_cast<int>(process.regions.size()));

    int regionsBefore = 0;
    for (int death = 0; death <= immortal.Calls(); ++death) {
        SCOPED_TRACE("the target dies at call " + std::to_string(death));
        DyingTargetSystem dying(process, death);
        RecordingRowWriter rows;
        BuildMemoryMap(dying, rows);
        EXPECT_TRUE(rows.Visible());
        EXPECT_EQ(WithoutDetails(rows), FirstRegionsOnly(process, dying.AnsweredRegions()));
        EXPECT_GE(dying.AnsweredRegions(), regionsBefore);
        regionsBefore = dying.AnsweredRegions();
    }
    EXPECT_EQ(regionsBefore, static_cast<int>(process.regions.size()));
}

// The scripted process memory as a target that dies; remembers where its first read failed.
class DyingProcessMemory final : public ProcessMemory {
public:
    DyingProcessMemory(ScriptedProcessMemory& alive, int callsBeforeDeath) : alive_(alive), life_(callsBeforeDeath) {}

    int Calls() const { return life_.Calls(); }
    int AnsweredQueries() const { return answeredQueries_; }
    std::optional<std::uint64_t> FirstDeadRead() const { return firstDeadRead_; }

    bool QueryRegion(std::uint64_t address, RegionInfo& region) override {
        if (life_.Dies() || !alive_.QueryRegion(address, region)) return false;
        ++answeredQueries_;
        return true;
    }
    std::optional<std::size_t> Read(std::uint64_t address, std::span<std::uint8_t> bytes) override {
        if (!life_.Dies()) return alive_.Read(address, bytes);
        if (!firstDeadRead_) firstDeadRead_ = address;
        return std::nullopt;
    }

private:
    ScriptedProcessMemory& alive_;
    Mortality life_;
    int answeredQueries_ = 0;
    std::optional<std::uint64_t> firstDeadRead_;
};

TEST(TargetEndsDuringTheDump, TheFileKeepsEveryByteReadBeforeAndTheDumpFailsAtTheNextRegion) {
    constexpr std::uint64_t kBase = 0x3A0000000, kPage = 0x1000;
    // An allocation of three regions, back to back: readable, reserved, readable.
    const std::vector<std::uint64_t> sizes = {3 * kPage, 2 * kPage, 2 * kPage};
    const std::vector<std::uint64_t> addresses = {kBase, kBase + 3 * kPage, kBase + 5 * kPage};
    ScriptedProcessMemory process;
    process.AddRegion(addresses[0], sizes[0], kCommit);
    process.AddRegion(addresses[1], sizes[1], kReserve);
    process.AddRegion(addresses[2], sizes[2], kCommit);
    Bytes truth(7 * kPage);
    for (std::size_t i = 0; i < truth.size(); ++i) truth[i] = static_cast<std::uint8_t>(i % 251 + 1);
    std::fill(truth.begin() + 3 * kPage, truth.begin() + 5 * kPage, 0);  // the reserved region
    process.memory[kBase] = Bytes(truth.begin(), truth.begin() + 3 * kPage);
    process.memory[addresses[2]] = Bytes(truth.begin() + 5 * kPage, truth.end());

    Bytes page(kPage);
    DyingProcessMemory immortal(process, kNeverDies);
    RecordingDumpFile complete;
    ASSERT_TRUE(DumpRegions(immortal, complete, addresses, page));
    ASSERT_EQ(complete.contents, truth);

    for (int death = 0; death <= immortal.Calls(); ++death) {
        SCOPED_TRACE("the target dies at call " + std::to_string(death));
        DyingProcessMemory dying(process, death);
        RecordingDumpFile file;
        const bool dumped = DumpRegions(dying, file, addresses, page);
        // The regions that could still be queried are in the file at their full size, the
        // bytes read before the end as they were, the pages after it as zeros.
        std::uint64_t length = 0;
        for (int region = 0; region < dying.AnsweredQueries(); ++region)
            length += sizes[static_cast<std::size_t>(region)];
        Bytes expected(truth.begin(), truth.begin() + static_cast<std::ptrdiff_t>(length));
        const std::uint64_t lostFrom = dying.FirstDeadRead() ? *dying.FirstDeadRead() - kBase : length;
        if (lostFrom < length) std::fill(expected.begin() + static_cast<std::ptrdiff_t>(lostFrom), expected.end(), 0);
        EXPECT_EQ(file.contents, expected);
        EXPECT_EQ(dumped, dying.AnsweredQueries() == static_cast<int>(addresses.size()));
    }
}

}  // namespace
}  // namespace quarry
