// The walk's lookup tables: hash tables keyed by an address in the target, so that every
// region costs a fixed number of lookups however many threads, heaps or sections there are.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

namespace quarry {

// Addresses of one kind differ in their low bits; the high ones are mostly alike.
struct AddressHash {
    std::size_t operator()(std::uint64_t address) const { return static_cast<std::uint32_t>(address); }
};

template <typename Value>
class AddressTable {
public:
    AddressTable() : map_(kStartBuckets) {}

    // An address already present gets the new value.
    void Set(std::uint64_t address, Value value) { map_.insert_or_assign(address, std::move(value)); }

    // Null when the address is not in the table.
    const Value* Find(std::uint64_t address) const {
        const auto found = map_.find(address);
        return found == map_.end() ? nullptr : &found->second;
    }

    void Clear() { map_.clear(); }
    std::size_t Size() const { return map_.size(); }

private:
    static constexpr std::size_t kStartBuckets = 17;
    std::unordered_map<std::uint64_t, Value, AddressHash> map_;
};

using TebTable = AddressTable<std::uint32_t>;        // environment block address -> thread id
using StackTable = AddressTable<std::uint32_t>;      // stack limit -> thread id
using HeapTable = AddressTable<std::uint32_t>;       // heap base -> position in the heap list, from 1
using SectionTable = AddressTable<std::u16string>;   // address in an image -> "Header" or section name

}  // namespace quarry
