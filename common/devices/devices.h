#pragma once

// Finding and opening the bus adapter devices. This is what tarvik's and korvane's bus access
// classes call; which transport carries the bytes (simulator socket, in-process simulator, a
// real adapter later) is decided by the backend table (device_backends.cpp) and never seen by
// the callers.
//
// Simulated devices live in the device directory (device_directory.h): testsystem-sim
// publishes each adapter there under its device path (device_kind.h).

#include "common/devices/device_handle.h"
#include "common/devices/device_kind.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace kw {

struct DeviceInfo {
    DeviceKind kind;
    std::string path; // the device path; open it with openDevice or openPipe

    // Bytes the platform's interface detail needs for this path: the 4-byte size field, the
    // path and its terminating zero. USB interfaces needing more than 505 are rejected.
    std::size_t detailSize() const { return 4 + path.size() + 1; }
};

// Every device of a kind that is present now, sorted by device path, so that repeated
// enumerations give the same order while nothing is plugged or unplugged.
std::vector<DeviceInfo> enumerateDevices(DeviceKind kind);

struct OpenResult {
    std::unique_ptr<DeviceHandle> handle; // nullptr when the open failed
    int error = 0;                        // platform error code, 0 on success

    explicit operator bool() const { return handle != nullptr; }
};

// Opens a driver device (INT41, INT900): Access::ReadWrite, Sharing::Exclusive.
OpenResult openDevice(const std::string& path, Access access, Sharing sharing);

// The pipes of a USB860 adapter, opened as path + "\PIPE0n" on the adapter's home platform.
// Bus words use the write pipe 1 and the read pipe 0; pipes 2 and 3 are a second pair that
// korvane keeps open with them.
inline constexpr int kUsbReadPipe = 0;        // "\PIPE00", opened for reading
inline constexpr int kUsbWritePipe = 1;       // "\PIPE01", opened for writing
inline constexpr int kUsbSecondWritePipe = 2; // "\PIPE02", opened for writing
inline constexpr int kUsbSecondReadPipe = 3;  // "\PIPE03", opened for reading

// Opens one pipe of a USB860 adapter (shared): Access::Write for pipes 1 and 2, Access::Read
// for pipes 0 and 3; the other direction fails with EACCES.
OpenResult openPipe(const std::string& path, int pipe, Access access);

// What kept devices from being found or opened since the last call, one German sentence each
// (a device directory that is not trusted or cannot be read, a device held by another
// program), for a program that must say why it found nothing. The call empties the list.
std::vector<std::string> takeDeviceProblems();

// Connection speed of a USB860 adapter: 0 low, 1 full, 2 high speed, -1 unknown (also for a
// path that names no adapter).
int usbSpeed(const std::string& path);

} // namespace kw
