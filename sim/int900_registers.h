#pragma once

// The INT900 card's 16-bit registers (see int900_protocol.h), numbered by word: 0 status
// (never busy here), 1 command and data, 3 identification code sequence. Bus words have no
// system address; the rack sees them at system 0.

#include "sim/rack_model.h"

#include <cstdint>

namespace kw::sim {

class Int900Registers {
public:
    explicit Int900Registers(RackModel& rack) : m_rack(rack) {}

    std::uint16_t read(int word);
    void write(int word, std::uint16_t value);

    // The driver's plain transfers: one bus write, or a bus read whose data is then waiting.
    void busWrite(std::uint16_t address, std::uint16_t data);
    void busRead(std::uint16_t address);
    // The data of the last bus read, taken once; false when none is waiting.
    bool takeReadData(std::uint16_t* value);

private:
    enum class State { Idle, WriteAddress, WriteData, ReadAddress };

    void command(std::uint16_t value);

    RackModel& m_rack;
    State m_state = State::Idle;
    std::uint16_t m_address = 0;
    std::uint16_t m_data = 0;
    bool m_dataWaiting = false;
    int m_codeIndex = 0;
};

} // namespace kw::sim
