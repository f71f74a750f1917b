#pragma once

// Number formatting for the tool's texts, independent of the process locale (a German locale
// must not turn "12.5 µs" into "12,5 µs" in one run and not in another).

#include <string>

// Like printf "%g".
std::string formatGeneral(double value);
// Like printf "%x" (lower case, no leading zeros).
std::string formatHex(unsigned value);
// Like printf "%0*X" with the given width.
std::string formatHexUpper(unsigned value, int width);
