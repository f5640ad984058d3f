// The system calls as a table of answers, for the walk, the pane and the dump: what a test
// puts in the fields is what they learn, including what Wine cannot show (heap lists, device
// paths, huge regions, a dying target, guard pages that a read would change). Every read
// that reaches it is recorded. And the dump's file in memory.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "memmap/process_memory.h"
#include "memmap/region_dump.h"
#include "memmap/target_system.h"
#include "memmap/vocabulary.h"

namespace quarry::test {

inline constexpr std::uint32_t kMemReserve = 0x2000;

class ScriptedTargetSystem final : public TargetSystem {
public:
    std::uint32_t processId = 100;
    // A query inside a region answers it, one in a gap a free region up to the next, one
    // past the last region fails; `answers` for a query at exactly that address come first.
    std::map<std::uint64_t, RegionInfo> regions, answers;
    // Readable blocks by address; an empty block reads as success with no bytes. The reads
    // that reached the target, as address and size, whether they succeeded or not.
    std::map<std::uint64_t, std::vector<std::uint8_t>> memory;
    std::vector<std::pair<std::uint64_t, std::size_t>> reads;
    std::map<std::uint64_t, std::u16string> moduleNames, mappedNames;
    std::u16string driveStrings;
    std::map<std::u16string, std::u16string> dosDevices;
    std::vector<ThreadEntry> threads;
    std::map<std::uint32_t, ThreadBasics> threadBasics;
    std::vector<std::uint64_t> heaps;
    std::uint64_t pebAddress = 0;
    // The target answers this many calls, then is gone: later ones run `onDeath` (which may
    // never come back, as Wine's may not) and fail. Finite, so no faulty loop runs for ever.
    int callsLeft = 100000;
    std::function<void()> onDeath;
    int calls = 0;

    void AddRegion(std::uint64_t base, std::uint64_t allocationBase, std::uint64_t size, std::uint32_t state,
                   std::uint32_t protect, std::uint32_t type) {
        regions[base] = {base, allocationBase, size, state, protect, type};
    }

    bool QueryRegion(std::uint64_t address, RegionInfo& region) override {
        if (Gone()) return false;
        if (const auto answer = answers.find(address); answer != answers.end()) return region = answer->second, true;
        const auto next = regions.upper_bound(address);
        if (next != regions.begin() && address - std::prev(next)->first < std::prev(next)->second.regionSize)
            return region = std::prev(next)->second, true;
        if (next == regions.end()) return false;
        region = {address, 0, next->first - address, kMemFree, 0x01, 0};
        return true;
    }

    std::optional<std::size_t> ReadPages(std::uint64_t address, std::span<std::uint8_t> bytes) override {
        if (Gone()) return std::nullopt;
        reads.emplace_back(address, bytes.size());
        const auto next = memory.upper_bound(address);
        if (next == memory.begin()) return std::nullopt;
        const auto& [start, block] = *std::prev(next);
        if (block.empty() && start == address) return 0;
        if (address - start >= block.size() || bytes.size() > block.size() - (address - start)) return std::nullopt;
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(address - start), bytes.size(), bytes.begin());
        return bytes.size();
    }

    std::uint32_t ProcessId() override { return Gone() ? 0 : processId; }
    std::u16string ModuleFileName(std::uint64_t base) override { return Gone() ? u"" : Find(moduleNames, base).value_or(u""); }
    std::u16string MappedFileName(std::uint64_t address) override {
        return Gone() ? u"" : Find(mappedNames, address).value_or(u"");
    }
    std::vector<ThreadEntry> SnapshotThreads() override { return Gone() ? std::vector<ThreadEntry>() : threads; }
    std::optional<ThreadBasics> QueryThread(std::uint32_t id) override { return Gone() ? std::nullopt : Find(threadBasics, id); }
    std::vector<std::uint64_t> SnapshotHeaps() override { return Gone() ? std::vector<std::uint64_t>() : heaps; }
    std::uint64_t QueryPebAddress() override { return Gone() ? 0 : pebAddress; }

    // Questions to this machine, not to the target: they go on working when it is gone.
    std::u16string LogicalDriveStrings() override { return driveStrings; }
    std::u16string DosDeviceName(const std::u16string& drive) override { return Find(dosDevices, drive).value_or(u""); }
    // Tests put a heap's kind in the first byte of its header.
    std::uint32_t HeapFrontEndKind(std::span<const std::uint8_t> headerCopy) override { return headerCopy[0]; }
    // ASCII stands in for the ANSI code page.
    std::u16string AnsiToText(std::string_view bytes) override { return {bytes.begin(), bytes.end()}; }

private:
    bool Gone() {
        ++calls;
        if (callsLeft-- > 0) return false;
        if (onDeath) onDeath();
        return true;
    }
    template <typename Key, typename Value>
    static std::optional<Value> Find(const std::map<Key, Value>& table, const Key& key) {
        const auto found = table.find(key);
        return found == table.end() ? std::nullopt : std::optional(found->second);
    }
};

// `size` bytes of a pattern by address from `from`: it never lines up with pages, so a byte
// read from or written to the wrong place shows.
inline std::vector<std::uint8_t> PatternAt(std::uint64_t from, std::uint64_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::uint64_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((from + i) * 7 % 251 + 1);
    return bytes;
}

// A thread stack's shape, then a read-only page and a read-only guard page, patterned
// throughout as Wine would give any page: only the read-write and read-only pages may be read.
struct StackShaped {
    static constexpr std::uint64_t kBase = 0x10000000, kNoAccess = kBase + 0x2000, kGuard = kBase + 0x3000,
                                   kReadWrite = kBase + 0x4000, kReadOnly = kBase + 0x6000, kLastGuard = kBase + 0x7000,
                                   kEnd = kBase + 0x8000;

    static ScriptedTargetSystem Target() {
        ScriptedTargetSystem target;
        target.AddRegion(kBase, kBase, 0x2000, kMemReserve, 0, kMemPrivate);
        target.AddRegion(kNoAccess, kBase, 0x1000, kMemCommit, 0x01, kMemPrivate);
        target.AddRegion(kGuard, kBase, 0x1000, kMemCommit, 0x104, kMemPrivate);
        target.AddRegion(kReadWrite, kBase, 0x2000, kMemCommit, 0x04, kMemPrivate);
        target.AddRegion(kReadOnly, kBase, 0x1000, kMemCommit, 0x02, kMemPrivate);
        target.AddRegion(kLastGuard, kBase, 0x1000, kMemCommit, 0x102, kMemPrivate);
        target.memory[kBase] = PatternAt(kBase, kEnd - kBase);
        return target;
    }
    // Whether every read that reached the target lay in its readable pages.
    static bool OnlyReadablePagesRead(const ScriptedTargetSystem& target) {
        return std::all_of(target.reads.begin(), target.reads.end(),
                           [](const auto& read) { return read.first >= kReadWrite && read.first + read.second <= kLastGuard; });
    }
};

// A dump file in memory; writes and skips fail once `callsLeft` are used up.
class MemoryFile final : public DumpFile {
public:
    std::vector<std::uint8_t> contents;
    int callsLeft = 1000000;

    bool Write(std::span<const std::uint8_t> bytes) override {
        if (callsLeft-- <= 0) return false;
        contents.insert(contents.end(), bytes.begin(), bytes.end());
        return true;
    }
    bool Skip(std::uint64_t count) override {
        if (callsLeft-- <= 0) return false;
        contents.resize(contents.size() + count);
        return true;
    }
};

}  // namespace quarry::test
