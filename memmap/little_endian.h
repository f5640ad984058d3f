// Fields of structures copied out of the target: little-endian, at any offset, read byte by
// byte so that no alignment or aliasing rule is involved. Callers check the bounds first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quarry {

inline std::uint64_t LoadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
    return value;
}

inline std::uint16_t Load16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(LoadLittleEndian(bytes, offset, 2));
}
inline std::uint32_t Load32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(LoadLittleEndian(bytes, offset, 4));
}
inline std::uint64_t Load64(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return LoadLittleEndian(bytes, offset, 8);
}

}  // namespace quarry
