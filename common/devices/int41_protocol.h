#pragma once

// The INT41 driver's controls (device type 0x22, buffered). All buffers are dwords,
// little-endian:
//
//   code      in                                       out
//   0x222000  register index, 0                        8 bytes; second dword = register value
//   0x222004  register index, value                    none
//   0x222008  system, card, function address, 0        the same 16 bytes; fourth dword = data
//   0x22200C  system, card, function address, data     none
//   0x22201C  none                                     4 bytes: base port address
//
// The INT900 driver uses 0x222000 and 0x222004 the same way (int900_protocol.h). The calls
// below make one control each and hand back the transfer result with the value, so callers
// can apply their own failure rules.

#include "common/devices/device_handle.h"

#include <array>
#include <cstdint>
#include <span>

namespace kw::int41 {

inline constexpr std::uint32_t kReadRegister = 0x222000;
inline constexpr std::uint32_t kWriteRegister = 0x222004;
inline constexpr std::uint32_t kReadBusWord = 0x222008;
inline constexpr std::uint32_t kWriteBusWord = 0x22200C;
inline constexpr std::uint32_t kBaseAddress = 0x22201C;

inline constexpr std::size_t kRegisterBufferSize = 8;
inline constexpr std::size_t kBusWordBufferSize = 16;
inline constexpr std::size_t kBaseAddressSize = 4;

// The register numbers of the card (8 byte-wide registers at the base port address).
namespace reg {
inline constexpr int Data = 0;     // data bus (written for the card bus)
inline constexpr int Control = 1;  // function address (low four bits) and strobes
inline constexpr int Card = 2;     // card address
inline constexpr int System = 3;   // system address
inline constexpr int ReadData = 4; // data read back from the card bus
inline constexpr int Status = 5;   // bit 7 set: bus cycle still running
inline constexpr int Doubled = 7;  // register 1's low four bits, each bit doubled
} // namespace reg

std::array<std::uint8_t, kRegisterBufferSize> registerBuffer(std::uint32_t index,
                                                             std::uint32_t value);
std::array<std::uint8_t, kBusWordBufferSize>
busWordBuffer(std::uint32_t system, std::uint32_t card, std::uint32_t function, std::uint32_t data);

// A value read through a control: `value` is 0 unless the answer held it.
struct ReadResult {
    TransferResult transfer;
    std::uint32_t value = 0;
};

ReadResult readRegister(DeviceHandle& device, std::uint32_t index);
TransferResult writeRegister(DeviceHandle& device, std::uint32_t index, std::uint32_t value);
ReadResult readBusWord(DeviceHandle& device, std::uint32_t system, std::uint32_t card,
                       std::uint32_t function);
TransferResult writeBusWord(DeviceHandle& device, std::uint32_t system, std::uint32_t card,
                            std::uint32_t function, std::uint32_t data);

// The base port address; 0 when the driver returns fewer than 4 bytes or the control fails.
std::uint32_t baseAddress(DeviceHandle& device);

// Register 7's pattern for a function address: bit k of the low four bits in bits 2k, 2k+1
// (0x0A gives 0xCC, the register check's answer).
std::uint8_t doubledBits(std::uint8_t functionAddress);

} // namespace kw::int41
