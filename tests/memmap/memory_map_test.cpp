// The walk against the scripted system: whole trees compared row by row, every cell,
// including answers that end the walk early.
#include "memmap/memory_map.h"

#include <gtest/gtest.h>

#include "support/memmap_image_header.h"
#include "support/memmap_recording_rows.h"
#include "support/memmap_scripted_system.h"

namespace quarry {
namespace {

using test::RecordingRowWriter;
using test::ScriptedTargetSystem;
using Lines = std::vector<std::string>;

constexpr std::uint32_t kCommit = kMemCommit, kReserve = test::kMemReserve, kPrivate = kMemPrivate;
constexpr std::uint64_t kTiB = std::uint64_t{1} << 40, kImage = 0x7FF600000000;

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint64_t atOffset16 = 0) {
    std::vector<std::uint8_t> bytes(size, 0);
    for (int i = 0; i < 8; ++i) bytes[16 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(atOffset16 >> (8 * i));
    return bytes;
}

// A thread stack: reserved, then the guard page, then the committed top at base + 0xFD000.
void AddStack(ScriptedTargetSystem& system, std::uint64_t base) {
    system.AddRegion(base, base, 0xFC000, kReserve, 0, kPrivate);
    system.AddRegion(base + 0xFC000, base, 0x1000, kCommit, 0x104, kPrivate);
    system.AddRegion(base + 0xFD000, base, 0x3000, kCommit, 0x04, kPrivate);
}

// Something of every kind the walk names, with what can go wrong with each.
ScriptedTargetSystem AnnotatedProcess() {
    ScriptedTargetSystem system;
    system.pebAddress = 0x10000;
    system.AddRegion(0x10000, 0x10000, 0x1000, kCommit, 0x04, kPrivate);
    // Environment blocks of threads 7 and 8; thread 8's cannot be read, thread 9 belongs to
    // another process and thread 10 cannot be queried at all.
    system.threads = {{7, 100}, {9, 999}, {8, 100}, {10, 100}};
    system.threadBasics = {{7, {0x20000, 7}}, {9, {0x30000, 9}}, {8, {0x40000, 8}}};
    for (const std::uint64_t teb : {0x20000, 0x40000}) system.AddRegion(teb, teb, 0x2000, kCommit, 0x04, kPrivate);
    system.memory[0x20000] = Bytes(56, 0x1FD000);
    system.memory[0x30000] = Bytes(56, 0x2FD000);  // would label thread 8's stack
    AddStack(system, 0x100000);
    AddStack(system, 0x200000);
    // Heaps back to back, the third with a header too short to read.
    system.heaps = {0x500000, 0x600000, 0x700000, 0x7FF900000000};
    system.AddRegion(0x500000, 0x500000, 0x10000, kCommit, 0x04, kPrivate);
    system.AddRegion(0x510000, 0x500000, 0xF0000, kReserve, 0, kPrivate);
    system.AddRegion(0x600000, 0x600000, 0x10000, kCommit, 0x04, kPrivate);
    system.AddRegion(0x700000, 0x700000, 0x10000, kCommit, 0x04, kPrivate);
    system.memory[0x500000] = std::vector<std::uint8_t>(512, 1);
    system.memory[0x600000] = std::vector<std::uint8_t>(512, 7);
    system.memory[0x700000] = std::vector<std::uint8_t>(256, 1);
    // All reserved, with a free gap inside; then more than 32 bits of KB.
    system.AddRegion(0x800000, 0x800000, 0x10000, kReserve, 0, kPrivate);
    system.AddRegion(0x820000, 0x800000, 0x10000, kReserve, 0, kPrivate);
    system.AddRegion(2 * kTiB, 2 * kTiB, 4 * kTiB, kCommit, 0x04, kPrivate);
    // An image whose third region begins inside .text; one unread, named by its mapping.
    system.moduleNames[kImage] = u"C:\\app\\prog.exe";
    system.memory[kImage] = test::CraftImageHeader({.sections = {{".text", 0x1000}, {".rdata", 0x3000}, {".quarry8", 0x5000}}});
    system.AddRegion(kImage, kImage, 0x1000, kCommit, 0x02, kMemImage);
    system.AddRegion(kImage + 0x1000, kImage, 0x1000, kCommit, 0x20, kMemImage);
    system.AddRegion(kImage + 0x2000, kImage, 0x1000, kCommit, 0x80, kMemImage);
    system.AddRegion(kImage + 0x3000, kImage, 0x2000, kCommit, 0x02, kMemImage);
    system.AddRegion(kImage + 0x5000, kImage, 0x1000, kCommit, 0x08, kMemImage);
    system.mappedNames[0x7FF710000000] = u"\\??\\C:\\lib\\nodos.dll";
    system.AddRegion(0x7FF710000000, 0x7FF710000000, 0x1000, kCommit, 0x02, kMemImage);
    system.driveStrings = std::u16string(u"C:\\\0", 4);
    system.dosDevices[u"C:"] = u"\\Device\\HarddiskVolume1";
    system.mappedNames[0x7FF800000000] = u"\\Device\\HarddiskVolume1\\data\\map.bin";
    system.AddRegion(0x7FF800000000, 0x7FF800000000, 0x10000, kCommit, 0x02, kMemMapped);
    // Every other protection word, and modifiers the table does not split off.
    std::uint64_t region = 0x7FF900000000;
    for (const std::uint32_t protect : {0x01, 0x10, 0x40, 0x200, 0x400, 0x204}) {
        system.AddRegion(region, 0x7FF900000000, 0x1000, kCommit, protect, 0x80000);
        region += 0x1000;
    }
    return system;
}

TEST(MemoryMap, WritesEveryRowAndCellOfAnAnnotatedAddressSpace) {
    ScriptedTargetSystem system = AnnotatedProcess();
    RecordingRowWriter rows;
    BuildMemoryMap(system, rows);
    const Lines expected = {
        "0000000000010000 | Private | 4 KB | 4 KB | Read/Write | 1 | Process Environment Block | DCFADC",
        "  0000000000010000 | Private | 4 KB | 4 KB | Read/Write | - | Process Environment Block | DCFADC",
        "0000000000020000 | Private | 8 KB | 8 KB | Read/Write | 1 | Thread Environment Block ID: 7 | DCFADC",
        "  0000000000020000 | Private | 8 KB | 8 KB | Read/Write | - | Thread Environment Block ID: 7 | DCFADC",
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
        "0000020000000000 | Private | 4294967296 KB | 4294967296 KB | Read/Write | 1 | - | DCFADC",
        "  0000020000000000 | Private | 4294967296 KB | 4294967296 KB | Read/Write | - | - | DCFADC",
        R"(00007FF600000000 | Image | 24 KB | 24 KB | Execute/Read/WriteCopy | 5 | C:\app\prog.exe | DCDCFA)",
        "  00007FF600000000 | Image | 4 KB | 4 KB | Read | - | Header | DCDCFA",
        "  00007FF600001000 | Image | 4 KB | 4 KB | Execute/Read | - | .text | DCDCFA",
        "  00007FF600002000 | Image | 4 KB | 4 KB | Execute/WriteCopy | - | .text | DCDCFA",
        "  00007FF600003000 | Image | 8 KB | 8 KB | Read | - | .rdata | DCDCFA",
        "  00007FF600005000 | Image | 4 KB | 4 KB | Read/WriteCopy | - | .quarry8 | DCDCFA",
        R"(00007FF710000000 | Image | 4 KB | 4 KB | Read | 1 | C:\lib\nodos.dll | DCDCFA)",
        R"(  00007FF710000000 | Image | 4 KB | 4 KB | Read | - | "" | DCDCFA)",
        R"(00007FF800000000 | Mapped | 64 KB | 64 KB | Read | 1 | C:\data\map.bin | FADCDC)",
        "  00007FF800000000 | Mapped | 64 KB | 64 KB | Read | - | - | FADCDC",
        "00007FF900000000 | Unknown [00080000] | 24 KB | 24 KB | NoAccess/Execute/Read/Write/NoCache/WriteCombine | 6 | - | FFFFFF",
        "  00007FF900000000 | Unknown [00080000] | 4 KB | 4 KB | NoAccess | - | - | FFFFFF",
        "  00007FF900001000 | Unknown [00080000] | 4 KB | 4 KB | Execute | - | - | FFFFFF",
        "  00007FF900002000 | Unknown [00080000] | 4 KB | 4 KB | Execute/Read/Write | - | - | FFFFFF",
        "  00007FF900003000 | Unknown [00080000] | 4 KB | 4 KB | NoCache | - | - | FFFFFF",
        "  00007FF900004000 | Unknown [00080000] | 4 KB | 4 KB | WriteCombine | - | - | FFFFFF",
        "  00007FF900005000 | Unknown [00080000] | 4 KB | 4 KB | Reserved | - | - | FFFFFF",
    };
    EXPECT_EQ(rows.Lines(), expected);
    EXPECT_TRUE(rows.visible);
    EXPECT_EQ(rows.writesWhileVisible, 0) << "rows are written while the tree is shown";
}

// Free memory up to 0x10000, one page there, then `next` at 0x11000: a bad answer, or one
// that a target which ends does not give, ends the walk without another query.
TEST(MemoryMap, EndsTheWalkAtAFailedOrBrokenAnswerKeepingTheRowsSoFar) {
    const RegionInfo first{0x10000, 0x10000, 0x1000, kCommit, 0x04, kPrivate};
    const Lines firstRows = {"0000000000010000 | Private | 4 KB | 4 KB | Read/Write | 1 | - | DCFADC",
                             "  0000000000010000 | Private | 4 KB | 4 KB | Read/Write | - | - | DCFADC"};
    const RegionInfo toTheTop{0x11000, 0x11000, 0 - 0x11000ull, kCommit, 0x02, kPrivate};
    Lines topRows = firstRows;
    topRows.push_back("0000000000011000 | Private | 18014398509481916 KB | 18014398509481916 KB | Read | 1 | - | DCFADC");
    topRows.push_back("  0000000000011000 | Private | 18014398509481916 KB | 18014398509481916 KB | Read | - | - | DCFADC");
    const struct {
        const char* what;
        RegionInfo next;
        int callsLeft;
        Lines rows;
    } cases[] = {
        {"an empty region", {0x11000, 0x10000, 0, kCommit, 0x02, kPrivate}, 100, firstRows},
        {"the same region again: the walk would not move on", first, 100, firstRows},
        {"a region wrapping around", {0x11000, 0x10000, ~0ull, kCommit, 0x02, kPrivate}, 100, firstRows},
        {"a target that ends: no answer", toTheTop, 4 + 2, firstRows},
        {"a region that ends at the very top", toTheTop, 100, topRows},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedTargetSystem system;
        system.callsLeft = c.callsLeft;
        system.answers = {{0, {0, 0, 0x10000, kMemFree, 0x01, 0}}, {0x10000, first}, {0x11000, c.next}};
        RecordingRowWriter rows;
        BuildMemoryMap(system, rows);
        EXPECT_EQ(rows.Lines(), c.rows);
        EXPECT_TRUE(rows.visible);
        EXPECT_EQ(system.calls, 4 + 3) << "the thread, heap and environment block questions, then three regions";
    }
}

}  // namespace
}  // namespace quarry
