#pragma once

// The USB860 adapter: packets written to pipe 1, answers read from pipe 0 (usb860_protocol.h).
//
// The answers of read packets wait in one queue per adapter, in the order the packets
// arrived, whichever handle wrote them and whichever handle reads them, as on the real
// adapter: two programs that interleave their packets without the adapter's mutex can take
// each other's answers. A read with no answer waiting fails with ETIMEDOUT. ULM860 packets
// are understood only in ULM860 mode; otherwise they are ignored (no answer follows). Pipes 2
// and 3 accept writes and have nothing to read.

#include "sim/adapter.h"

#include <deque>

namespace kw::sim {

class Usb860Adapter : public Adapter {
public:
    Usb860Adapter(const AdapterSpec& setup, const Rack& rack);

    int usbSpeed() const override { return m_speed; }

protected:
    int checkOpen(int pipe, Access access) const override;
    DeviceReply handle(int pipe, const DeviceRequest& request) override;
    // Unplugging powers the adapter down: answers nobody fetched are gone.
    void unplugged() override { m_answers.clear(); }

private:
    DeviceReply writePackets(const std::vector<std::uint8_t>& bytes);
    DeviceReply readAnswers(std::uint32_t capacity);

    int m_speed;
    bool m_ulm860;
    std::deque<std::uint8_t> m_answers;
};

} // namespace kw::sim
