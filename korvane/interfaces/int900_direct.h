#pragma once

// The INT900 card reached directly through its I/O ports (where the platform allows it). The
// card is searched at the bases 0x300, 0x308, ... 0x338 by its identification codes.

#include "korvane/interfaces/int900_interface.h"

#include <chrono>
#include <cstdint>

namespace kw {
class PortIo;
}

namespace korvane {

class CInterfaceInt900Direct : public CInterfaceInt900Base {
public:
    CInterfaceInt900Direct();

    std::string displayName() override;
    bool isUsable() const override { return m_basePort != 0; }

    void busWrite(int systemAddress, int cardAddress, int functionAddress, int data) override;
    int busRead(int systemAddress, int cardAddress, int functionAddress) override;

    void writeRegister(int index, int value) override;
    int readRegister(int index) override;

    unsigned basePort() const { return m_basePort; }

    // How long the card may stay busy before an access is given up.
    static constexpr std::chrono::milliseconds kBusyLimit{1000};

private:
    bool waitReady();

    unsigned m_basePort = 0;
    kw::PortIo* m_ports = nullptr;
};

} // namespace korvane
