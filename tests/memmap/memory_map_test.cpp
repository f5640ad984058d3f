// The walk against scripted systems: whole trees compared row by row, every cell.
#include "memmap/memory_map.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/memmap_image_header.h"
#include "support/memmap_recording_rows.h"
#include "support/memmap_scripted_system.h"

namespace quarry {
namespace {

using test::RecordingRowWriter;
using test::ScriptedTargetSystem;
using Lines = std::vector<std::string>;

constexpr std::uint32_t kPid = 100;
constexpr std::uint32_t kCommit = kMemCommit;
constexpr std::uint32_t kReserve = test::kMemReserve;
constexpr std::uint64_t kTiB = std::uint64_t{1} << 40;

constexpr std::uint64_t kImage = 0x7FF600000000;
constexpr std::uint64_t kUnreadImage = 0x7FF700000000;
constexpr std::uint64_t kNoDosImage = 0x7FF710000000;
constexpr std::uint64_t kMappedView = 0x7FF800000000;
constexpr std::uint64_t kUnknownType = 0x7FF900000000;

std::vector<std::uint8_t> TibWithStackLimit(std::uint64_t limit) {
    std::vector<std::uint8_t> tib(56, 0);
    test::StoreLittleEndian(tib, 16, limit, 8);
    return tib;
}

std::vector<std::uint8_t> HeapHeader(std::uint8_t kind, std::size_t readable = 512) {
    std::vector<std::uint8_t> header(readable, 0);
    header[0] = kind;
    return header;
}

// A thread stack: reserved, then the guard page, then the committed top at base + 0xFD000.
void AddStack(ScriptedTargetSystem& system, std::uint64_t base) {
    system.AddRegion(base, base, 0xFC000, kReserve, 0, kMemPrivate);
    system.AddRegion(base + 0xFC000, base, 0x1000, kCommit, 0x104, kMemPrivate);
    system.AddRegion(base + 0xFD000, base, 0x3000, kCommit, 0x04, kMemPrivate);
}

void AddPrivateBlocks(ScriptedTargetSystem& system) {
    system.pebAddress = 0x10000;
    system.AddRegion(0x10000, 0x10000, 0x1000, kCommit, 0x04, kMemPrivate);
    system.AddRegion(0x11000, 0x10000, 0x3000, kReserve, 0, kMemPrivate);

    // Environment blocks of threads 7 and 8 of the target and of thread 9 of another process;
    // thread 8's cannot be read, and thread 10 cannot be queried at all.
    system.threads = {{7, kPid}, {9, 999}, {8, kPid}, {10, kPid}};
    system.threadBasics = {{7, {0x20000, 7}}, {9, {0x30000, 9}}, {8, {0x40000, 8}}};
    for (const std::uint64_t teb : {0x20000, 0x30000, 0x40000}) system.AddRegion(teb, teb, 0x2000, kCommit, 0x04, kMemPrivate);
    system.memory[0x20000] = TibWithStackLimit(0x1FD000);
    system.memory[0x30000] = TibWithStackLimit(0x2FD000);  // would label thread 8's stack
    AddStack(system, 0x100000);
    AddStack(system, 0x200000);

    system.heaps = {0x500000, 0x600000, 0x700000, kUnknownType};
    system.AddRegion(0x500000, 0x500000, 0x10000, kCommit, 0x04, kMemPrivate);
    system.AddRegion(0x510000, 0x500000, 0xF0000, kReserve, 0, kMemPrivate);
    system.AddRegion(0x600000, 0x600000, 0x10000, kCommit, 0x04, kMemPrivate);
    system.AddRegion(0x700000, 0x700000, 0x10000, kCommit, 0x04, kMemPrivate);
    system.memory[0x500000] = HeapHeader(1);
    system.memory[0x600000] = HeapHeader(7);
    system.memory[0x700000] = HeapHeader(1, 256);  // less than the header copy: unread

    // All reserved, with a free gap at 0x810000 inside the allocation.
    system.AddRegion(0x800000, 0x800000, 0x10000, kReserve, 0, kMemPrivate);
    system.AddRegion(0x820000, 0x800000, 0x10000, kReserve, 0, kMemPrivate);

    system.AddRegion(0x3A0000000, 0x3A0000000, 0x10000, kCommit, 0x04, kMemPrivate);
    system.AddRegion(0x3A0010000, 0x3A0000000, 0xF0000, kReserve, 0, kMemPrivate);

    system.AddRegion(2 * kTiB, 2 * kTiB, 2 * kTiB, kReserve, 0, kMemPrivate);
    system.AddRegion(4 * kTiB, 2 * kTiB, 2 * kTiB, kCommit, 0x04, kMemPrivate);
}

void AddFileBackedBlocks(ScriptedTargetSystem& system) {
    system.moduleNames[kImage] = u"C:\\app\\prog.exe";
    system.memory[kImage] = test::CraftImageHeader({.sections = {{".text", 0x1000}, {".rdata", 0x3000}, {".quarry8", 0x5000}}});
    system.AddRegion(kImage, kImage, 0x1000, kCommit, 0x02, kMemImage);
    system.AddRegion(kImage + 0x1000, kImage, 0x1000, kCommit, 0x20, kMemImage);
    system.AddRegion(kImage + 0x2000, kImage, 0x1000, kCommit, 0x80, kMemImage);  // inside .text
    system.AddRegion(kImage + 0x3000, kImage, 0x2000, kCommit, 0x02, kMemImage);
    system.AddRegion(kImage + 0x5000, kImage, 0x1000, kCommit, 0x08, kMemImage);

    system.moduleNames[kUnreadImage] = u"C:\\lib\\unread.dll";
    system.AddRegion(kUnreadImage, kUnreadImage, 0x1000, kCommit, 0x02, kMemImage);
    system.AddRegion(kUnreadImage + 0x1000, kUnreadImage, 0x1000, kCommit, 0x20, kMemImage);

    system.mappedNames[kNoDosImage] = u"\\??\\C:\\lib\\nodos.dll";
    system.memory[kNoDosImage] = std::vector<std::uint8_t>(1024, 'X');
    system.AddRegion(kNoDosImage, kNoDosImage, 0x1000, kCommit, 0x02, kMemImage);

    system.driveStrings = std::u16string(u"C:\\\0", 4);
    system.dosDevices[u"C:"] = u"\\Device\\HarddiskVolume1";
    system.mappedNames[kMappedView] = u"\\Device\\HarddiskVolume1\\data\\map.bin";
    system.AddRegion(kMappedView, kMappedView, 0x10000, kCommit, 0x02, kMemMapped);

    system.AddRegion(kUnknownType, kUnknownType, 0x1000, kCommit, 0x04, 0x80000);
}

TEST(MemoryMap, WritesEveryRowAndCellOfAnAnnotatedAddressSpace) {
    ScriptedTargetSystem system;
    system.processId = kPid;
    AddPrivateBlocks(system);
    AddFileBackedBlocks(system);
    RecordingRowWriter rows;
    BuildMemoryMap(system, rows);

    const Lines expected = {
        "0000000000010000 | Private | 16 KB | 4 KB | Read/Write | 2 | Process Environment Block | DCFADC",
        "  0000000000010000 | Private | 4 KB | 4 KB | Read/Write | - | Process Environment Block | DCFADC",
        "  0000000000011000 | Private | 12 KB | - | Reserved | - | Process Environment Block | DCFADC",
        "0000000000020000 | Private | 8 KB | 8 KB | Read/Write | 1 | Thread Environment Block ID: 7 | DCFADC",
        "  0000000000020000 | Private | 8 KB | 8 KB | Read/Write | - | Thread Environment Block ID: 7 | DCFADC",
        "0000000000030000 | Private | 8 KB | 8 KB | Read/Write | 1 | - | DCFADC",
        "  0000000000030000 | Private | 8 KB | 8 KB | Read/Write | - | - | DCFADC",
        "0000000000040000 | Private | 8 KB | 8 KB | Read/Write | 1 | Thread Environment Block ID: 8 | DCFADC",
        "  0000000000040000 | Private | 8 KB | 8 KB | Read/Write | - | Thread Environment Block ID: 8 | DCFADC",
        "0000000000100000 | Private | 1024 KB | 16 KB | Guard/Read/Write | 3 | Thread Stack [ID: 7] | DCFADC",
        "  0000000000100000 | Private | 1008 KB | - | Reserved | - | - | DCFADC",
        "  00000000001FC000 | Private | 4 KB | 4 KB | Guard/Read/Write | - | - | DCFADC",
        "  00000000001FD000 | Private | 12 KB | 12 KB | Read/Write | - | - | DCFADC",
        "0000000000200000 | Private | 1024 KB | 16 KB | Guard/Read/Write | 3 | - | DCFADC",
        "  0000000000200000 | Private | 1008 KB | - | Reserved | - | - | DCFADC",
        "  00000000002FC000 | Private | 4 KB | 4 KB | Guard/Read/Write | - | - | DCFADC",
        "  00000000002FD000 | Private | 12 KB | 12 KB | Read/Write | - | - | DCFADC",
        "0000000000500000 | Private | 1024 KB | 64 KB | Read/Write | 2 | Heap ID: 1 [LOOKASIDE] | DCFADC",
        "  0000000000500000 | Private | 64 KB | 64 KB | Read/Write | - | Heap ID: 1 [LOOKASIDE] | DCFADC",
        "  0000000000510000 | Private | 960 KB | - | Reserved | - | Heap ID: 1 [LOOKASIDE] | DCFADC",
        "0000000000600000 | Private | 64 KB | 64 KB | Read/Write | 1 | Heap ID: 2 [LOW FRAGMENTATION] | DCFADC",
        "  0000000000600000 | Private | 64 KB | 64 KB | Read/Write | - | Heap ID: 2 [LOW FRAGMENTATION] | DCFADC",
        "0000000000700000 | Private | 64 KB | 64 KB | Read/Write | 1 | Heap ID: 3 [COMPATABILITY] | DCFADC",
        "  0000000000700000 | Private | 64 KB | 64 KB | Read/Write | - | Heap ID: 3 [COMPATABILITY] | DCFADC",
        "0000000000800000 | Private | 128 KB | - | Reserved | 2 | - | DCFADC",
        "  0000000000800000 | Private | 64 KB | - | Reserved | - | - | DCFADC",
        "  0000000000820000 | Private | 64 KB | - | Reserved | - | - | DCFADC",
        "00000003A0000000 | Private | 1024 KB | 64 KB | Read/Write | 2 | - | DCFADC",
        "  00000003A0000000 | Private | 64 KB | 64 KB | Read/Write | - | - | DCFADC",
        "  00000003A0010000 | Private | 960 KB | - | Reserved | - | - | DCFADC",
        "0000020000000000 | Private | 4294967296 KB | 2147483648 KB | Read/Write | 2 | - | DCFADC",
        "  0000020000000000 | Private | 2147483648 KB | - | Reserved | - | - | DCFADC",
        "  0000040000000000 | Private | 2147483648 KB | 2147483648 KB | Read/Write | - | - | DCFADC",
        R"(00007FF600000000 | Image | 24 KB | 24 KB | Execute/Read/WriteCopy | 5 | C:\app\prog.exe | DCDCFA)",
        "  00007FF600000000 | Image | 4 KB | 4 KB | Read | - | Header | DCDCFA",
        "  00007FF600001000 | Image | 4 KB | 4 KB | Execute/Read | - | .text | DCDCFA",
        "  00007FF600002000 | Image | 4 KB | 4 KB | Execute/WriteCopy | - | .text | DCDCFA",
        "  00007FF600003000 | Image | 8 KB | 8 KB | Read | - | .rdata | DCDCFA",
        "  00007FF600005000 | Image | 4 KB | 4 KB | Read/WriteCopy | - | .quarry8 | DCDCFA",
        R"(00007FF700000000 | Image | 8 KB | 8 KB | Execute/Read | 2 | C:\lib\unread.dll | DCDCFA)",
        R"(  00007FF700000000 | Image | 4 KB | 4 KB | Read | - | "" | DCDCFA)",
        R"(  00007FF700001000 | Image | 4 KB | 4 KB | Execute/Read | - | "" | DCDCFA)",
        R"(00007FF710000000 | Image | 4 KB | 4 KB | Read | 1 | C:\lib\nodos.dll | DCDCFA)",
        R"(  00007FF710000000 | Image | 4 KB | 4 KB | Read | - | "" | DCDCFA)",
        R"(00007FF800000000 | Mapped | 64 KB | 64 KB | Read | 1 | C:\data\map.bin | FADCDC)",
        "  00007FF800000000 | Mapped | 64 KB | 64 KB | Read | - | - | FADCDC",
        "00007FF900000000 | Unknown [00080000] | 4 KB | 4 KB | Read/Write | 1 | - | FFFFFF",
        "  00007FF900000000 | Unknown [00080000] | 4 KB | 4 KB | Read/Write | - | - | FFFFFF",
    };
    EXPECT_EQ(rows.Lines(), expected);
    EXPECT_TRUE(rows.Visible());
    EXPECT_EQ(rows.WritesWhileVisible(), 0) << "rows are written while the tree is hidden";
}

struct AnswerAt {
    std::uint64_t queriedAt;
    RegionInfo region;
};

struct WalkEnd {
    const char* what;
    std::vector<RegionInfo> answers;  // each for a query at its own base
    std::optional<AnswerAt> extra;  // for a query at an address of its own choosing
    int queriesBeforeDeath;
    Lines expected;
    int expectedQueries;
};

TEST(MemoryMap, EndsTheWalkOnAFailedOrBrokenAnswerKeepingTheRowsSoFar) {
    const RegionInfo free{0, 0, 0x10000, kMemFree, 0x01, 0};
    const RegionInfo first{0x10000, 0x10000, 0x1000, kCommit, 0x04, kMemPrivate};
    const RegionInfo second{0x11000, 0x10000, 0x1000, kCommit, 0x02, kMemPrivate};
    const Lines oneRegion = {
        "0000000000010000 | Private | 4 KB | 4 KB | Read/Write | 1 | - | DCFADC",
        "  0000000000010000 | Private | 4 KB | 4 KB | Read/Write | - | - | DCFADC",
    };
    const Lines twoRegions = {
        "0000000000010000 | Private | 8 KB | 8 KB | Read/Write | 2 | - | DCFADC",
        "  0000000000010000 | Private | 4 KB | 4 KB | Read/Write | - | - | DCFADC",
        "  0000000000011000 | Private | 4 KB | 4 KB | Read | - | - | DCFADC",
    };
    const std::uint64_t top = 0xFFFFFFFFFFFF0000;
    const int kAlive = 1000;  // a walk that would not end fails on its query count
    const WalkEnd cases[] = {
        {"no target", {}, {}, 0, {}, 1},
        {"the target dies", {free, first, second}, {}, 2, oneRegion, 3},
        {"end of the address space", {free, first, second}, {}, kAlive, twoRegions, 4},
        {"zero size", {free, first}, AnswerAt{0x11000, {0x11000, 0x10000, 0, kCommit, 0x02, kMemPrivate}}, kAlive,
         oneRegion, 3},
        {"the same region again", {free, first}, AnswerAt{0x11000, first}, kAlive, oneRegion, 3},
        {"a region behind the address", {free, first},
         AnswerAt{0x11000, {0x1000, 0x1000, 0x1000, kCommit, 0x02, kMemPrivate}}, kAlive, oneRegion, 3},
        {"wrapping around", {free, first},
         AnswerAt{0x11000, {0x11000, 0x10000, ~std::uint64_t{0}, kCommit, 0x02, kMemPrivate}}, kAlive, oneRegion, 3},
        {"a region ending at the top",
         {{0, 0, top, kMemFree, 0x01, 0}},
         AnswerAt{top, {top, top, 0x10000, kCommit, 0x04, kMemPrivate}},
         kAlive,
         {"FFFFFFFFFFFF0000 | Private | 64 KB | 64 KB | Read/Write | 1 | - | DCFADC",
          "  FFFFFFFFFFFF0000 | Private | 64 KB | 64 KB | Read/Write | - | - | DCFADC"},
         2},
    };
    for (const WalkEnd& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedTargetSystem system;
        for (const RegionInfo& answer : c.answers) system.answers[answer.baseAddress] = answer;
        if (c.extra) system.answers[c.extra->queriedAt] = c.extra->region;
        system.queriesBeforeDeath = c.queriesBeforeDeath;
        RecordingRowWriter rows;
        BuildMemoryMap(system, rows);
        EXPECT_EQ(rows.Lines(), c.expected);
        EXPECT_EQ(system.queries, c.expectedQueries);
        EXPECT_TRUE(rows.Visible());
    }
}

}  // namespace
}  // namespace quarry
