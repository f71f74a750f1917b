#pragma once

// Identification of a switched-on test system: its type, expansion housings and the card at
// every position, read over the bus into the configuration.

class CSystemInfo;
class TestsystemConnection;

// Fills the configuration from the connected system. Positions that cannot take a card are
// skipped; an address whose card does not answer stays empty (failed reads give 0).
void readFromHardware(CSystemInfo& system, TestsystemConnection& connection);
