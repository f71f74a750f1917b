#pragma once

namespace korvane {

// The self-test of the USB860 transmission. It needs a special self-test board plugged onto
// the transmission board, which echoes the addresses of each bus word: the user confirms that
// first. Row 0 steps the card address, row 1 the function address.

class BitsResultWindow;
class CInterface;
class InterfaceUserInterface;

extern const char* const kUsbSelfTestWarning;

void runUsb860SelfTest(CInterface& adapter, BitsResultWindow& window, InterfaceUserInterface& user);

} // namespace korvane
