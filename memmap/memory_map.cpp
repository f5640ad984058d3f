#include "memmap/memory_map.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "memmap/address_table.h"
#include "memmap/annotations.h"
#include "memmap/image_sections.h"
#include "memmap/mapped_file_name.h"
#include "memmap/vocabulary.h"
#include "text/numbers.h"

namespace quarry {
namespace {

constexpr std::uint64_t kTopAddress = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kNoAllocation = kTopAddress;  // no allocation base is all ones

// Addresses and counts formatted on the stack: the walk writes several per region.
class NumberText {
public:
    const char16_t* Address(std::uint64_t address) {
        *WriteHex(text_, address, 16) = u'\0';
        return text_;
    }
    // The true count of KB at any size: a 2 TiB region is 2147483648 KB, not negative.
    const char16_t* Kilobytes(std::uint64_t bytes) {
        char16_t* end = WriteDecimal(text_, bytes >> 10);
        for (const char16_t c : std::u16string_view(u" KB")) *end++ = c;
        *end = u'\0';
        return text_;
    }
    const char16_t* Decimal(std::uint64_t value) {
        *WriteDecimal(text_, value) = u'\0';
        return text_;
    }

private:
    char16_t text_[32];
};

class MemoryMapBuilder {
public:
    MemoryMapBuilder(TargetSystem& system, RowWriter& rows) : system_(system), rows_(rows) {}

    void Build() {
        rows_.SetRowsVisible(false);
        CollectHeaps(system_, heaps_);
        CollectThreads(system_, system_.ProcessId(), tebs_, stacks_);
        pebAddress_ = system_.QueryPebAddress();
        // All texts up front: a union of the eight flags has only 256 values.
        for (ProtectFlags flags = 0; flags < protectTexts_.size(); ++flags) protectTexts_[flags] = FlagsToText(flags);
        Walk();
        rows_.SetRowsVisible(true);
    }

private:
    void Walk() {
        RegionInfo region;
        std::uint64_t address = 0;
        while (system_.WalkRegion(address, region)) {
            // A region that is empty, runs past the top of the address space or ends before
            // the address asked for would make the walk loop or go back: it ends the walk.
            if (region.regionSize == 0 || region.regionSize - 1 > kTopAddress - region.baseAddress) return;
            const std::uint64_t last = region.baseAddress + (region.regionSize - 1);
            if (last < address) return;
            TakeRegion(region);
            if (last == kTopAddress) return;
            address = last + 1;
        }
    }

    void TakeRegion(const RegionInfo& region) {
        if (region.state == kMemFree) return;  // free memory neither ends nor splits an allocation
        if (region.allocationBase != allocationBase_) OpenAllocation(region);
        AddRegion(region);
    }

    void OpenAllocation(const RegionInfo& region) {
        allocationBase_ = region.allocationBase;
        sizeTotal_ = commitTotal_ = blockCount_ = 0;
        flagUnion_ = 0;
        privateLabelDecided_ = false;
        // Section names never carry over from another allocation: an image whose header was
        // not read shows empty Details rather than a name of the image before it.
        sectionName_.clear();
        allocationRow_ = InsertRow(kNoRow, allocationBase_);
        if (allocationRow_ == kNoRow) return;
        rows_.SetCellText(allocationRow_, kColumnType, TypeText(region.type).c_str());
        rows_.SetRowColor(allocationRow_, TypeColour(region.type));
        WriteAllocationDetails(region);
    }

    void AddRegion(const RegionInfo& region) {
        // Without its allocation row a region row would pass for an allocation.
        if (allocationRow_ == kNoRow) return;
        const RowHandle row = InsertRow(allocationRow_, region.baseAddress);
        rows_.SetCellText(row, kColumnType, TypeText(region.type).c_str());
        rows_.SetRowColor(row, TypeColour(region.type));

        NumberText number;
        rows_.SetCellText(row, kColumnSize, number.Kilobytes(region.regionSize));
        sizeTotal_ += region.regionSize;
        rows_.SetCellText(allocationRow_, kColumnSize, number.Kilobytes(sizeTotal_));
        if (region.state == kMemCommit) {
            rows_.SetCellText(row, kColumnCommit, number.Kilobytes(region.regionSize));
            commitTotal_ += region.regionSize;
            rows_.SetCellText(allocationRow_, kColumnCommit, number.Kilobytes(commitTotal_));
        }
        const ProtectFlags flags = ProtectToFlags(region.protect);
        rows_.SetCellText(row, kColumnProtect, ProtectText(flags));
        flagUnion_ |= flags;
        rows_.SetCellText(allocationRow_, kColumnProtect, ProtectText(flagUnion_));
        rows_.SetCellText(allocationRow_, kColumnBlocks, number.Decimal(++blockCount_));
        WriteRegionDetails(row, region);
    }

