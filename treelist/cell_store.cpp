#include "treelist/cell_store.h"

#include <algorithm>
#include <string>
#include <utility>

namespace quarry {
namespace {

// A row's block, in char16_t units:
//   [0, 2)    colour, low half first
//   [2, 4)    cell count
//   [4, 8)    value, lowest quarter first
//   [8, 24)   parent, first child, last child and next sibling, four units each
//   [24, 24 + ceil(count / 16))  set flags, one bit per cell
//   then the text of every set cell in column order, each with its terminator.
// Cell texts come from terminated strings and so hold no terminator of their own: the
// terminators alone delimit them. About 30 units of overhead per row instead of a string
// object per cell and a node per row keeps 100,000 rows small.
constexpr std::size_t kColourAt = 0;
constexpr std::size_t kCountAt = 2;
constexpr std::size_t kValueAt = 4;
constexpr std::size_t kParentAt = 8;
constexpr std::size_t kFirstChildAt = 12;
constexpr std::size_t kLastChildAt = 16;
constexpr std::size_t kNextSiblingAt = 20;
constexpr std::size_t kFlagsAt = 24;
constexpr int kFlagsPerUnit = 16;
constexpr std::size_t kFirstBucketCount = 17;

std::uint32_t ReadPair(const char16_t* at) { return at[0] | (std::uint32_t{at[1]} << 16); }

void WritePair(char16_t* at, std::uint32_t value) {
    at[0] = static_cast<char16_t>(value & 0xFFFF);
    at[1] = static_cast<char16_t>(value >> 16);
}

std::uint64_t ReadQuad(const char16_t* at) {
    std::uint64_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 16) | at[i];
    return value;
}

void WriteQuad(char16_t* at, std::uint64_t value) {
    for (int i = 0; i < 4; ++i, value >>= 16) at[i] = static_cast<char16_t>(value & 0xFFFF);
}

std::size_t TextLength(const char16_t* text) { return text ? std::char_traits<char16_t>::length(text) : 0; }

int CellCountOf(const char16_t* block) { return static_cast<int>(ReadPair(block + kCountAt)); }

std::size_t FlagUnits(int cellCount) {
    return (static_cast<std::size_t>(cellCount) + kFlagsPerUnit - 1) / kFlagsPerUnit;
}

const char16_t* FirstText(const char16_t* block) { return block + kFlagsAt + FlagUnits(CellCountOf(block)); }

bool IsSet(const char16_t* block, int column) {
    return (block[kFlagsAt + column / kFlagsPerUnit] >> (column % kFlagsPerUnit)) & 1u;
}

void MarkSet(char16_t* block, int column) {
    block[kFlagsAt + column / kFlagsPerUnit] |= static_cast<char16_t>(1u << (column % kFlagsPerUnit));
}

// Units a cell takes in the text area: its text and terminator, nothing when unset.
std::size_t StoredUnits(const char16_t* block, int column, const char16_t* text) {
    return IsSet(block, column) ? TextLength(text) + 1 : 0;
}

const char16_t* FindText(const char16_t* block, int column) {
    if (!IsSet(block, column)) return nullptr;
    const char16_t* text = FirstText(block);
    for (int c = 0; c < column; ++c) text += StoredUnits(block, c, text);
    return text;
}

std::unique_ptr<char16_t[]> MakeRow(int cellCount, const char16_t* text) {
    const std::size_t textAt = kFlagsAt + FlagUnits(cellCount);
    const std::size_t length = TextLength(text);
    // Zeroed: no flags, no value, no links, terminated.
    auto block = std::make_unique<char16_t[]>(textAt + length + 1);
    WritePair(block.get() + kColourAt, kDefaultRowColour);
    WritePair(block.get() + kCountAt, static_cast<std::uint32_t>(cellCount));
    MarkSet(block.get(), 0);
    std::copy_n(text, length, block.get() + textAt);
    return block;
}

// A copy of `block` whose cell `column` is set to `text`; `text` may point into `block`.
std::unique_ptr<char16_t[]> WithCellText(const char16_t* block, int column, const char16_t* text) {
    const int cellCount = CellCountOf(block);
    const char16_t* firstText = FirstText(block);
    const char16_t* end = firstText;
    for (int c = 0; c < cellCount; ++c) end += StoredUnits(block, c, end);
    const char16_t* oldText = FindText(block, column);
    const std::size_t oldUnits = oldText ? TextLength(oldText) + 1 : 0;
    const std::size_t newLength = TextLength(text);

    auto fresh = std::make_unique<char16_t[]>(static_cast<std::size_t>(end - block) - oldUnits + newLength + 1);
    char16_t* out = std::copy(block, firstText, fresh.get());
    MarkSet(fresh.get(), column);
    const char16_t* in = firstText;
    for (int c = 0; c < cellCount; ++c) {
        const std::size_t units = StoredUnits(block, c, in);
        if (c == column) {
            out = std::copy_n(text, newLength, out);
            *out++ = u'\0';
        } else {
            out = std::copy_n(in, units, out);
        }
        in += units;
    }
    return fresh;
}

}  // namespace

