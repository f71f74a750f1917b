#include "sim/int41_adapter.h"

#include "common/devices/int41_protocol.h"
#include "common/devices/le_bytes.h"

#include <cerrno>

namespace kw::sim {

Int41Adapter::Int41Adapter(const AdapterSpec& setup, const Rack& rack, int instance)
    : PcCardAdapter(DeviceKind::Int41Driver, int41DriverDeviceName(instance), rack, setup),
      m_registers(this->rack(), setup, rack) {}

std::uint16_t Int41Adapter::portIn16(int offset) {
    const std::uint8_t low = m_registers.read(offset);
    return static_cast<std::uint16_t>(low | (m_registers.read(offset + 1) << 8));
}

void Int41Adapter::portOut16(int offset, std::uint16_t value) {
    m_registers.write(offset, static_cast<std::uint8_t>(value));
    m_registers.write(offset + 1, static_cast<std::uint8_t>(value >> 8));
}

DeviceReply Int41Adapter::handle(int, const DeviceRequest& request) {
    if (request.op != DeviceRequest::Op::Control) {
        return errorReply(EINVAL);
    }
    return control(request);
}

DeviceReply Int41Adapter::control(const DeviceRequest& request) {
    const std::vector<std::uint8_t>& in = request.in;
    switch (request.code) {
    case int41::kReadRegister: {
        if (in.size() < int41::kRegisterBufferSize ||
            request.outCapacity < int41::kRegisterBufferSize) {
            return errorReply(EINVAL);
        }
        const std::uint32_t index = le::get32(in, 0);
        const auto buffer = int41::registerBuffer(index, m_registers.read(static_cast<int>(index)));
        return answerReply({buffer.begin(), buffer.end()}, request.outCapacity);
    }
    case int41::kWriteRegister:
        if (in.size() < int41::kRegisterBufferSize) {
            return errorReply(EINVAL);
        }
        m_registers.write(static_cast<int>(le::get32(in, 0)),
                          static_cast<std::uint8_t>(le::get32(in, 4)));
        return {};
    case int41::kReadBusWord: {
        if (in.size() < int41::kBusWordBufferSize ||
            request.outCapacity < int41::kBusWordBufferSize) {
            return errorReply(EINVAL);
        }
        const std::uint16_t value =
            rack().read(static_cast<int>(le::get32(in, 0)), static_cast<int>(le::get32(in, 4)),
                        static_cast<int>(le::get32(in, 8)));
        std::vector<std::uint8_t> out(in.begin(), in.begin() + int41::kBusWordBufferSize);
        le::put32(out, 12, value);
        return answerReply(std::move(out), request.outCapacity);
    }
    case int41::kWriteBusWord:
        if (in.size() < int41::kBusWordBufferSize) {
            return errorReply(EINVAL);
        }
        rack().write(static_cast<int>(le::get32(in, 0)), static_cast<int>(le::get32(in, 4)),
                     static_cast<int>(le::get32(in, 8)),
                     static_cast<std::uint16_t>(le::get32(in, 12)));
        return {};
    case int41::kBaseAddress: {
        if (portBase() == 0) {
            return answerReply({}, request.outCapacity); // the driver knows no base
        }
        std::vector<std::uint8_t> out(int41::kBaseAddressSize);
        le::put32(out, 0, static_cast<std::uint32_t>(portBase()));
        return answerReply(std::move(out), request.outCapacity);
    }
    default:
        return errorReply(EINVAL);
    }
}

} // namespace kw::sim
