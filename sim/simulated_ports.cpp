#include "sim/simulated_ports.h"

namespace kw::sim {

Adapter* SimulatedPorts::cardAt(std::uint16_t port, int* offset) {
    for (std::size_t i = 0; i < m_simulator.size(); ++i) {
        Adapter& adapter = m_simulator.adapter(i);
        const int base = adapter.portBase();
        if (base != 0 && port >= base && port < base + Adapter::kPortSpan) {
            *offset = port - base;
            return &adapter;
        }
    }
    return nullptr;
}

std::uint8_t SimulatedPorts::in8(std::uint16_t port) {
    int offset = 0;
    Adapter* card = cardAt(port, &offset);
    return card ? card->portIn8(offset) : 0xFF;
}

std::uint16_t SimulatedPorts::in16(std::uint16_t port) {
    int offset = 0;
    Adapter* card = cardAt(port, &offset);
    return card ? card->portIn16(offset) : 0xFFFF;
}

void SimulatedPorts::out8(std::uint16_t port, std::uint8_t value) {
    int offset = 0;
    if (Adapter* card = cardAt(port, &offset)) {
        card->portOut8(offset, value);
    }
}

void SimulatedPorts::out16(std::uint16_t port, std::uint16_t value) {
    int offset = 0;
    if (Adapter* card = cardAt(port, &offset)) {
        card->portOut16(offset, value);
    }
}

void SimulatedPorts::out32(std::uint16_t port, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out8(static_cast<std::uint16_t>(port + i), static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

} // namespace kw::sim
