#include "bench/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace quarry::bench {
namespace {

// Our own header before each block holds its size, so that delete knows what to subtract.
constexpr std::size_t kSizeHeader = 16;
constexpr std::size_t kHeapBlockHeader = 16;

std::size_t liveBytes = 0;
std::size_t liveBlocks = 0;

std::size_t Footprint(std::size_t size) { return (size + 15) / 16 * 16 + kHeapBlockHeader; }

void* Allocate(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kSizeHeader));
    if (!block) std::abort();  // out of memory is fatal, as everywhere in the program
    *reinterpret_cast<std::size_t*>(block) = size;
    liveBytes += Footprint(size);
    ++liveBlocks;
    return block + kSizeHeader;
}

void Release(void* pointer) {
    if (!pointer) return;
    auto* block = static_cast<unsigned char*>(pointer) - kSizeHeader;
    liveBytes -= Footprint(*reinterpret_cast<std::size_t*>(block));
    --liveBlocks;
    std::free(block);
}

}  // namespace

std::size_t LiveHeapBytes() { return liveBytes; }
std::size_t LiveHeapBlocks() { return liveBlocks; }

}  // namespace quarry::bench

void* operator new(std::size_t size) { return quarry::bench::Allocate(size); }
void* operator new[](std::size_t size) { return quarry::bench::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return quarry::bench::Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return quarry::bench::Allocate(size); }
void operator delete(void* pointer) noexcept { quarry::bench::Release(pointer); }
void operator delete[](void* pointer) noexcept { quarry::bench::Release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { quarry::bench::Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { quarry::bench::Release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { quarry::bench::Release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { quarry::bench::Release(pointer); }
