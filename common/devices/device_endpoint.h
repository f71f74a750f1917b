#pragma once

// The serving side of a device: what a simulated adapter implements so that it can be reached
// through the in-process backend (unit tests) and through the simulator's sockets
// (testsystem-sim) with the same code. Requests and replies carry exactly the bytes of the
// DeviceHandle calls.

#include "common/devices/device_handle.h"
#include "common/devices/device_kind.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kw {

struct DeviceRequest {
    enum class Op : std::uint8_t { Control = 1, Write = 2, Read = 3 };
    Op op = Op::Control;
    std::uint32_t code = 0;        // control code (Control only)
    std::vector<std::uint8_t> in;  // control input or the bytes written
    std::uint32_t outCapacity = 0; // room for the answer (Control, Read)

    // The request of each DeviceHandle call; `out` is where the answer goes.
    static DeviceRequest control(std::uint32_t code, std::span<const std::uint8_t> in,
                                 std::span<const std::uint8_t> out) {
        return {Op::Control, code, {in.begin(), in.end()},
                static_cast<std::uint32_t>(out.size())};
    }
    static DeviceRequest write(std::span<const std::uint8_t> data) {
        return {Op::Write, 0, {data.begin(), data.end()}, 0};
    }
    static DeviceRequest read(std::size_t capacity) {
        return {Op::Read, 0, {}, static_cast<std::uint32_t>(capacity)};
    }
};

struct DeviceReply {
    int error = 0;
    std::uint32_t transferred = 0; // bytes written (Write) or returned in `out`
    std::vector<std::uint8_t> out; // the answer bytes (Control, Read)
    int delayMs = 0;               // how long the device takes before the caller sees the reply
};

// One opened handle at the device. Destroyed when the last handle on it is closed.
class DeviceSession {
public:
    virtual ~DeviceSession() = default;
    virtual DeviceReply serve(const DeviceRequest& request) = 0;
};

// One published device.
class DeviceEndpoint {
public:
    virtual ~DeviceEndpoint() = default;
    virtual DeviceKind kind() const = 0;
    // Name in the device directory (see device_kind.h).
    virtual std::string fileName() const = 0;
    // 0 low, 1 full, 2 high speed, -1 unknown.
    virtual int usbSpeed() const = 0;
    // Opens a handle (pipe < 0: the device itself). nullptr with *error set when refused:
    // EBUSY for an exclusive device already open, EACCES for a pipe in the wrong direction,
    // ENODEV for an unplugged device.
    virtual std::shared_ptr<DeviceSession> open(int pipe, Access access, Sharing sharing,
                                                int* error) = 0;
};

} // namespace kw
