#include "sim/int41_registers.h"

#include "common/devices/int41_protocol.h"

namespace kw::sim {

namespace reg = int41::reg;

Int41Registers::Int41Registers(RackModel& rack, const AdapterSpec& spec, const Rack& faults)
    : m_rack(rack), m_badCheck(spec.badCheck), m_busyReads(spec.busyReads),
      m_stuck(faults.stuckBits), m_shorted(faults.shortedBits) {}

std::uint8_t Int41Registers::read(int index) {
    switch (index) {
    case reg::Data:
    case reg::Control:
    case reg::Card:
    case reg::System:
        return readBack(index);
    case reg::ReadData:
        return m_registers[reg::ReadData];
    case reg::Status:
        if (m_busyLeft > 0) {
            --m_busyLeft;
            return 0x80;
        }
        return 0;
    case reg::Doubled:
        return m_badCheck ? 0 : int41::doubledBits(readBack(reg::Control) & 15);
    default:
        return 0;
    }
}

void Int41Registers::write(int index, std::uint8_t value) {
    if (index < 0 || index > 7) {
        return;
    }
    const std::uint8_t previous = m_registers[index];
    m_registers[index] = value;
    if (index != reg::Control) {
        return;
    }
    m_busyLeft = m_busyReads;
    if (!(previous & 0x80) || (value & 0x80)) {
        return; // bit 7 did not fall: no bus cycle
    }
    const int system = m_registers[reg::System];
    const int card = m_registers[reg::Card];
    const int function = value & 15;
    if (value & 0x40) {
        m_rack.write(system, card, function, m_registers[reg::Data]);
    } else {
        m_registers[reg::ReadData] =
            static_cast<std::uint8_t>(m_rack.read(system, card, function) & 0xFF);
    }
}

int Int41Registers::bitLevel(int reg, int bit) const {
    for (const StuckBit& stuck : m_stuck) {
        if (stuck.reg == reg && stuck.bit == bit) {
            return stuck.level;
        }
    }
    return (m_registers[reg] >> bit) & 1;
}

// The stored value as the card reads it back: stuck bits hold their level, shorted bits read
// as the AND of both (the lower level wins on a shorted line).
std::uint8_t Int41Registers::readBack(int index) const {
    std::uint8_t value = 0;
    for (int bit = 0; bit < 8; ++bit) {
        int level = bitLevel(index, bit);
        for (const ShortedBits& s : m_shorted) {
            if (s.regA == index && s.bitA == bit) {
                level &= bitLevel(s.regB, s.bitB);
            } else if (s.regB == index && s.bitB == bit) {
                level &= bitLevel(s.regA, s.bitA);
            }
        }
        value |= static_cast<std::uint8_t>(level << bit);
    }
    return value;
}

} // namespace kw::sim
