#pragma once

namespace tarvik {

// Identification of a switched-on test system: its type, expansion housings and the card at
// every position, read over the bus into the configuration.

class CSystemInfo;
class TestsystemConnection;

// Fills the configuration from the connected system. Positions that cannot take a card are
// skipped; an address whose card does not answer stays empty. False when a bus word failed
// even when tried again: its 0 would read as an empty position (or a wrong card), so the
// configuration filled in is not the system's and must not be used.
bool readFromHardware(CSystemInfo& system, TestsystemConnection& connection);

// Said when readFromHardware fails.
extern const char* const kHardwareReadFailedText;

} // namespace tarvik
