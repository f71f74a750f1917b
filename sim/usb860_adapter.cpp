#include "sim/usb860_adapter.h"

#include "common/devices/devices.h"
#include "common/devices/usb860_protocol.h"

#include <cerrno>

namespace kw::sim {

namespace {

// Answers nobody fetched are dropped beyond this, oldest first, as the adapter's buffer would.
constexpr std::size_t kAnswerBufferBytes = 4096;

bool isReadPipe(int pipe) {
    return pipe == kUsbReadPipe || pipe == kUsbSecondReadPipe;
}
bool isWritePipe(int pipe) {
    return pipe == kUsbWritePipe || pipe == kUsbSecondWritePipe;
}

} // namespace

Usb860Adapter::Usb860Adapter(const AdapterSpec& spec, const Rack& rack)
    : Adapter(DeviceKind::Usb860, usb860DeviceName(spec.serial), rack, spec.selfTestBoard),
      m_speed(spec.speed), m_ulm860(spec.ulm860) {}

int Usb860Adapter::checkOpen(int pipe, Access access) const {
    if (isReadPipe(pipe)) {
        return access == Access::Read ? 0 : EACCES;
    }
    if (isWritePipe(pipe)) {
        return access == Access::Write ? 0 : EACCES;
    }
    return EACCES; // the device itself carries no transfers, only its pipes
}

DeviceReply Usb860Adapter::handle(int pipe, const DeviceRequest& request) {
    switch (request.op) {
    case DeviceRequest::Op::Write:
        if (!isWritePipe(pipe)) {
            return errorReply(EBADF);
        }
        if (pipe == kUsbSecondWritePipe) {
            DeviceReply reply;
            reply.transferred = static_cast<std::uint32_t>(request.in.size());
            return reply;
        }
        return writePackets(request.in);
    case DeviceRequest::Op::Read:
        if (!isReadPipe(pipe)) {
            return errorReply(EBADF);
        }
        return pipe == kUsbReadPipe ? readAnswers(request.outCapacity) : errorReply(ETIMEDOUT);
    case DeviceRequest::Op::Control:
        break;
    }
    return errorReply(EINVAL);
}

// The adapter takes all bytes and works through the packets in them; what is not a packet it
// understands ends the work on that write.
DeviceReply Usb860Adapter::writePackets(const std::vector<std::uint8_t>& bytes) {
    std::span<const std::uint8_t> rest(bytes);
    while (const auto packet = usb860::decodePacket(rest)) {
        if (packet->ulm && !m_ulm860) {
            break;
        }
        if (packet->isWrite) {
            rack().write(packet->system, packet->card, packet->function, packet->data);
        } else {
            const std::uint16_t value = rack().read(packet->system, packet->card, packet->function);
            m_answers.push_back(static_cast<std::uint8_t>(value));
            m_answers.push_back(static_cast<std::uint8_t>(value >> 8));
            while (m_answers.size() > kAnswerBufferBytes) {
                m_answers.pop_front();
            }
        }
        rest = rest.subspan(packet->size);
    }
    DeviceReply reply;
    reply.transferred = static_cast<std::uint32_t>(bytes.size());
    return reply;
}

DeviceReply Usb860Adapter::readAnswers(std::uint32_t capacity) {
    if (m_answers.empty()) {
        return errorReply(ETIMEDOUT);
    }
    std::vector<std::uint8_t> out;
    while (!m_answers.empty() && out.size() < capacity) {
        out.push_back(m_answers.front());
        m_answers.pop_front();
    }
    return answerReply(std::move(out), capacity);
}

} // namespace kw::sim
