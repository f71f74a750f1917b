#pragma once

// The PC's I/O ports as the in-process simulator plays them: the cards of the simulated
// INT41 and INT900 adapters at their bases, the floating bus (0xFF) everywhere else. A 32-bit
// access to byte-wide registers is split into four byte accesses, as the PC bus does.

#include "common/devices/port_io.h"
#include "sim/simulator.h"

namespace kw::sim {

class SimulatedPorts : public PortIo {
public:
    explicit SimulatedPorts(Simulator& simulator) : m_simulator(simulator) {}

    std::uint8_t in8(std::uint16_t port) override;
    std::uint16_t in16(std::uint16_t port) override;
    void out8(std::uint16_t port, std::uint8_t value) override;
    void out16(std::uint16_t port, std::uint16_t value) override;
    void out32(std::uint16_t port, std::uint32_t value) override;

private:
    // The adapter whose card answers at a port, with the offset from its base.
    Adapter* cardAt(std::uint16_t port, int* offset);

    Simulator& m_simulator;
};

} // namespace kw::sim
