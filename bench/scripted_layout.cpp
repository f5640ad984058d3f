#include "bench/scripted_layout.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "memmap/vocabulary.h"
#include "support/memmap_image_header.h"

namespace quarry::bench {
namespace {

constexpr std::uint64_t kPage = 0x1000;
constexpr std::uint64_t kGranularity = 0x10000;
constexpr std::uint32_t kNoAccess = 0x01, kReadOnly = 0x02, kReadWrite = 0x04, kExecuteRead = 0x20,
                        kExecuteReadWrite = 0x40, kGuard = 0x100;
constexpr std::uint32_t kReserved = test::kMemReserve;

// How many of each kind; private allocations take what is left.
constexpr std::size_t kImages = 300;
constexpr std::size_t kThreads = 400;  // a stack and an environment block each
constexpr std::size_t kHeaps = 60;
constexpr std::size_t kHeapRegions = 20;
constexpr std::size_t kMappedFiles = 1500;
constexpr std::size_t kReservedRanges = 3000;
constexpr std::size_t kLastAllocationRegions = 4;

enum class Kind { Image, Thread, Heap, MappedFile, ReservedRange, Private };

std::u16string Utf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class LayoutBuilder {
public:
    ScriptedLayout Build(std::size_t allocations, std::size_t regions) {
        layout_.system.driveStrings = std::u16string(u"C:\\\0D:\\\0Z:\\\0", 12);
        layout_.system.dosDevices = {{u"C:", u"\\Device\\HarddiskVolume3"},
                                     {u"D:", u"\\Device\\HarddiskVolume4"},
                                     {u"Z:", u"\\Device\\HarddiskVolume2"}};
        AddPeb();
        const std::vector<Kind> kinds = ShuffledKinds(allocations - 1 - kThreads - 1);
        std::vector<std::size_t> privateRegions =
            PrivateRegionCounts(kinds, regions - FixedRegions() - kLastAllocationRegions);
        std::size_t image = 0, thread = 0, heap = 0, mapped = 0;
        for (const Kind kind : kinds) {
            switch (kind) {
                case Kind::Image: AddImage(image++); break;
                case Kind::Thread: AddThread(thread++); break;
                case Kind::Heap: AddHeap(heap++); break;
                case Kind::MappedFile: AddMappedFile(mapped++); break;
                case Kind::ReservedRange: AddReservedRange(); break;
                case Kind::Private:
                    AddPrivate(privateRegions.back());
                    privateRegions.pop_back();
                    break;
            }
        }
        AddPrivate(kLastAllocationRegions);
        return std::move(layout_);
    }

private:
    // Each thread opens two allocations, its stack and its environment block.
    std::vector<Kind> ShuffledKinds(std::size_t slots) {
        std::vector<Kind> kinds;
        kinds.insert(kinds.end(), kImages, Kind::Image);
        kinds.insert(kinds.end(), kThreads, Kind::Thread);
        kinds.insert(kinds.end(), kHeaps, Kind::Heap);
        kinds.insert(kinds.end(), kMappedFiles, Kind::MappedFile);
        kinds.insert(kinds.end(), kReservedRanges, Kind::ReservedRange);
        kinds.insert(kinds.end(), slots - kinds.size(), Kind::Private);
        // Fisher-Yates with our own draws: std::shuffle may differ between libraries.
        for (std::size_t i = kinds.size() - 1; i > 0; --i) std::swap(kinds[i], kinds[Pick(i + 1)]);
        return kinds;
    }

    static constexpr std::size_t ImageRegions(std::size_t image) { return 6 + (image % 3 == 0); }
    static std::size_t FixedRegions() {
        std::size_t images = 0;
        for (std::size_t i = 0; i < kImages; ++i) images += ImageRegions(i);
        return 1 + images + kThreads * 4 + kHeaps * kHeapRegions + kMappedFiles + kMappedFiles / 2 + kReservedRanges;
    }

    // From 1 to about twice the average each, summing to exactly `regions`.
    std::vector<std::size_t> PrivateRegionCounts(const std::vector<Kind>& kinds, std::size_t regions) {
        const auto count = static_cast<std::size_t>(std::count(kinds.begin(), kinds.end(), Kind::Private));
        const std::size_t average = regions / count;
        std::vector<std::size_t> counts(count);
        std::size_t sum = 0;
        for (std::size_t& c : counts) sum += c = 1 + Pick(2 * average - 1);
        for (std::size_t i = 0; sum != regions; i = (i + 1) % count) {
            if (sum < regions) {
                ++counts[i];
                ++sum;
            } else if (counts[i] > 1) {
                --counts[i];
                --sum;
            }
        }
        return counts;
    }

    std::uint64_t Pick(std::uint64_t bound) {
        // A 64-bit linear congruential generator: the same draws on every platform.
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return (state_ >> 33) % bound;
    }

    std::uint64_t Pages(std::uint64_t most) { return kPage * (1 + Pick(most)); }

    // The next allocation base, after a free gap every other time.
    std::uint64_t OpenAllocation() {
        if (Pick(2) == 0) next_ += kGranularity * (1 + Pick(4));
        next_ = (next_ + kGranularity - 1) / kGranularity * kGranularity;
        ++layout_.allocations;
        return next_;
    }

    void AddRegion(std::uint64_t allocation, std::uint64_t size, std::uint32_t state, std::uint32_t protect,
                   std::uint32_t type) {
        layout_.system.AddRegion(next_, allocation, size, state, state == kReserved ? 0 : protect, type);
        layout_.lastRegion = next_;
        next_ += size;
        ++layout_.regions;
    }

    void AddPeb() {
        const std::uint64_t base = OpenAllocation();
        layout_.system.pebAddress = base;
        AddRegion(base, kPage, kMemCommit, kReadWrite, kMemPrivate);
    }

    // The header page, then five sections, one of them now and then split in two by a
    // change of protection, so that a region starts inside it.
    void AddImage(std::size_t index) {
        const std::uint64_t base = OpenAllocation();
        AddRegion(base, kPage, kMemCommit, kReadOnly, kMemImage);
        test::CraftedImage header;
        const struct {
            const char* name;
            std::uint32_t protect;
        } sections[] = {{".text", kExecuteRead}, {".rdata", kReadOnly}, {".data", kReadWrite}, {".pdata", kReadOnly},
                        {".reloc", kReadOnly}};
        for (const auto& section : sections) {
            header.sections.push_back({section.name, static_cast<std::uint32_t>(next_ - base)});
            AddRegion(base, Pages(16), kMemCommit, section.protect, kMemImage);
            if (section.protect == kExecuteRead && ImageRegions(index) == 7)
                AddRegion(base, Pages(2), kMemCommit, kReadWrite, kMemImage);
        }
        layout_.system.memory[base] = test::CraftImageHeader(header);
        layout_.system.moduleNames[base] = Utf16("C:\\Windows\\System32\\module" + std::to_string(index) + ".dll");
    }

    // A reserved stack whose committed top lies under a guard page, and its own environment
    // block, whose first bytes name the stack's limit.
    void AddThread(std::size_t index) {
        const auto threadId = static_cast<std::uint32_t>(1000 + 4 * index);
        const std::uint64_t stack = OpenAllocation();
        AddRegion(stack, 0xFC000, kReserved, 0, kMemPrivate);
        AddRegion(stack, kPage, kMemCommit, kReadWrite | kGuard, kMemPrivate);
        const std::uint64_t limit = next_;
        AddRegion(stack, 3 * kPage, kMemCommit, kReadWrite, kMemPrivate);

        const std::uint64_t teb = OpenAllocation();
        AddRegion(teb, 2 * kPage, kMemCommit, kReadWrite, kMemPrivate);
        std::vector<std::uint8_t> tib(56);
        for (int i = 0; i < 8; ++i) tib[16 + i] = static_cast<std::uint8_t>(limit >> (8 * i));
        layout_.system.memory[teb] = tib;
        layout_.system.threads.push_back({threadId, layout_.system.processId});
        layout_.system.threadBasics[threadId] = {teb, threadId};
    }

    // Committed and reserved stretches by turns; the header's first byte is the front-end kind.
    void AddHeap(std::size_t index) {
        const std::uint64_t base = OpenAllocation();
        for (std::size_t i = 0; i < kHeapRegions; ++i)
            AddRegion(base, Pages(32), i % 2 == 0 ? kMemCommit : kReserved, kReadWrite, kMemPrivate);
        std::vector<std::uint8_t> header(512);
        header[0] = static_cast<std::uint8_t>(index % 3);
        layout_.system.memory[base] = header;
        layout_.system.heaps.push_back(base);
    }

    // Views of files on two volumes, named in device form; every other one is two regions.
    void AddMappedFile(std::size_t index) {
        const std::uint64_t base = OpenAllocation();
        AddRegion(base, Pages(64), kMemCommit, kReadOnly, kMemMapped);
        if (index % 2 == 1) AddRegion(base, Pages(64), kReserved, 0, kMemMapped);
        const std::string volume = index % 4 == 0 ? "4" : "3";
        layout_.system.mappedNames[base] =
            Utf16("\\Device\\HarddiskVolume" + volume + "\\ProgramData\\cache\\file" + std::to_string(index) + ".dat");
    }

    void AddReservedRange() {
        const std::uint64_t base = OpenAllocation();
        AddRegion(base, kGranularity * (1 + Pick(64)), kReserved, 0, kMemPrivate);
    }

    // Committed pieces of varied protection among reserved ones, as run-time code and data have.
    void AddPrivate(std::size_t regionCount) {
        static constexpr std::uint32_t kProtections[] = {kReadWrite, kReadOnly, kExecuteRead, kExecuteReadWrite,
                                                         kNoAccess, kReadWrite | kGuard};
        const std::uint64_t base = OpenAllocation();
        for (std::size_t i = 0; i < regionCount; ++i) {
            if (i % 2 == 1)
                AddRegion(base, Pages(16), kReserved, 0, kMemPrivate);
            else
                AddRegion(base, Pages(16), kMemCommit, kProtections[Pick(std::size(kProtections))], kMemPrivate);
        }
    }

    ScriptedLayout layout_;
    std::uint64_t next_ = kGranularity;
    std::uint64_t state_ = 0x5155415252590001ULL;
};

}  // namespace

ScriptedLayout MakeScriptedLayout(std::size_t allocations, std::size_t regions) {
    return LayoutBuilder().Build(allocations, regions);
}

}  // namespace quarry::bench
