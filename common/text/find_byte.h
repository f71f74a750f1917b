#pragma once

// Finding one byte in short text. Module lines are a few dozen bytes long, where a library
// memchr call costs more in set-up than the search itself: the first bytes are searched
// eight at a time in registers, the rest (long lines) by memchr.

#include <cstdint>
#include <cstring>

namespace kw {

inline const char* findByte(const char* text, std::size_t length, char byte) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    constexpr std::size_t kInlineBytes = 64;
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(byte);
    std::size_t i = 0;
    for (; i + 8 <= length && i < kInlineBytes; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text + i, 8);
        const std::uint64_t x = word ^ pattern;
        // Non-zero exactly when one of the eight bytes equals `byte`.
        if (((x - kOnes) & ~x & kHighs) != 0) {
            for (std::size_t j = i; j < i + 8; ++j) {
                if (text[j] == byte) {
                    return text + j;
                }
            }
        }
    }
    if (i >= kInlineBytes) {
        return static_cast<const char*>(std::memchr(text + i, byte, length - i));
    }
    for (; i < length; ++i) {
        if (text[i] == byte) {
            return text + i;
        }
    }
    return nullptr;
}

} // namespace kw
