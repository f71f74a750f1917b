#pragma once

// The USB860 adapter: packets written to pipe 1, the 2-byte answers read from pipe 0.

#include "common/devices/device_handle.h"
#include "tarvik/config/testsystem_interface.h"

#include <memory>

namespace kw {
class NamedMutexLock;
}

namespace tarvik {

class TestsystemInterfaceUSB860 : public TestsystemInterface {
public:
    // The platform's error for an interface detail larger than the 512-byte buffer.
    static constexpr int kDetailTooLarge = 14;

    // Takes the first USB860 adapter whose write pipe and then read pipe open. Returns the
    // platform error code, 0 on success.
    int open();

    // Reads (1, 15, 0), then (0, 15, 0), under one hold of the adapter's mutex; true if the
    // first read gave 0.
    bool isSecondSystem() override;
    bool busWrite(int system, int card, int function, int data) override;
    bool busRead(int system, int card, int function, int& data) override;

private:
    void resynchroniseAfter(const kw::NamedMutexLock& lock);

    std::unique_ptr<kw::DeviceHandle> m_writePipe;
    std::unique_ptr<kw::DeviceHandle> m_readPipe;
};

} // namespace tarvik
