#pragma once

#include "korvane/interfaces/int41_interface.h"

#include <array>

namespace korvane {

// An INT41 card whose registers read back what was written, except for bits stuck at 1.
class RegisterCard : public CInterfaceInt41Base {
public:
    explicit RegisterCard(InterfaceContext context) : CInterfaceInt41Base(context) {}

    std::string displayName() override { return "INT41 (Register)"; }
    bool isUsable() const override { return true; }
    void busWrite(int, int, int, int) override {}
    int busRead(int, int, int) override { return 0; }
    void writeRegister(int index, int value) override { m_registers.at(index) = value & 0xFF; }
    int readRegister(int index) override {
        if (index == kw::int41::reg::Status) {
            return 0;
        }
        if (index == kw::int41::reg::Doubled) {
            return kw::int41::doubledBits(
                static_cast<std::uint8_t>(m_registers[kw::int41::reg::Control] & 0x0F));
        }
        return m_registers.at(index) | stuckHigh.at(index);
    }

    std::array<int, 8> stuckHigh{};

private:
    std::array<int, 8> m_registers{};
};

} // namespace korvane
