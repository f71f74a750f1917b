#pragma once

// The INT41 PC interface card: eight byte-wide registers at a base port address, reached
// through its driver or directly by port. The base holds what both ways share: the base port
// address, the register check, the ranges, the command-line match and the self-test.

#include "korvane/interfaces/byte_bus_ranges.h"
#include "korvane/interfaces/interface.h"
#include "korvane/interfaces/interface_context.h"

#include "common/devices/int41_protocol.h"

#include <memory>
#include <string>

namespace korvane {

class CInterfaceInt41Base : public ByteBusRanges<> {
public:
    ~CInterfaceInt41Base() override;

    bool isListed() override { return m_registerCheckPassed; }
    bool canSelfTest() override { return true; }
    void runSelfTest() override;
    bool matchesSelection(int kind, const std::string& text) const override;


    virtual void writeRegister(int index, int value) = 0;
    virtual int readRegister(int index) = 0;

    // 0 when none is known.
    unsigned basePort() const { return m_basePort; }

protected:
    explicit CInterfaceInt41Base(InterfaceContext context) : m_context(context) {}

    // The identity check: the check value goes into the control register, after which the
    // doubled-bit read-back must answer 0xCC.
    void checkRegisters(int checkValue);

    InterfaceContext& context() { return m_context; }

    unsigned m_basePort = 0;
    bool m_registerCheckPassed = false;
    std::string m_name; // built once

private:
    InterfaceContext m_context;
    std::unique_ptr<Int41ResultWindow> m_resultWindow;
};

// Reads a command-line address text as hexadecimal, the way strtoul does with base 16
// (leading blanks, an optional "0x"; no digits give 0).
unsigned parseHexAddress(const std::string& text);

} // namespace korvane
