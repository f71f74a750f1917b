// The backends of this build, in order of precedence. This file is the only place that
// decides which transports exist.

#include "common/devices/device_backend.h"
#include "common/devices/in_process_backend.h"
#include "common/devices/libusb_backend.h"
#include "common/devices/port_io.h"
#include "common/devices/socket_backend.h"
#include "common/devices/x86_port_io.h"

#include <atomic>

namespace kw {

const std::vector<DeviceBackend*>& deviceBackends() {
    static const std::vector<DeviceBackend*> table{
        &inProcessBackend(), // an in-process simulator of a unit test, when one is attached
        &socketBackend(),    // adapters published by testsystem-sim in the device directory
        &libusbBackend(),    // real USB860 adapters of the configured USB IDs
    };
    return table;
}

std::vector<DeviceBackend*> activeDeviceBackends() {
    std::vector<DeviceBackend*> active;
    for (DeviceBackend* backend : deviceBackends()) {
        if (!backend->isActive()) {
            continue;
        }
        active.push_back(backend);
        if (backend->hidesLaterBackends()) {
            break;
        }
    }
    return active;
}

namespace {
std::atomic<PortIo*> g_simulatedPorts{nullptr};
} // namespace

void setSimulatedPorts(PortIo* ports) {
    g_simulatedPorts = ports;
}

// Port backends, in order: the in-process simulator's port space, then the platform's.
PortIo* directPortAccess(std::uint16_t base, std::uint16_t count) {
    if (PortIo* simulated = g_simulatedPorts) {
        return simulated;
    }
    return x86PortAccess(base, count);
}

} // namespace kw
