#include "common/devices/int900_protocol.h"

#include "common/devices/le_bytes.h"

namespace kw::int900 {

ReadResult readRegister(DeviceHandle& device, std::uint16_t index) {
    ReadResult result = int41::readRegister(device, index);
    result.value &= 0xFFFF;
    return result;
}

TransferResult writeRegister(DeviceHandle& device, std::uint16_t index, std::uint16_t value) {
    return int41::writeRegister(device, index, value);
}

std::array<std::uint8_t, kWriteSize> writeTransfer(std::uint16_t card, std::uint16_t function,
                                                   std::uint16_t data) {
    std::array<std::uint8_t, kWriteSize> bytes{};
    le::put16(bytes, 0, kWriteCommand);
    le::put16(bytes, 2, static_cast<std::uint16_t>(card + function * 256));
    le::put16(bytes, 4, data);
    return bytes;
}

std::array<std::uint8_t, kReadRequestSize> readRequest(std::uint16_t card, std::uint16_t function) {
    std::array<std::uint8_t, kReadRequestSize> bytes{};
    le::put16(bytes, 0, kReadCommand);
    le::put16(bytes, 2, static_cast<std::uint16_t>(card + function * 256));
    return bytes;
}

TransferResult busWrite(DeviceHandle& device, std::uint16_t card, std::uint16_t function,
                        std::uint16_t data) {
    return device.write(writeTransfer(card, function, data));
}

ReadResult busRead(DeviceHandle& device, std::uint16_t card, std::uint16_t function) {
    ReadResult result{device.write(readRequest(card, function))};
    if (!result.transfer.complete(kReadRequestSize)) {
        return result;
    }
    std::array<std::uint8_t, kReadAnswerSize> answer{};
    result.transfer = device.read(answer);
    if (result.transfer.complete(kReadAnswerSize)) {
        result.value = le::get16(answer, 0);
    }
    return result;
}

} // namespace kw::int900