bool CellStore::InsertRow(RowHandle row, int cellCount, const char16_t* text, RowHandle parent,
                          RowHandle previous) {
    if (row == kNoRow || cellCount <= 0) return false;
    if (Slot* held = Find(row)) {
        // Same place in the tree, fresh cells.
        auto cells = MakeRow(cellCount, text);
        std::copy_n(held->cells.get() + kParentAt, kFlagsAt - kParentAt, cells.get() + kParentAt);
        held->cells = std::move(cells);
        return true;
    }
    if (parent != kNoRow && !Holds(parent)) return false;
    if (previous != kNoRow && (!Holds(previous) || Parent(previous) != parent)) return false;

    auto cells = MakeRow(cellCount, text);
    const RowHandle next = previous == kNoRow ? FirstChild(parent) : NextSibling(previous);
    WriteQuad(cells.get() + kParentAt, parent);
    WriteQuad(cells.get() + kNextSiblingAt, next);
    FindOrAdd(row).cells = std::move(cells);

    if (previous != kNoRow) SetLink(previous, kNextSiblingAt, row);
    const bool last = next == kNoRow;
    if (parent == kNoRow) {
        if (previous == kNoRow) firstTopLevel_ = row;
        if (last) lastTopLevel_ = row;
    } else {
        if (previous == kNoRow) SetLink(parent, kFirstChildAt, row);
        if (last) SetLink(parent, kLastChildAt, row);
    }
    return true;
}

bool CellStore::SetRowValue(RowHandle row, std::uint64_t value) {
    Slot* slot = Find(row);
    if (!slot) return false;
    WriteQuad(slot->cells.get() + kValueAt, value);
    return true;
}

std::uint64_t CellStore::RowValue(RowHandle row) const {
    const Slot* slot = Find(row);
    return slot ? ReadQuad(slot->cells.get() + kValueAt) : 0;
}

RowHandle CellStore::Parent(RowHandle row) const { return Link(row, kParentAt); }

RowHandle CellStore::FirstChild(RowHandle parent) const {
    return parent == kNoRow ? firstTopLevel_ : Link(parent, kFirstChildAt);
}

RowHandle CellStore::LastChild(RowHandle parent) const {
    return parent == kNoRow ? lastTopLevel_ : Link(parent, kLastChildAt);
}

RowHandle CellStore::NextSibling(RowHandle row) const { return Link(row, kNextSiblingAt); }

RowHandle CellStore::Link(RowHandle row, std::size_t at) const {
    const Slot* slot = Find(row);
    return slot ? static_cast<RowHandle>(ReadQuad(slot->cells.get() + at)) : kNoRow;
}

void CellStore::SetLink(RowHandle row, std::size_t at, RowHandle to) {
    if (Slot* slot = Find(row)) WriteQuad(slot->cells.get() + at, to);
}

