#pragma once

// One simulated bus adapter with its rack: a device endpoint (device_endpoint.h) that the
// in-process backend and the simulator's socket server publish alike.
//
// The base class owns what all three adapters share: opening with the "not shared" rule,
// plugging and unplugging (handles opened before an unplug stay dead, as on the real
// platform), the transfer counter and the transfer faults of the rack:
//   fail   the transfer fails (EIO), nothing reaches the device;
//   short  a write moves half its bytes and is lost; a control or read is served but only
//          half of its answer comes back;
//   delay  the transfer is served, its reply comes after the delay;
//   unplug after N: the adapter unplugs itself once it has served N transfers.
// Subclasses answer the transfers (handle) and, for the PC cards, direct port access.
//
// Not thread-safe: the in-process backend and the socket server serve one request at a time.

#include "common/devices/device_endpoint.h"
#include "sim/rack.h"
#include "sim/rack_model.h"

#include <functional>
#include <memory>

namespace kw::sim {

class Adapter : public DeviceEndpoint, public std::enable_shared_from_this<Adapter> {
public:
    Adapter(DeviceKind kind, std::string fileName, const Rack& rack, bool selfTestBoard);

    DeviceKind kind() const override { return m_kind; }
    std::string fileName() const override { return m_fileName; }
    int usbSpeed() const override { return -1; }
    std::shared_ptr<DeviceSession> open(int pipe, Access access, Sharing sharing,
                                        int* error) override;

    RackModel& rack() { return m_rack; }

    bool isPlugged() const { return m_plugged; }
    // Plugging in or out; the listener (the publishing side) hears of every change.
    void plug();
    void unplug();
    using PlugListener = std::function<void(Adapter& adapter, bool plugged)>;
    void setPlugListener(PlugListener listener) { m_listener = std::move(listener); }

    // Transfers served since creation (failed ones included).
    long transfers() const { return m_transfers; }

    // Direct port access to the PC card: its base (0 = none) and the registers behind it,
    // by offset from the base, kPortSpan bytes. Ports do not count as transfers.
    static constexpr int kPortSpan = 8;
    virtual int portBase() const { return 0; }
    virtual std::uint8_t portIn8(int offset);
    virtual std::uint16_t portIn16(int offset);
    virtual void portOut8(int offset, std::uint8_t value);
    virtual void portOut16(int offset, std::uint16_t value);

    // Called by the sessions.
    DeviceReply serveTransfer(int generation, int pipe, const DeviceRequest& request);
    void closed(int generation, Sharing sharing);

protected:
    // 0 when a handle on that pipe (-1: the device itself) with that access may be opened.
    virtual int checkOpen(int pipe, Access access) const = 0;
    // Called when the adapter is unplugged: what it held for its handles is lost.
    virtual void unplugged() {}
    virtual DeviceReply handle(int pipe, const DeviceRequest& request) = 0;

private:
    const TransferFault* faultFor(long transfer);
    void cut(DeviceReply& reply, const DeviceRequest& request);

    DeviceKind m_kind;
    std::string m_fileName;
    RackModel m_rack;
    std::vector<TransferFault> m_faults;
    std::vector<long> m_faultHits;
    std::optional<long> m_unplugAfter;
    bool m_plugged = true;
    int m_generation = 0;
    int m_openHandles = 0;
    bool m_exclusivelyOpen = false;
    long m_transfers = 0;
    PlugListener m_listener;
};

// A PC card with its driver (INT41, INT900): the driver is opened as the device itself, never
// by pipe, and the card's registers answer direct port access at the base the rack gives.
class PcCardAdapter : public Adapter {
public:
    int portBase() const override { return m_base; }

protected:
    PcCardAdapter(DeviceKind kind, std::string fileName, const Rack& rack,
                  const AdapterSpec& setup);

    int checkOpen(int pipe, Access access) const override;

private:
    int m_base;
};

// Helpers for subclasses' replies.
DeviceReply errorReply(int error);
DeviceReply answerReply(std::vector<std::uint8_t> out, std::uint32_t capacity);

} // namespace kw::sim
