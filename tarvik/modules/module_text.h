#pragma once

// Small text operations on module lines, shared by all module generators. Lines are bytes
// in the templates' 8-bit code page; nothing here decodes them.

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tarvik {

// Replaces every occurrence of `from` (scanning left to right, occurrences do not overlap,
// replaced text is not scanned again). Returns the number of replacements; an empty `from`
// replaces nothing.
int replaceAll(std::string& text, std::string_view from, std::string_view to);

// Removes every occurrence of `text`; returns how many were removed.
inline int removeAll(std::string& line, std::string_view text) {
    return replaceAll(line, text, {});
}

// The decimal number at the start of a text as a C library reads it: leading white space,
// an optional sign, then digits. 0 when there is none; numbers beyond the int range are
// clamped to it.
int leadingInt(std::string_view text);

// Whether `text` begins with `prefix`. Inline, and the first eight bytes are compared as one
// word: the statement tests of the generators run for every body line, whose keywords mostly
// differ there.
inline bool startsWith(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    if (prefix.size() >= 8) {
        std::uint64_t a;
        std::uint64_t b;
        std::memcpy(&a, text.data(), 8);
        std::memcpy(&b, prefix.data(), 8);
        if (a != b) {
            return false;
        }
    }
    return prefix.empty() || std::memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// An int as decimal text, formatted without an allocation: DecimalText(-12).view() == "-12".
class DecimalText {
public:
    explicit DecimalText(int value)
        : m_size(static_cast<std::size_t>(
              std::to_chars(m_digits, m_digits + sizeof m_digits, value).ptr - m_digits)) {}
    std::string_view view() const { return {m_digits, m_size}; }
    operator std::string_view() const { return view(); }

private:
    char m_digits[12]; // "-2147483648"
    std::size_t m_size;
};

// Whether the text begins with a decimal digit.
bool startsWithDigit(std::string_view text);

// The text without leading and trailing blanks, tabs and line-end characters.
std::string_view trimmed(std::string_view text);

// a + b clamped to the int range (template numbers come from files and may be anything).
// Inline: the card generators add offsets to every number they write.
inline int saturatingAdd(int a, int b) {
    const long long sum = static_cast<long long>(a) + b;
    return static_cast<int>(sum > INT_MAX ? INT_MAX : (sum < INT_MIN ? INT_MIN : sum));
}

} // namespace tarvik
