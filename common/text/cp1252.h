#pragma once

// Conversion between the 8-bit Windows-1252 texts of the test system's files and the UTF-8
// texts of the program. Every byte value maps to one code point and back, so that any byte
// read from a file survives a trip through the user interface unchanged: the five bytes that
// Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control code
// points of the same value.

#include <string>
#include <string_view>

namespace kw {

// Windows-1252 bytes to UTF-8. Never fails.
std::string cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252. A code point that has no Windows-1252 byte, and every malformed
// UTF-8 sequence, becomes "?".
std::string utf8ToCp1252(std::string_view utf8);

} // namespace kw
