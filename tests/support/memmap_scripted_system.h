// TargetSystem as a table of answers: what a test puts in the fields is what the walk learns,
// including what Wine cannot show (heap lists, device paths, huge regions, a dying target).
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "memmap/target_system.h"
#include "memmap/vocabulary.h"

namespace quarry::test {

inline constexpr std::uint32_t kMemReserve = 0x2000;

class ScriptedTargetSystem final : public TargetSystem {
public:
    std::uint32_t processId = 100;
    // The layout: a query inside a region answers it, one in a gap answers a free region up
    // to the next, one past the last region fails.
    std::map<std::uint64_t, RegionInfo> regions;
    // Answers for a query at exactly this address, ahead of the layout: broken ones too.
    std::map<std::uint64_t, RegionInfo> answers;
    // Queries after this many fail, as when the target has died.
    int queriesBeforeDeath = 1 << 20;
    int queries = 0;
    // Runs in each query after death before it fails: a test can make the query never come
    // back, as Wine's may when the target ends while it is out.
    std::function<void()> onDeath;

    std::map<std::uint64_t, std::vector<std::uint8_t>> memory;  // readable blocks by address
    std::map<std::uint64_t, std::u16string> moduleNames, mappedNames;
    std::u16string driveStrings;
    std::map<std::u16string, std::u16string> dosDevices;
    std::vector<ThreadEntry> threads;
    std::map<std::uint32_t, ThreadBasics> threadBasics;
    std::vector<std::uint64_t> heaps;
    std::uint64_t pebAddress = 0;

    void AddRegion(std::uint64_t base, std::uint64_t allocationBase, std::uint64_t size, std::uint32_t state,
                   std::uint32_t protect, std::uint32_t type) {
        regions[base] = {base, allocationBase, size, state, protect, type};
    }

    std::uint32_t ProcessId() override { return processId; }

    bool QueryRegion(std::uint64_t address, RegionInfo& region) override {
        if (++queries > queriesBeforeDeath) {
            if (onDeath) onDeath();
            return false;
        }
        if (const auto answer = answers.find(address); answer != answers.end()) {
            region = answer->second;
            return true;
        }
        const auto next = regions.upper_bound(address);
        if (next != regions.begin()) {
            const RegionInfo& holder = std::prev(next)->second;
            if (address - holder.baseAddress < holder.regionSize) {
                region = holder;
                return true;
            }
        }
        if (next == regions.end()) return false;
        region = {address, 0, next->first - address, kMemFree, 0x01, 0};
        return true;
    }

    bool ReadMemory(std::uint64_t address, std::span<std::uint8_t> bytes) override {
        const auto next = memory.upper_bound(address);
        if (next == memory.begin()) return false;
        const auto& [start, block] = *std::prev(next);
        if (address - start > block.size() || bytes.size() > block.size() - (address - start)) return false;
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(address - start), bytes.size(), bytes.begin());
        return true;
    }

    std::u16string ModuleFileName(std::uint64_t moduleBase) override { return Lookup(moduleNames, moduleBase); }
    std::u16string MappedFileName(std::uint64_t address) override { return Lookup(mappedNames, address); }
    std::u16string LogicalDriveStrings() override { return driveStrings; }
    std::u16string DosDeviceName(const std::u16string& driveName) override { return Lookup(dosDevices, driveName); }
    std::vector<ThreadEntry> SnapshotThreads() override { return threads; }
    std::optional<ThreadBasics> QueryThread(std::uint32_t threadId) override {
        const auto found = threadBasics.find(threadId);
        return found == threadBasics.end() ? std::nullopt : std::optional(found->second);
    }
    std::vector<std::uint64_t> SnapshotHeaps() override { return heaps; }
    std::uint64_t QueryPebAddress() override { return pebAddress; }
    // Tests put a heap's kind in the first byte of its header.
    std::uint32_t HeapFrontEndKind(std::span<const std::uint8_t> headerCopy) override { return headerCopy[0]; }
    // Latin-1 stands in for the ANSI code page.
    std::u16string AnsiToText(std::string_view bytes) override {
        std::u16string text;
        for (const char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
        return text;
    }

private:
    template <typename Key>
    static std::u16string Lookup(const std::map<Key, std::u16string>& table, const Key& key) {
        const auto found = table.find(key);
        return found == table.end() ? std::u16string() : found->second;
    }
};

}  // namespace quarry::test
