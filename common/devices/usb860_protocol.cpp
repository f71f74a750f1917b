#include "common/devices/usb860_protocol.h"

#include "common/devices/le_bytes.h"

namespace kw::usb860 {

namespace {

template <std::size_t N>
std::array<std::uint8_t, N> words(std::initializer_list<std::uint16_t> values) {
    std::array<std::uint8_t, N> bytes{};
    std::size_t offset = 0;
    for (const std::uint16_t value : values) {
        le::put16(bytes, offset, value);
        offset += 2;
    }
    return bytes;
}

std::uint16_t ulmAddress(std::uint16_t card, std::uint16_t function) {
    return static_cast<std::uint16_t>(function + card * 256);
}

} // namespace

std::array<std::uint8_t, kWritePacketSize> writePacket(std::uint16_t system, std::uint16_t card,
                                                       std::uint16_t function, std::uint16_t data) {
    return words<kWritePacketSize>({kPlainCommand, system,
                                    static_cast<std::uint16_t>((function & 15) + kPlainWriteFlag),
                                    card, data});
}

std::array<std::uint8_t, kReadPacketSize> readPacket(std::uint16_t system, std::uint16_t card,
                                                     std::uint16_t function) {
    return words<kReadPacketSize>(
        {kPlainCommand, system, static_cast<std::uint16_t>(function & 15), card});
}

std::array<std::uint8_t, kWritePacketSize> ulmWritePacket(std::uint16_t system, std::uint16_t card,
                                                          std::uint16_t function,
                                                          std::uint16_t data) {
    return words<kWritePacketSize>(
        {kUlmCommand, system, kUlmWriteMode, ulmAddress(card, function), data});
}

std::array<std::uint8_t, kReadPacketSize> ulmReadPacket(std::uint16_t system, std::uint16_t card,
                                                        std::uint16_t function) {
    return words<kReadPacketSize>({kUlmCommand, system, kUlmReadMode, ulmAddress(card, function)});
}

std::optional<Packet> decodePacket(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kReadPacketSize) {
        return std::nullopt;
    }
    Packet packet;
    const std::uint16_t command = le::get16(bytes, 0);
    packet.system = le::get16(bytes, 2);
    const std::uint16_t mode = le::get16(bytes, 4);
    const std::uint16_t address = le::get16(bytes, 6);
    if (command == kPlainCommand && mode < 32) {
        packet.isWrite = (mode & kPlainWriteFlag) != 0;
        packet.function = mode & 15;
        packet.card = address;
    } else if (command == kUlmCommand && (mode == kUlmWriteMode || mode == kUlmReadMode)) {
        packet.ulm = true;
        packet.isWrite = mode == kUlmWriteMode;
        packet.function = address & 0xFF;
        packet.card = address >> 8;
    } else {
        return std::nullopt;
    }
    packet.size = packet.isWrite ? kWritePacketSize : kReadPacketSize;
    if (bytes.size() < packet.size) {
        return std::nullopt;
    }
    if (packet.isWrite) {
        packet.data = le::get16(bytes, 8);
    }
    return packet;
}

Answer readAnswer(DeviceHandle& readPipe) {
    std::array<std::uint8_t, kAnswerSize> bytes{};
    Answer answer{readPipe.read(bytes)};
    if (answer.transfer.complete(kAnswerSize)) {
        answer.value = le::get16(bytes, 0);
    }
    return answer;
}

} // namespace kw::usb860
