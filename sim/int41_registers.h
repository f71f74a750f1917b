#pragma once

// The INT41 card's eight byte-wide registers, reached through the driver's register controls
// and, in process, through simulated direct port access.
//
// - Registers 0 to 3 read back what was written (through stuck and shorted bit faults).
// - Register 1 starts a bus cycle when its bit 7 falls: bit 6 set = write the data of
//   register 0, clear = read into register 4; function = its low four bits, card = register
//   2, system = register 3. Every write of register 1 makes register 5 show busy (bit 7) for
//   the adapter's busy count of reads.
// - Register 7 gives register 1's low four bits with each bit doubled (a bad-check card
//   answers 0 there).
// - Registers 4 (data) and 5 (status) read together as the 16-bit word at base + 4.

#include "sim/rack.h"
#include "sim/rack_model.h"

#include <array>
#include <cstdint>

namespace kw::sim {

class Int41Registers {
public:
    Int41Registers(RackModel& rack, const AdapterSpec& spec, const Rack& faults);

    std::uint8_t read(int index);
    void write(int index, std::uint8_t value);

private:
    std::uint8_t readBack(int index) const;
    int bitLevel(int reg, int bit) const;

    RackModel& m_rack;
    bool m_badCheck;
    int m_busyReads;
    std::vector<StuckBit> m_stuck;
    std::vector<ShortedBits> m_shorted;
    std::array<std::uint8_t, 8> m_registers{0, 0x80, 0, 0, 0, 0, 0, 0};
    int m_busyLeft = 0;
};

} // namespace kw::sim
