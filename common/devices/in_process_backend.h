#pragma once

// Devices served inside the calling process, without sockets: the in-process simulator of
// unit tests publishes its adapters here. While an InProcessMachine exists, this backend is
// the whole machine: socket-published devices are not listed, so a unit test sees exactly the
// adapters it made (also after it unplugged all of them). Paths look like
// "//inprocess/usb#vid_0b1e&pid_0860#7#{...}".
//
// Thread safety: requests are served one at a time (as the simulator's single thread would);
// a reply's delay is waited out after that, without blocking other callers.

#include "common/devices/device_backend.h"
#include "common/devices/device_endpoint.h"

#include <memory>
#include <string>

namespace kw {

inline constexpr const char* kInProcessDirectory = "//inprocess";

// Makes the in-process devices the whole machine for its lifetime (nestable).
class InProcessMachine {
public:
    InProcessMachine();
    ~InProcessMachine();
    InProcessMachine(const InProcessMachine&) = delete;
    InProcessMachine& operator=(const InProcessMachine&) = delete;
};

// Publishes a device (an arrival); returns its device path. The caller keeps the endpoint
// alive until it withdraws it.
std::string publishInProcessDevice(std::shared_ptr<DeviceEndpoint> endpoint);

// Withdraws a published device (a removal). Handles opened on it stay objects; the endpoint
// decides what their transfers answer (an unplugged adapter answers ENODEV).
void withdrawInProcessDevice(const DeviceEndpoint& endpoint);

DeviceBackend& inProcessBackend();

} // namespace kw
