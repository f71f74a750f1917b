#include "sim/int900_adapter.h"

#include "common/devices/int900_protocol.h"
#include "common/devices/le_bytes.h"

#include <cerrno>

namespace kw::sim {

Int900Adapter::Int900Adapter(const AdapterSpec& setup, const Rack& rack, int instance)
    : PcCardAdapter(DeviceKind::Int900Driver, int900DriverDeviceName(instance), rack, setup),
      m_registers(this->rack()) {}

std::uint8_t Int900Adapter::portIn8(int offset) {
    const std::uint16_t word = m_registers.read(offset / 2);
    return static_cast<std::uint8_t>(offset % 2 ? word >> 8 : word);
}

DeviceReply Int900Adapter::handle(int, const DeviceRequest& request) {
    switch (request.op) {
    case DeviceRequest::Op::Control:
        return control(request);
    case DeviceRequest::Op::Write:
        return plainWrite(request.in);
    case DeviceRequest::Op::Read:
        return plainRead(request.outCapacity);
    }
    return errorReply(EINVAL);
}

// The register controls of the INT41 driver, with the index and value taken as 16 bits.
DeviceReply Int900Adapter::control(const DeviceRequest& request) {
    const std::vector<std::uint8_t>& in = request.in;
    if (in.size() < int41::kRegisterBufferSize) {
        return errorReply(EINVAL);
    }
    const auto index = static_cast<std::uint16_t>(le::get32(in, 0));
    if (request.code == int41::kWriteRegister) {
        m_registers.write(index, static_cast<std::uint16_t>(le::get32(in, 4)));
        return {};
    }
    if (request.code == int41::kReadRegister && request.outCapacity >= int41::kRegisterBufferSize) {
        const auto buffer = int41::registerBuffer(index, m_registers.read(index));
        return answerReply({buffer.begin(), buffer.end()}, request.outCapacity);
    }
    return errorReply(EINVAL);
}

DeviceReply Int900Adapter::plainWrite(const std::vector<std::uint8_t>& bytes) {
    const std::uint16_t command = bytes.size() >= 2 ? le::get16(bytes, 0) : 0xFFFF;
    if (bytes.size() == int900::kWriteSize && command == int900::kWriteCommand) {
        m_registers.busWrite(le::get16(bytes, 2), le::get16(bytes, 4));
    } else if (bytes.size() == int900::kReadRequestSize && command == int900::kReadCommand) {
        m_registers.busRead(le::get16(bytes, 2));
    } else {
        return errorReply(EINVAL);
    }
    DeviceReply reply;
    reply.transferred = static_cast<std::uint32_t>(bytes.size());
    return reply;
}

DeviceReply Int900Adapter::plainRead(std::uint32_t capacity) {
    std::uint16_t value = 0;
    if (!m_registers.takeReadData(&value)) {
        return errorReply(ETIMEDOUT);
    }
    std::vector<std::uint8_t> out(int900::kReadAnswerSize);
    le::put16(out, 0, value);
    return answerReply(std::move(out), capacity);
}

} // namespace kw::sim