    RowHandle InsertRow(RowHandle parent, std::uint64_t address) {
        NumberText number;
        const RowHandle row = rows_.InsertRow(number.Address(address), parent);
        if (row != kNoRow) rows_.SetRowValue(row, address);
        return row;
    }

    const char16_t* ProtectText(ProtectFlags flags) const { return protectTexts_[flags & 0xFF].c_str(); }

    void SetAllocationDetails(const std::u16string& text) { rows_.SetCellText(allocationRow_, kColumnDetails, text.c_str()); }

    // Decided by the type of the region that opened the allocation.
    void WriteAllocationDetails(const RegionInfo& region) {
        const std::uint32_t type = region.type;
        if (type == kMemMapped) {
            if (const std::optional<std::u16string> path = ResolveMappedFileName(system_, allocationBase_))
                SetAllocationDetails(*path);
        } else if (type == kMemImage) {
            OpenImage(region);
        } else if (type == kMemPrivate) {
            if (const std::optional<std::u16string>& label = PrivateLabel()) SetAllocationDetails(*label);
        }
    }

    // `first` is the allocation's first region, which holds the header.
    void OpenImage(const RegionInfo& first) {
        std::u16string path = system_.ModuleFileName(allocationBase_);
        if (path.empty()) path = ResolveMappedFileName(system_, allocationBase_).value_or(u"");
        if (!path.empty()) SetAllocationDetails(path);
        sections_.Clear();
        std::array<std::uint8_t, kImageHeaderReadSize> header;
        if (system_.ReadAll(allocationBase_, header, &first))
            ParseImageSections(allocationBase_, header, sections_,
                               [this](std::string_view name) { return system_.AnsiToText(name); });
    }

    // Decided anew for every region, by its own type.
    void WriteRegionDetails(RowHandle row, const RegionInfo& region) {
        if (region.type == kMemImage) {
            // A region that begins inside a section keeps the name of the region before it.
            if (const std::u16string* name = sections_.Find(region.baseAddress)) sectionName_ = *name;
            rows_.SetCellText(row, kColumnDetails, sectionName_.c_str());
        } else if (region.type == kMemPrivate) {
            if (const std::optional<std::u16string>& label = PrivateLabel()) {
                rows_.SetCellText(row, kColumnDetails, label->c_str());
            } else if (const std::uint32_t* threadId = stacks_.Find(region.baseAddress)) {
                // The limit marks the stack's committed top; the label belongs to the whole reservation.
                std::u16string text = u"Thread Stack [ID: ";
                AppendDecimal(text, *threadId);
                SetAllocationDetails(text += u']');
            }
        }
    }

    // What the current allocation's base makes it: process or thread environment block, or
    // a heap. Decided once per allocation, so a heap's header is read only once.
    const std::optional<std::u16string>& PrivateLabel() {
        if (!privateLabelDecided_) {
            privateLabel_ = MakePrivateLabel(allocationBase_);
            privateLabelDecided_ = true;
        }
        return privateLabel_;
    }

    std::optional<std::u16string> MakePrivateLabel(std::uint64_t base) {
        if (base == pebAddress_) return u"Process Environment Block";
        if (const std::uint32_t* threadId = tebs_.Find(base)) {
            std::u16string text = u"Thread Environment Block ID: ";
            AppendDecimal(text, *threadId);
            return text;
        }
        if (const std::uint32_t* ordinal = heaps_.Find(base)) {
            std::u16string text = u"Heap ID: ";
            AppendDecimal(text, *ordinal);
            return text.append(u" [").append(HeapFrontEndText(system_, base)).append(u"]");
        }
        return std::nullopt;
    }

    TargetSystem& system_;
    RowWriter& rows_;

    HeapTable heaps_;
    TebTable tebs_;
    StackTable stacks_;
    SectionTable sections_;
    std::uint64_t pebAddress_ = 0;
    std::array<std::u16string, 256> protectTexts_;

    // The allocation being filled.
    std::uint64_t allocationBase_ = kNoAllocation;
    RowHandle allocationRow_ = kNoRow;
    std::uint64_t sizeTotal_ = 0;
    std::uint64_t commitTotal_ = 0;
    std::uint64_t blockCount_ = 0;
    ProtectFlags flagUnion_ = 0;
    bool privateLabelDecided_ = false;
    std::optional<std::u16string> privateLabel_;
    std::u16string sectionName_;
};

}  // namespace

void BuildMemoryMap(TargetSystem& system, RowWriter& rows) { MemoryMapBuilder(system, rows).Build(); }

}  // namespace quarry
