#include "common/devices/int41_protocol.h"

#include "common/devices/le_bytes.h"

namespace kw::int41 {

std::array<std::uint8_t, kRegisterBufferSize> registerBuffer(std::uint32_t index,
                                                             std::uint32_t value) {
    std::array<std::uint8_t, kRegisterBufferSize> buffer{};
    le::put32(buffer, 0, index);
    le::put32(buffer, 4, value);
    return buffer;
}

std::array<std::uint8_t, kBusWordBufferSize> busWordBuffer(std::uint32_t system, std::uint32_t card,
                                                           std::uint32_t function,
                                                           std::uint32_t data) {
    std::array<std::uint8_t, kBusWordBufferSize> buffer{};
    le::put32(buffer, 0, system);
    le::put32(buffer, 4, card);
    le::put32(buffer, 8, function);
    le::put32(buffer, 12, data);
    return buffer;
}

ReadResult readRegister(DeviceHandle& device, std::uint32_t index) {
    const auto in = registerBuffer(index, 0);
    std::array<std::uint8_t, kRegisterBufferSize> out{};
    ReadResult result{device.control(kReadRegister, in, out)};
    if (result.transfer.ok() && result.transfer.transferred >= 8) {
        result.value = le::get32(out, 4);
    }
    return result;
}

TransferResult writeRegister(DeviceHandle& device, std::uint32_t index, std::uint32_t value) {
    return device.control(kWriteRegister, registerBuffer(index, value), {});
}

ReadResult readBusWord(DeviceHandle& device, std::uint32_t system, std::uint32_t card,
                       std::uint32_t function) {
    const auto in = busWordBuffer(system, card, function, 0);
    std::array<std::uint8_t, kBusWordBufferSize> out{};
    ReadResult result{device.control(kReadBusWord, in, out)};
    if (result.transfer.ok() && result.transfer.transferred >= 16) {
        result.value = le::get32(out, 12);
    }
    return result;
}

TransferResult writeBusWord(DeviceHandle& device, std::uint32_t system, std::uint32_t card,
                            std::uint32_t function, std::uint32_t data) {
    return device.control(kWriteBusWord, busWordBuffer(system, card, function, data), {});
}

std::uint32_t baseAddress(DeviceHandle& device) {
    std::array<std::uint8_t, kBaseAddressSize> out{};
    const TransferResult result = device.control(kBaseAddress, {}, out);
    return result.ok() && result.transferred >= kBaseAddressSize ? le::get32(out, 0) : 0;
}

std::uint8_t doubledBits(std::uint8_t functionAddress) {
    std::uint8_t pattern = 0;
    for (int bit = 0; bit < 4; ++bit) {
        if (functionAddress & (1 << bit)) {
            pattern |= static_cast<std::uint8_t>(3 << (2 * bit));
        }
    }
    return pattern;
}

} // namespace kw::int41
