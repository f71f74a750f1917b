#pragma once

// The INT900 card with its driver: register controls with 16-bit index and value, bus words
// as plain transfers (int900_protocol.h), and direct port access to the 16-bit registers
// (register n at base + 2n). A read transfer with no bus read before it fails with ETIMEDOUT.

#include "sim/adapter.h"
#include "sim/int900_registers.h"

namespace kw::sim {

class Int900Adapter : public PcCardAdapter {
public:
    Int900Adapter(const AdapterSpec& setup, const Rack& rack, int instance);

    std::uint8_t portIn8(int offset) override;
    std::uint16_t portIn16(int offset) override { return m_registers.read(offset / 2); }
    void portOut8(int offset, std::uint8_t value) override { portOut16(offset, value); }
    void portOut16(int offset, std::uint16_t value) override {
        m_registers.write(offset / 2, value);
    }

protected:
    DeviceReply handle(int pipe, const DeviceRequest& request) override;

private:
    DeviceReply control(const DeviceRequest& request);
    DeviceReply plainWrite(const std::vector<std::uint8_t>& bytes);
    DeviceReply plainRead(std::uint32_t capacity);

    Int900Registers m_registers;
};

} // namespace kw::sim
