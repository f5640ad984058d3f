// Reading the target's memory, by the one rule every reader goes through: only committed
// pages that are neither guard nor no-access pages are read, and nothing else is touched.
// On Windows a read of another process's guard page, even by a system call, clears its
// guard, and a thread's stack grows through that guard: reading it can crash the target
// later. Under Wine such reads succeed, so the rule is what keeps the two alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quarry {

inline constexpr std::uint32_t kMemCommit = 0x1000;
inline constexpr std::uint32_t kMemFree = 0x10000;
inline constexpr std::uint32_t kPageNoAccess = 0x01;
inline constexpr std::uint32_t kPageGuard = 0x100;

// The fields of the system's 48-byte region record that the program uses.
struct RegionInfo {
    std::uint64_t baseAddress = 0;
    std::uint64_t allocationBase = 0;
    std::uint64_t regionSize = 0;
    std::uint32_t state = 0;
    std::uint32_t protect = 0;
    std::uint32_t type = 0;
};

// Whether `address` lies in the region.
constexpr bool RegionHolds(const RegionInfo& region, std::uint64_t address) {
    return address >= region.baseAddress && address - region.baseAddress < region.regionSize;
}

// Whether the region's pages may be read without changing the target. A region has one
// state and one protection throughout, so one answer covers all its pages.
bool MayRead(const RegionInfo& region);

class ProcessMemory {
public:
    virtual ~ProcessMemory() = default;

    // The region that holds `address`; false when the target cannot say.
    virtual bool QueryRegion(std::uint64_t address, RegionInfo& region) = 0;

    // Reads at most bytes.size() bytes at `address`, once every region they lie in has been
    // asked for and may be read; otherwise fails without touching the target. The count
    // read, or nothing; the system may report success with fewer bytes, even none.
    // `known` is a region the caller has just asked for, so it is not asked again.
    std::optional<std::size_t> Read(std::uint64_t address, std::span<std::uint8_t> bytes,
                                     const RegionInfo* known = nullptr);
    // The same, true only when all of `bytes` was read.
    bool ReadAll(std::uint64_t address, std::span<std::uint8_t> bytes, const RegionInfo* known = nullptr);
    // Like Read, but reads the bytes up to the first region that may not be read, failing
    // only when the first may not: for a reader that goes through memory rather than asking
    // for particular bytes. `last`, when given, receives the last region asked for (the one
    // holding the last byte, or the one that may not be read), which a reader going on from
    // there need not ask again.
    std::optional<std::size_t> ReadReadable(std::uint64_t address, std::span<std::uint8_t> bytes,
                                             const RegionInfo* known = nullptr, RegionInfo* last = nullptr);

protected:
    // The bytes at `address` as the system gives them; asked only once the rule allowed it.
    virtual std::optional<std::size_t> ReadPages(std::uint64_t address, std::span<std::uint8_t> bytes) = 0;
    // For a memory that stands in front of another (the hang guard, a timer): the other's
    // pages, for a read that this one's rule has already allowed.
    static std::optional<std::size_t> ReadPagesOf(ProcessMemory& memory, std::uint64_t address,
                                                  std::span<std::uint8_t> bytes) {
        return memory.ReadPages(address, bytes);
    }

private:
    // How many of the `length` bytes from `address` lie in regions that may be read, up to
    // the first that may not; each region asked for once.
    std::uint64_t ReadableLength(std::uint64_t address, std::uint64_t length, const RegionInfo* known, RegionInfo* last);
};

}  // namespace quarry
