#include "sim/int900_registers.h"

#include "common/devices/int900_protocol.h"

namespace kw::sim {

namespace {

// The first word of the code sequence: high byte 0x33, low byte the card's revision.
constexpr std::uint16_t kFirstCode = (int900::kFirstCodeHighByte << 8) | 0x05;

} // namespace

std::uint16_t Int900Registers::read(int word) {
    switch (word) {
    case int900::reg::Status:
        return 0;
    case int900::reg::Command:
        return m_data;
    case int900::reg::Code: {
        // The sequence runs: first code, the five codes, then from the start again.
        const int index = m_codeIndex;
        m_codeIndex = (m_codeIndex + 1) % (1 + static_cast<int>(int900::kCodes.size()));
        return index == 0 ? kFirstCode : int900::kCodes[index - 1];
    }
    default:
        return 0;
    }
}

void Int900Registers::write(int word, std::uint16_t value) {
    if (word == int900::reg::Command) {
        command(value);
    } else if (word == int900::reg::Code && value == int900::kRestartCodes) {
        m_codeIndex = 0;
    }
}

void Int900Registers::command(std::uint16_t value) {
    switch (m_state) {
    case State::Idle:
        if (value == int900::kWriteCommand) {
            m_state = State::WriteAddress;
        } else if (value == int900::kReadCommand) {
            m_state = State::ReadAddress;
        }
        // 2 and 3 announce a read or write; the card waits for the command itself.
        break;
    case State::WriteAddress:
        m_address = value;
        m_state = State::WriteData;
        break;
    case State::WriteData:
        busWrite(m_address, value);
        m_state = State::Idle;
        break;
    case State::ReadAddress:
        busRead(value);
        m_state = State::Idle;
        break;
    }
}

void Int900Registers::busWrite(std::uint16_t address, std::uint16_t data) {
    m_rack.write(0, address & 0xFF, address >> 8, data);
}

void Int900Registers::busRead(std::uint16_t address) {
    m_data = m_rack.read(0, address & 0xFF, address >> 8);
    m_dataWaiting = true;
}

bool Int900Registers::takeReadData(std::uint16_t* value) {
    if (!m_dataWaiting) {
        return false;
    }
    *value = m_data;
    m_dataWaiting = false;
    return true;
}

} // namespace kw::sim
