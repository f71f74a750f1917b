#pragma once

// The INT900 PC interface card: 16-bit registers, no system address, card addresses up to
// 255, function addresses up to 63 and 16-bit data. Reached through its driver or directly by
// port; neither way takes a mutex and neither can be selected from the command line.

#include "korvane/interfaces/interface.h"

#include "common/devices/int900_protocol.h"

namespace korvane {

class CInterfaceInt900Base : public CInterface {
public:
    int minSystemAddress() const override { return 0; }
    int maxSystemAddress() const override { return 0; }
    int minCardAddress() const override { return 0; }
    int maxCardAddress() const override { return 255; }
    int minFunctionAddress() const override { return 0; }
    int maxFunctionAddress() const override { return 63; }
    int minData() const override { return 0; }
    int maxData() const override { return 65535; }

    virtual void writeRegister(int index, int value) = 0;
    virtual int readRegister(int index) = 0;
};

class TextResultWindow;

// The driver self-test: starts the identification sequence and writes the expected and the
// read codes as lines for the user to compare; it gives no verdict of its own.
void runInt900DriverSelfTest(CInterfaceInt900Base& card, TextResultWindow& window);

} // namespace korvane
