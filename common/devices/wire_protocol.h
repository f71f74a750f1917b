#pragma once

// Frames between a program and testsystem-sim on one Unix seqpacket socket (one frame per
// message, little-endian). The payload is exactly the bytes of the DeviceHandle call; the
// header only says which call it is.
//
//   hello   (first frame of a connection)  "KWD1", u8 op, i8 pipe, u8 access, u8 sharing
//   welcome (answer to hello)               i32 error, i32 value (the speed for a speed query)
//   request                                 u8 op, 3 zero bytes, u32 code, u32 outCapacity, in...
//   reply                                   i32 error, u32 transferred, out...
//
// A connection opened with HelloOp::Open carries requests until either side closes it; one
// opened with HelloOp::QuerySpeed ends after the welcome.

#include "common/devices/device_endpoint.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kw::wire {

inline constexpr std::size_t kMaxPayload = 65536;
inline constexpr std::size_t kHelloSize = 8;
inline constexpr std::size_t kWelcomeSize = 8;
inline constexpr std::size_t kRequestHeaderSize = 12;
inline constexpr std::size_t kReplyHeaderSize = 8;
inline constexpr std::size_t kMaxFrame = kMaxPayload + kRequestHeaderSize;

enum class HelloOp : std::uint8_t { Open = 1, QuerySpeed = 2 };

struct Hello {
    HelloOp op = HelloOp::Open;
    int pipe = -1; // -1: the device itself
    Access access = Access::ReadWrite;
    Sharing sharing = Sharing::Exclusive;
};

struct Welcome {
    int error = 0;
    int value = 0;
};

std::vector<std::uint8_t> encodeHello(const Hello& hello);
std::optional<Hello> decodeHello(std::span<const std::uint8_t> frame);

std::vector<std::uint8_t> encodeWelcome(const Welcome& welcome);
std::optional<Welcome> decodeWelcome(std::span<const std::uint8_t> frame);

std::vector<std::uint8_t> encodeRequest(const DeviceRequest& request);
std::optional<DeviceRequest> decodeRequest(std::span<const std::uint8_t> frame);

// The reply's delay is not sent: the server waits it out before sending.
std::vector<std::uint8_t> encodeReply(const DeviceReply& reply);
std::optional<DeviceReply> decodeReply(std::span<const std::uint8_t> frame);

} // namespace kw::wire
