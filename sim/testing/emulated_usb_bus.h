#pragma once

// Test support: a USB bus emulated with umockdev, whose devices are simulated USB860 adapters.
// libusb in this process (run it under umockdev's preload library: LD_PRELOAD=
// libumockdev-preload.so.0) and in the programs it starts sees real usbfs devices with
// descriptors, a serial string and two bulk endpoint pairs; the ioctl handler answers the
// usbfs requests and hands the bulk packets to the simulator's adapter:
//
//   EmulatedUsbBus bus;                        // before the first libusb call of the process
//   const int device = bus.plug(adapter, {0x0b1e, 0x0860}, "4711");
//   ... kw::enumerateDevices(kw::DeviceKind::Usb860) lists it ...
//   bus.unplug(device);                        // removal uevent; usbfs answers ENODEV
//
// One bus per process, kept to its end (libusb keeps the devices it saw). Requests are
// served on umockdev's worker thread, one at a time.

#include "common/devices/usb_adapter_ids.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace kw {
class DeviceEndpoint;
}

namespace kw::sim::testkit {

struct EmulatedUsbDevice {
    UsbId id;
    std::string serial;        // empty: the device has no serial string
    std::string speed = "480"; // sysfs speed in Mbit/s: "1.5", "12", "480", "5000"
    bool kernelDriver = false; // a kernel driver is bound: claims fail until it is detached
    int port = 0;              // port on the root hub; 0: one not used before
};

class EmulatedUsbBus {
public:
    EmulatedUsbBus();
    ~EmulatedUsbBus();
    EmulatedUsbBus(const EmulatedUsbBus&) = delete;
    EmulatedUsbBus& operator=(const EmulatedUsbBus&) = delete;

    // Plugs a device into the next free port; its packets go to `adapter` (pipes 0 ... 3).
    // Returns the device's number on the bus.
    int plug(std::shared_ptr<DeviceEndpoint> adapter, const EmulatedUsbDevice& device);

    // Pulls the device out: a removal uevent; its open handles answer ENODEV from then on,
    // also a read that is waiting for an answer.
    void unplug(int device);

    // The device node of a device in the testbed ("/dev/bus/usb/001/002" as seen there).
    std::filesystem::path nodeFile(int device) const;

    // Bulk URBs submitted since the start (a program's transfers count too).
    long bulkTransfers() const;

    struct State;

private:
    std::unique_ptr<State> m_state;
};

} // namespace kw::sim::testkit
