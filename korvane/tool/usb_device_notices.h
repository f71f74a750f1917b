#pragma once

// Notices of USB860 adapters being plugged in and out, as the main dialog takes them: a file
// descriptor its event loop watches, and the notices that came in since the last look.

#include <string>
#include <vector>

namespace korvane {

struct UsbDeviceNotice {
    bool arrival = false; // false: removal
    std::string path;     // the device path as the USB860 enumeration reports it
};

class UsbDeviceNotices {
public:
    virtual ~UsbDeviceNotices() = default;
    // Readable while notices wait; -1 when none will ever come.
    virtual int fileDescriptor() const = 0;
    // The notices that came in, oldest first; never blocks.
    virtual std::vector<UsbDeviceNotice> takeNotices() = 0;
};

} // namespace korvane
