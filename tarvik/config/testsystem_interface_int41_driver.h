#pragma once

// The INT41 card through its driver: bus words as the driver's controls
// (read: 0x222008, data = fourth dword of the answer; write: 0x22200C).

#include "common/devices/device_handle.h"
#include "tarvik/config/testsystem_interface.h"

#include <memory>

namespace tarvik {

class TestsystemInterfaceINT41Driver : public TestsystemInterface {
public:
    // Opens the first INT41 driver device that can be opened (read/write, not shared).
    // Returns the platform error code, 0 on success.
    int open();

    bool isSecondSystem() override { return false; }
    bool busWrite(int system, int card, int function, int data) override;
    bool busRead(int system, int card, int function, int& data) override;

private:
    std::unique_ptr<kw::DeviceHandle> m_device;
};

} // namespace tarvik