bool CellStore::SetCellText(RowHandle row, int column, int headerCount, const char16_t* text) {
    Slot* slot = Find(row);
    if (!slot || column >= headerCount) return false;
    char16_t* block = slot->cells.get();
    if (column < 0 || column >= CellCountOf(block)) return false;

    // Rewriting a text of the same length (running totals) needs no new block. `move`,
    // since the caller may hand back the very text it read.
    const char16_t* oldText = FindText(block, column);
    const std::size_t length = TextLength(text);
    if (oldText && TextLength(oldText) == length) {
        std::char_traits<char16_t>::move(const_cast<char16_t*>(oldText), text, length);
        return true;
    }
    slot->cells = WithCellText(block, column, text);
    return true;
}

bool CellStore::GetCellText(RowHandle row, int column, int headerCount, char16_t* buffer, int capacity) const {
    const Slot* slot = Find(row);
    if (!slot || column >= headerCount) return false;
    const char16_t* text = CellText(row, column);
    if (!text || !buffer || capacity <= 0) return false;
    const std::size_t units = TextLength(text) + 1;
    if (units > static_cast<std::size_t>(capacity)) return false;
    std::copy_n(text, units, buffer);
    return true;
}

const char16_t* CellStore::CellText(RowHandle row, int column) const {
    const Slot* slot = Find(row);
    if (!slot) return nullptr;
    const char16_t* block = slot->cells.get();
    if (column < 0 || column >= CellCountOf(block)) return nullptr;
    return FindText(block, column);
}

int CellStore::CellCount(RowHandle row) const {
    const Slot* slot = Find(row);
    return slot ? CellCountOf(slot->cells.get()) : 0;
}

bool CellStore::SetRowColor(RowHandle row, std::uint32_t colour) {
    Slot* slot = Find(row);
    if (!slot) return false;
    WritePair(slot->cells.get() + kColourAt, colour);
    return true;
}

std::uint32_t CellStore::GetRowColor(RowHandle row) const {
    const Slot* slot = Find(row);
    return slot ? ReadPair(slot->cells.get() + kColourAt) : kDefaultRowColour;
}

void CellStore::DeleteAllRows() {
    std::vector<Slot>().swap(slots_);
    rowCount_ = 0;
    firstTopLevel_ = lastTopLevel_ = kNoRow;
}

const CellStore::Slot* CellStore::Find(RowHandle row) const {
    if (row == kNoRow || slots_.empty()) return nullptr;
    std::size_t i = static_cast<std::uint32_t>(row) % slots_.size();
    for (; slots_[i].row != kNoRow; i = (i + 1) % slots_.size())
        if (slots_[i].row == row) return &slots_[i];
    return nullptr;
}

CellStore::Slot* CellStore::Find(RowHandle row) { return const_cast<Slot*>(std::as_const(*this).Find(row)); }

CellStore::Slot& CellStore::FindOrAdd(RowHandle row) {
    if (Slot* slot = Find(row)) return *slot;
    // At most three quarters full, so probes stay short and always meet an empty slot.
    if ((rowCount_ + 1) * 4 > slots_.size() * 3) Grow();
    std::size_t i = static_cast<std::uint32_t>(row) % slots_.size();
    while (slots_[i].row != kNoRow) i = (i + 1) % slots_.size();
    slots_[i].row = row;
    ++rowCount_;
    return slots_[i];
}

// Odd sizes (17, 35, 71, ...): handles are aligned addresses, and an odd modulus spreads
// their low bits over every bucket.
void CellStore::Grow() {
    const std::size_t size = slots_.empty() ? kFirstBucketCount : slots_.size() * 2 + 1;
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(size));
    for (Slot& slot : old) {
        if (slot.row == kNoRow) continue;
        std::size_t i = static_cast<std::uint32_t>(slot.row) % slots_.size();
        while (slots_[i].row != kNoRow) i = (i + 1) % slots_.size();
        slots_[i] = std::move(slot);
    }
}

}  // namespace quarry
