#include "common/devices/wire_protocol.h"

#include "common/devices/le_bytes.h"

#include <algorithm>
#include <cstring>

namespace kw::wire {

namespace {

constexpr char kMagic[4] = {'K', 'W', 'D', '1'};

bool validAccess(std::uint8_t value) {
    return value >= 1 && value <= 3;
}

} // namespace

std::vector<std::uint8_t> encodeHello(const Hello& hello) {
    std::vector<std::uint8_t> frame(kHelloSize);
    std::memcpy(frame.data(), kMagic, 4);
    frame[4] = static_cast<std::uint8_t>(hello.op);
    frame[5] = static_cast<std::uint8_t>(static_cast<std::int8_t>(hello.pipe));
    frame[6] = static_cast<std::uint8_t>(hello.access);
    frame[7] = hello.sharing == Sharing::Shared ? 1 : 0;
    return frame;
}

std::optional<Hello> decodeHello(std::span<const std::uint8_t> frame) {
    if (frame.size() != kHelloSize || std::memcmp(frame.data(), kMagic, 4) != 0) {
        return std::nullopt;
    }
    Hello hello;
    if (frame[4] == static_cast<std::uint8_t>(HelloOp::Open)) {
        hello.op = HelloOp::Open;
    } else if (frame[4] == static_cast<std::uint8_t>(HelloOp::QuerySpeed)) {
        hello.op = HelloOp::QuerySpeed;
    } else {
        return std::nullopt;
    }
    hello.pipe = static_cast<std::int8_t>(frame[5]);
    if (!validAccess(frame[6]) || frame[7] > 1) {
        return std::nullopt;
    }
    hello.access = static_cast<Access>(frame[6]);
    hello.sharing = frame[7] == 1 ? Sharing::Shared : Sharing::Exclusive;
    return hello;
}

std::vector<std::uint8_t> encodeWelcome(const Welcome& welcome) {
    std::vector<std::uint8_t> frame(kWelcomeSize);
    le::put32(frame, 0, static_cast<std::uint32_t>(welcome.error));
    le::put32(frame, 4, static_cast<std::uint32_t>(welcome.value));
    return frame;
}

std::optional<Welcome> decodeWelcome(std::span<const std::uint8_t> frame) {
    if (frame.size() != kWelcomeSize) {
        return std::nullopt;
    }
    return Welcome{static_cast<int>(le::get32(frame, 0)), static_cast<int>(le::get32(frame, 4))};
}

std::vector<std::uint8_t> encodeRequest(const DeviceRequest& request) {
    // Sized once for header and payload: one allocation per packet.
    std::vector<std::uint8_t> frame(kRequestHeaderSize + request.in.size());
    frame[0] = static_cast<std::uint8_t>(request.op);
    le::put32(frame, 4, request.code);
    le::put32(frame, 8, request.outCapacity);
    std::copy(request.in.begin(), request.in.end(), frame.data() + kRequestHeaderSize);
    return frame;
}

std::optional<DeviceRequest> decodeRequest(std::span<const std::uint8_t> frame) {
    if (frame.size() < kRequestHeaderSize || frame.size() > kMaxFrame) {
        return std::nullopt;
    }
    DeviceRequest request;
    switch (frame[0]) {
    case 1:
        request.op = DeviceRequest::Op::Control;
        break;
    case 2:
        request.op = DeviceRequest::Op::Write;
        break;
    case 3:
        request.op = DeviceRequest::Op::Read;
        break;
    default:
        return std::nullopt;
    }
    request.code = le::get32(frame, 4);
    request.outCapacity = le::get32(frame, 8);
    if (request.outCapacity > kMaxPayload) {
        return std::nullopt;
    }
    request.in.assign(frame.begin() + kRequestHeaderSize, frame.end());
    return request;
}

std::vector<std::uint8_t> encodeReply(const DeviceReply& reply) {
    std::vector<std::uint8_t> frame(kReplyHeaderSize + reply.out.size());
    le::put32(frame, 0, static_cast<std::uint32_t>(reply.error));
    le::put32(frame, 4, reply.transferred);
    std::copy(reply.out.begin(), reply.out.end(), frame.data() + kReplyHeaderSize);
    return frame;
}

std::optional<DeviceReply> decodeReply(std::span<const std::uint8_t> frame) {
    if (frame.size() < kReplyHeaderSize) {
        return std::nullopt;
    }
    DeviceReply reply;
    reply.error = static_cast<int>(le::get32(frame, 0));
    reply.transferred = le::get32(frame, 4);
    reply.out.assign(frame.begin() + kReplyHeaderSize, frame.end());
    return reply;
}

} // namespace kw::wire
