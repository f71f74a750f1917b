#pragma once

// The contract every device backend implements. The backends in use, in order, are the table
// in device_backends.cpp; devices.h and device_monitor.h walk it. A backend never throws.

#include "common/devices/devices.h"

#include <memory>
#include <string>
#include <vector>

namespace kw {

struct DeviceNotice {
    enum class Type { Arrival, Removal };
    Type type;
    DeviceKind kind;
    std::string path; // the device path, as enumerateDevices reports it
};

// A stream of arrival and removal notices of one backend.
class NoticeSource {
public:
    virtual ~NoticeSource() = default;
    // A descriptor that polls readable while notices wait (for the caller's event loop).
    virtual int fileDescriptor() const = 0;
    // The notices that arrived since the last call, oldest first; never blocks.
    virtual std::vector<DeviceNotice> take() = 0;
};

class DeviceBackend {
public:
    virtual ~DeviceBackend() = default;

    // Whether the backend takes part now (for example: a simulator is attached).
    virtual bool isActive() const = 0;

    // While this active backend is there, the backends after it in the table are not asked:
    // an in-process simulator is the whole machine of the unit test that made it.
    virtual bool hidesLaterBackends() const { return false; }

    // Whether a device path belongs to this backend; open and usbSpeed go to the first active
    // backend that claims the path.
    virtual bool ownsPath(const std::string& path) const = 0;

    // Paths of the devices of a kind present now, in any order (the caller sorts).
    virtual std::vector<std::string> devicePaths(DeviceKind kind) = 0;

    // Opens the device itself (pipe < 0) or one USB pipe (pipe 0 ... 3).
    virtual OpenResult open(const std::string& path, int pipe, Access access, Sharing sharing) = 0;

    // 0 low, 1 full, 2 high speed, -1 unknown.
    virtual int usbSpeed(const std::string& path) = 0;

    // Notices for the devices of this backend, or nullptr when it cannot give any.
    virtual std::unique_ptr<NoticeSource> watch() = 0;
};

// Records why a device could not be found or opened (see takeDeviceProblems); a sentence
// already recorded is not repeated.
void noteDeviceProblem(const std::string& problem);

// The backend table, in order of precedence.
const std::vector<DeviceBackend*>& deviceBackends();

// The active backends that are asked now: the table in order, cut after the first active
// backend that hides the later ones.
std::vector<DeviceBackend*> activeDeviceBackends();

} // namespace kw
