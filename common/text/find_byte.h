#pragma once

// Finding one byte in short text, and copying text up to one byte. Module lines are a few
// dozen bytes long, where a library memchr or memcpy call costs more in set-up than the work
// itself: the bytes are compared sixteen at a time in vector registers where the processor
// has them (SSE2 on every x86-64), else one at a time.

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kw {

namespace detail {

#if defined(__SSE2__)
constexpr std::size_t kChunk = 16;

// Bit i set when byte i of the chunk equals `byte`.
inline unsigned matches(const char* chunk, char byte) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(byte))));
}

inline std::size_t firstMatch(unsigned mask) {
    return static_cast<std::size_t>(__builtin_ctz(mask));
}
#else
// Without vector registers the chunks are eight bytes compared one by one.
constexpr std::size_t kChunk = 8;

inline unsigned matches(const char* chunk, char byte) {
    unsigned mask = 0;
    for (std::size_t i = 0; i < kChunk; ++i) {
        mask |= static_cast<unsigned>(chunk[i] == byte) << i;
    }
    return mask;
}

inline std::size_t firstMatch(unsigned mask) {
    std::size_t i = 0;
    while ((mask & 1u) == 0) {
        mask >>= 1;
        ++i;
    }
    return i;
}
#endif

// Whether any byte of the word equals `byte`: the word's bytes are compared with `byte` by
// the zero-byte test on their difference (exact: no false answers either way).
template <typename Word>
bool wordHolds(Word word, char byte) {
    constexpr Word ones = static_cast<Word>(~Word{0}) / 0xFF;
    const Word x = word ^ static_cast<Word>(ones * static_cast<unsigned char>(byte));
    return ((x - ones) & static_cast<Word>(~x) & static_cast<Word>(ones * 0x80)) != 0;
}

template <typename Word>
Word loadWord(const char* at) {
    Word word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Copies `length` bytes (sizeof(Word) to 2 * sizeof(Word)) as two words that may overlap.
template <typename Word> void copyEnds(char* out, const char* text, std::size_t length) {
    const Word first = loadWord<Word>(text);
    const Word last = loadWord<Word>(text + length - sizeof(Word));
    std::memcpy(out, &first, sizeof first);
    std::memcpy(out + length - sizeof(Word), &last, sizeof last);
}

// copyUntilByte for fewer than kChunk bytes: a line of 4 to 15 bytes without the byte is
// looked at and copied as two words.
template <typename Word>
bool copyShortWithout(char* out, const char* text, std::size_t length, char byte) {
    if (wordHolds(loadWord<Word>(text), byte) ||
        wordHolds(loadWord<Word>(text + length - sizeof(Word)), byte)) {
        return false;
    }
    copyEnds<Word>(out, text, length);
    return true;
}

} // namespace detail

// Copies `length` bytes: up to 16 with at most two loads and stores each, which a library
// memcpy call costs more than for the few bytes of a module line.
inline void copyBytes(char* out, const char* text, std::size_t length) {
    if (length >= 8 && length <= 16) {
        detail::copyEnds<std::uint64_t>(out, text, length);
    } else if (length >= 4 && length < 8) {
        detail::copyEnds<std::uint32_t>(out, text, length);
    } else if (length > 0) {
        std::memcpy(out, text, length);
    }
}

// The first `byte` in text[0, length), or nullptr.
inline const char* findByte(const char* text, std::size_t length, char byte) {
    if (length < detail::kChunk) {
        for (std::size_t i = 0; i < length; ++i) {
            if (text[i] == byte) {
                return text + i;
            }
        }
        return nullptr;
    }
    std::size_t i = 0;
    for (; i + detail::kChunk <= length; i += detail::kChunk) {
        if (const auto mask = detail::matches(text + i, byte)) {
            return text + i + detail::firstMatch(mask);
        }
    }
    // The rest as one last chunk that overlaps the one before.
    const std::size_t last = length - detail::kChunk;
    const auto mask = detail::matches(text + last, byte) >> (i - last);
    return mask != 0 ? text + i + detail::firstMatch(mask) : nullptr;
}

// Copies text[0, length) to `out` up to the first `byte` (not copied). Returns the number of
// bytes copied: `length` when the byte does not occur. `out` must have room for `length`.
inline std::size_t copyUntilByte(char* out, const char* text, std::size_t length, char byte) {
    if (length < detail::kChunk) {
        if (length >= 8 && detail::copyShortWithout<std::uint64_t>(out, text, length, byte)) {
            return length;
        }
        if (length >= 4 && length < 8 &&
            detail::copyShortWithout<std::uint32_t>(out, text, length, byte)) {
            return length;
        }
        for (std::size_t i = 0; i < length; ++i) {
            if (text[i] == byte) {
                return i;
            }
            out[i] = text[i];
        }
        return length;
    }
    std::size_t i = 0;
    for (; i + detail::kChunk <= length; i += detail::kChunk) {
        if (const auto mask = detail::matches(text + i, byte)) {
            const std::size_t found = i + detail::firstMatch(mask);
            std::memcpy(out + i, text + i, found - i);
            return found;
        }
        std::memcpy(out + i, text + i, detail::kChunk);
    }
    // The rest as one last chunk that overlaps the one before (its first bytes are copied
    // twice, with the same values).
    const std::size_t last = length - detail::kChunk;
    if (const auto mask = detail::matches(text + last, byte) >> (i - last)) {
        const std::size_t found = i + detail::firstMatch(mask);
        std::memcpy(out + i, text + i, found - i);
        return found;
    }
    std::memcpy(out + last, text + last, detail::kChunk);
    return length;
}

} // namespace kw
