#pragma once

// The USB860 adapter's packets, written to the write pipe ("\PIPE01"); words little-endian:
//
//   kind               bytes  words
//   write              10     0x0053, system, (function & 15) + 16, card, data
//   read               8      0x0053, system, function & 15, card
//   ULM860 mode write  10     0x5003, system, 0x1000, function + card × 256, data
//   ULM860 mode read   8      0x5003, system, 0x0100, function + card × 256
//
// After a read packet the answer is 2 bytes from the read pipe ("\PIPE00"): the data word.
// A transfer counts as failed when fewer bytes than asked move.

#include "common/devices/device_handle.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace kw::usb860 {

inline constexpr std::uint16_t kPlainCommand = 0x0053;
inline constexpr std::uint16_t kUlmCommand = 0x5003;
inline constexpr std::uint16_t kPlainWriteFlag = 16;
inline constexpr std::uint16_t kUlmWriteMode = 0x1000;
inline constexpr std::uint16_t kUlmReadMode = 0x0100;

inline constexpr std::size_t kWritePacketSize = 10;
inline constexpr std::size_t kReadPacketSize = 8;
inline constexpr std::size_t kAnswerSize = 2;

std::array<std::uint8_t, kWritePacketSize> writePacket(std::uint16_t system, std::uint16_t card,
                                                       std::uint16_t function, std::uint16_t data);
std::array<std::uint8_t, kReadPacketSize> readPacket(std::uint16_t system, std::uint16_t card,
                                                     std::uint16_t function);
std::array<std::uint8_t, kWritePacketSize> ulmWritePacket(std::uint16_t system, std::uint16_t card,
                                                          std::uint16_t function,
                                                          std::uint16_t data);
std::array<std::uint8_t, kReadPacketSize> ulmReadPacket(std::uint16_t system, std::uint16_t card,
                                                        std::uint16_t function);

// A packet as the adapter understands it.
struct Packet {
    bool isWrite = false;
    bool ulm = false;
    std::uint16_t system = 0;
    std::uint16_t card = 0;
    std::uint16_t function = 0;
    std::uint16_t data = 0;
    std::size_t size = 0; // bytes the packet takes
};

// The packet at the start of bytes; nullopt when they do not begin with a whole packet.
std::optional<Packet> decodePacket(std::span<const std::uint8_t> bytes);

// Reads the 2-byte answer from the read pipe; `value` is 0 unless both bytes came.
struct Answer {
    TransferResult transfer;
    std::uint16_t value = 0;
};
Answer readAnswer(DeviceHandle& readPipe);

} // namespace kw::usb860
