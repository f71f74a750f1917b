#pragma once

// Number formatting for the tool's texts, independent of the process locale (a German locale
// must not turn "12.5 µs" into "12,5 µs" in one run and not in another).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

// Like printf "%g".
std::string formatGeneral(double value);
// Like printf "%x" (lower case, no leading zeros).
std::string formatHex(unsigned value);
// Like printf "%0*X" with the given width.
std::string formatHexUpper(unsigned value, int width);

// Reads a decimal number at the start of text the way strtol does with base 10: leading blanks
// (space, tab, line feed, vertical tab, form feed, carriage return) and one sign are accepted.
// Without any digit nothing is consumed (consumed = 0) and the value is 0. Values beyond the
// 32-bit range are clamped, as strtol does where long has 32 bits.
std::int32_t parseDecimal(std::string_view text, std::size_t& consumed);

// The blanks parseDecimal skips.
bool isCBlank(char c);

} // namespace korvane
