// ProcessMemory and DumpFile as tables of answers: regions, readable bytes, and the calls
// that fail or answer oddly, so that the dump and the pane meet every case Windows can give.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "memmap/process_memory.h"
#include "memmap/region_dump.h"

namespace quarry::test {

class ScriptedProcessMemory final : public ProcessMemory {
public:
    std::map<std::uint64_t, RegionInfo> regions;           // by base; a query answers its holder
    std::map<std::uint64_t, std::vector<std::uint8_t>> memory;  // readable blocks by address
    std::set<std::uint64_t> failingQueries;                // queries at these addresses fail
    std::set<std::uint64_t> emptyReads;                    // reads here succeed with no bytes
    // Reads past this many fail, so that a copy that would loop for ever ends in a failed
    // expectation on `reads` instead of a hang.
    std::size_t readLimit = 10000;
    // Queries and reads after this many fail, as when the target has died, each first
    // running `onDeath`: a test can make such a call never come back, as Wine's may.
    std::size_t callsBeforeDeath = SIZE_MAX;
    std::function<void()> onDeath;
    std::vector<std::uint64_t> queried;
    std::vector<std::pair<std::uint64_t, std::size_t>> reads;  // address and size asked for

    bool Dead() {
        if (queried.size() + reads.size() <= callsBeforeDeath) return false;
        if (onDeath) onDeath();
        return true;
    }

    void AddRegion(std::uint64_t base, std::uint64_t size, std::uint32_t state) {
        regions[base] = {base, base, size, state, 0x04, 0x20000};
    }

    bool QueryRegion(std::uint64_t address, RegionInfo& region) override {
        queried.push_back(address);
        if (Dead() || failingQueries.count(address)) return false;
        const auto next = regions.upper_bound(address);
        if (next == regions.begin()) return false;
        const RegionInfo& holder = std::prev(next)->second;
        if (address - holder.baseAddress >= holder.regionSize) return false;
        region = holder;
        return true;
    }

    // Whole blocks only, like the system: a read that runs past readable bytes fails.
    std::optional<std::size_t> Read(std::uint64_t address, std::span<std::uint8_t> bytes) override {
        reads.emplace_back(address, bytes.size());
        if (reads.size() > readLimit) return std::nullopt;
        if (Dead()) return std::nullopt;
        if (emptyReads.count(address)) return 0;
        const auto next = memory.upper_bound(address);
        if (next == memory.begin()) return std::nullopt;
        const auto& [start, block] = *std::prev(next);
        if (address - start >= block.size() || bytes.size() > block.size() - (address - start)) return std::nullopt;
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(address - start), bytes.size(), bytes.begin());
        return bytes.size();
    }
};

// A file in memory with a position; writes or skips fail from a given call on.
class RecordingDumpFile final : public DumpFile {
public:
    std::vector<std::uint8_t> contents;
    std::uint64_t position = 0;
    int writesBeforeFailure = 1 << 30;
    int skipsBeforeFailure = 1 << 30;

    bool Write(std::span<const std::uint8_t> bytes) override {
        if (writesBeforeFailure-- <= 0) return false;
        if (contents.size() < position + bytes.size()) contents.resize(position + bytes.size());
        std::copy(bytes.begin(), bytes.end(), contents.begin() + static_cast<std::ptrdiff_t>(position));
        position += bytes.size();
        return true;
    }
    bool Skip(std::uint64_t count) override {
        if (skipsBeforeFailure-- <= 0) return false;
        position += count;
        if (contents.size() < position) contents.resize(position);
        return true;
    }
};

}  // namespace quarry::test
