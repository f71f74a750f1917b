#include "sim/adapter.h"

#include <algorithm>
#include <cerrno>

namespace kw::sim {

namespace {

// One opened handle. It belongs to the plug-in period (generation) it was opened in.
class AdapterSession : public DeviceSession {
public:
    AdapterSession(std::shared_ptr<Adapter> adapter, int generation, int pipe, Sharing sharing)
        : m_adapter(std::move(adapter)), m_generation(generation), m_pipe(pipe),
          m_sharing(sharing) {}
    ~AdapterSession() override { m_adapter->closed(m_generation, m_sharing); }

    DeviceReply serve(const DeviceRequest& request) override {
        return m_adapter->serveTransfer(m_generation, m_pipe, request);
    }

private:
    std::shared_ptr<Adapter> m_adapter;
    int m_generation;
    int m_pipe;
    Sharing m_sharing;
};

} // namespace

DeviceReply errorReply(int error) {
    DeviceReply reply;
    reply.error = error;
    return reply;
}

DeviceReply answerReply(std::vector<std::uint8_t> out, std::uint32_t capacity) {
    DeviceReply reply;
    if (out.size() > capacity) {
        out.resize(capacity);
    }
    reply.transferred = static_cast<std::uint32_t>(out.size());
    reply.out = std::move(out);
    return reply;
}

Adapter::Adapter(DeviceKind kind, std::string fileName, const Rack& rack, bool selfTestBoard)
    : m_kind(kind), m_fileName(std::move(fileName)), m_rack(rack, selfTestBoard),
      m_faults(rack.transferFaults), m_faultHits(rack.transferFaults.size(), 0),
      m_unplugAfter(rack.unplugAfter) {}

std::shared_ptr<DeviceSession> Adapter::open(int pipe, Access access, Sharing sharing, int* error) {
    *error = !m_plugged ? ENODEV : checkOpen(pipe, access);
    if (*error == 0 && (m_exclusivelyOpen || (sharing == Sharing::Exclusive && m_openHandles))) {
        *error = EBUSY;
    }
    if (*error != 0) {
        return nullptr;
    }
    ++m_openHandles;
    m_exclusivelyOpen = sharing == Sharing::Exclusive;
    return std::make_shared<AdapterSession>(shared_from_this(), m_generation, pipe, sharing);
}

void Adapter::closed(int generation, Sharing sharing) {
    if (generation != m_generation) {
        return; // opened before an unplug, which already forgot it
    }
    --m_openHandles;
    if (sharing == Sharing::Exclusive) {
        m_exclusivelyOpen = false;
    }
}

void Adapter::plug() {
    if (m_plugged) {
        return;
    }
    m_plugged = true;
    if (m_listener) {
        m_listener(*this, true);
    }
}

void Adapter::unplug() {
    if (!m_plugged) {
        return;
    }
    m_plugged = false;
    ++m_generation;
    m_openHandles = 0;
    m_exclusivelyOpen = false;
    unplugged();
    if (m_listener) {
        m_listener(*this, false);
    }
}

const TransferFault* Adapter::faultFor(long transfer) {
    for (std::size_t i = 0; i < m_faults.size(); ++i) {
        const TransferFault& fault = m_faults[i];
        const long past = transfer - fault.after - 1;
        if (past < 0 || past % fault.every != 0) {
            continue;
        }
        if (fault.count >= 0 && m_faultHits[i] >= fault.count) {
            continue;
        }
        ++m_faultHits[i];
        return &fault;
    }
    return nullptr;
}

// A short transfer: half of what was asked moves.
void Adapter::cut(DeviceReply& reply, const DeviceRequest& request) {
    if (request.op == DeviceRequest::Op::Write) {
        reply.transferred = static_cast<std::uint32_t>(request.in.size() / 2);
        return;
    }
    reply.transferred /= 2;
    reply.out.resize(reply.transferred);
}

DeviceReply Adapter::serveTransfer(int generation, int pipe, const DeviceRequest& request) {
    if (!m_plugged || generation != m_generation) {
        return errorReply(ENODEV);
    }
    const long number = ++m_transfers;
    const TransferFault* fault = faultFor(number);
    DeviceReply reply;
    if (fault && fault->kind == TransferFault::Kind::Fail) {
        reply = errorReply(EIO);
    } else if (fault && fault->kind == TransferFault::Kind::Short &&
               request.op == DeviceRequest::Op::Write) {
        cut(reply, request); // the device got only part of it: nothing happens
    } else {
        reply = handle(pipe, request);
        if (fault && fault->kind == TransferFault::Kind::Short) {
            cut(reply, request);
        } else if (fault && fault->kind == TransferFault::Kind::Delay) {
            reply.delayMs = fault->delayMs;
        }
    }
    if (m_unplugAfter && number >= *m_unplugAfter) {
        unplug();
    }
    return reply;
}

std::uint8_t Adapter::portIn8(int) {
    return 0xFF;
}
std::uint16_t Adapter::portIn16(int) {
    return 0xFFFF;
}
void Adapter::portOut8(int, std::uint8_t) {}
void Adapter::portOut16(int, std::uint16_t) {}

PcCardAdapter::PcCardAdapter(DeviceKind kind, std::string fileName, const Rack& rack,
                             const AdapterSpec& setup)
    : Adapter(kind, std::move(fileName), rack, false), m_base(setup.base) {}

int PcCardAdapter::checkOpen(int pipe, Access) const {
    return pipe < 0 ? 0 : ENOENT;
}

} // namespace kw::sim
