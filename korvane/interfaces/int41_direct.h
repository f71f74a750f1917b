#pragma once

// An INT41 card reached directly through its I/O ports (where the platform allows it), at
// base port 0x310 or 0x318. No mutex: the ports belong to this program alone.

#include "korvane/interfaces/int41_interface.h"

#include <chrono>
#include <cstdint>

namespace kw {
class PortIo;
}

namespace korvane {

class CInterfaceInt41Direct : public CInterfaceInt41Base {
public:
    CInterfaceInt41Direct(InterfaceContext context, unsigned basePort);

    std::string displayName() override { return m_name; }
    bool isUsable() const override { return m_ports != nullptr; }

    void busWrite(int systemAddress, int cardAddress, int functionAddress, int data) override;
    int busRead(int systemAddress, int cardAddress, int functionAddress) override;

    void writeRegister(int index, int value) override;
    int readRegister(int index) override;

    // How long a bus cycle may keep the card busy before the access is given up.
    static constexpr std::chrono::milliseconds kBusyLimit{1000};

private:
    std::uint16_t port(int index) const { return static_cast<std::uint16_t>(m_basePort + index); }
    // Writes the four address and data registers in one 32-bit access.
    void writeAddressRegisters(int data, int control, int card, int system);
    void reportTimeout();

    kw::PortIo* m_ports = nullptr;
};

} // namespace korvane
