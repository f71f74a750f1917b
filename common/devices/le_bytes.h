#pragma once

// Little-endian words and dwords in byte buffers, as the device contract lays them out.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kw::le {

inline void put16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void put32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    put16(bytes, offset, static_cast<std::uint16_t>(value));
    put16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

inline std::uint16_t get16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::uint32_t get32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return get16(bytes, offset) | (static_cast<std::uint32_t>(get16(bytes, offset + 2)) << 16);
}

} // namespace kw::le
