#pragma once

// The INT41 card with its driver: the driver's controls (int41_protocol.h) and direct port
// access to the card's registers at its base. A card whose driver knows no base (base=0)
// answers the base query with no bytes and has no direct access.

#include "sim/adapter.h"
#include "sim/int41_registers.h"

namespace kw::sim {

class Int41Adapter : public PcCardAdapter {
public:
    Int41Adapter(const AdapterSpec& setup, const Rack& rack, int instance);

    std::uint8_t portIn8(int offset) override { return m_registers.read(offset); }
    std::uint16_t portIn16(int offset) override;
    void portOut8(int offset, std::uint8_t value) override { m_registers.write(offset, value); }
    void portOut16(int offset, std::uint16_t value) override;

protected:
    DeviceReply handle(int pipe, const DeviceRequest& request) override;

private:
    DeviceReply control(const DeviceRequest& request);

    Int41Registers m_registers;
};

} // namespace kw::sim
