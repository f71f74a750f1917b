#pragma once

// The INT900 card and its driver. The card has 16-bit registers; the driver numbers them by
// word (index n = port base + 2n for direct access):
//
//   word 0 (port +0)  status: bit 0 set while the card is busy
//   word 1 (port +2)  command and data: 3 or 2 (start), then 0 = write or 1 = read, the
//                     address word card + 256 × function, and for a write the data word;
//                     after a read it holds the data
//   word 3 (port +6)  identification: writing 5 restarts the code sequence, each read gives
//                     the next code (first a word with high byte 0x33, then kCodes)
//
// Driver controls: 0x222000 / 0x222004 as for the INT41 (int41_protocol.h) with the index and
// value taken as 16 bits. Bus words go as plain transfers:
//   write: 6 bytes  (word 0, word card + function × 256, word data)
//   read:  write 4 bytes (word 1, word card + function × 256), then read 2 bytes = data.

#include "common/devices/int41_protocol.h"

#include <array>
#include <cstdint>

namespace kw::int900 {

inline constexpr std::uint8_t kFirstCodeHighByte = 0x33;
inline constexpr std::array<std::uint16_t, 5> kCodes{0x4D42, 0x554C, 0x4641, 0x5453, 0x4949};

namespace reg {
inline constexpr int Status = 0;
inline constexpr int Command = 1;
inline constexpr int Code = 3;
} // namespace reg

inline constexpr std::uint16_t kWriteCommand = 0;
inline constexpr std::uint16_t kReadCommand = 1;
inline constexpr std::uint16_t kRestartCodes = 5;

inline constexpr std::size_t kWriteSize = 6;
inline constexpr std::size_t kReadRequestSize = 4;
inline constexpr std::size_t kReadAnswerSize = 2;

using int41::ReadResult;

ReadResult readRegister(DeviceHandle& device, std::uint16_t index);
TransferResult writeRegister(DeviceHandle& device, std::uint16_t index, std::uint16_t value);

std::array<std::uint8_t, kWriteSize> writeTransfer(std::uint16_t card, std::uint16_t function,
                                                   std::uint16_t data);
std::array<std::uint8_t, kReadRequestSize> readRequest(std::uint16_t card, std::uint16_t function);

// One bus word; the results report the plain transfers (for a read: the write of the request,
// or the read of the answer when the write went through). `value` is 0 unless 2 bytes came.
TransferResult busWrite(DeviceHandle& device, std::uint16_t card, std::uint16_t function,
                        std::uint16_t data);
ReadResult busRead(DeviceHandle& device, std::uint16_t card, std::uint16_t function);

} // namespace kw::int900
