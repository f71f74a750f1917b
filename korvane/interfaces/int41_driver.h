#pragma once

// An INT41 card reached through its driver: registers and bus words go as driver controls,
// bus words under "Int41SynchronizerMutex".

#include "korvane/interfaces/int41_interface.h"

#include "common/devices/devices.h"

#include <memory>
#include <vector>

namespace kw {
class NamedMutex;
}

namespace korvane {

class CInterfaceInt41Driver : public CInterfaceInt41Base {
public:
    // Takes the opened device; asks the driver for the base port address and checks the
    // registers.
    CInterfaceInt41Driver(InterfaceContext context, std::unique_ptr<kw::DeviceHandle> device);
    ~CInterfaceInt41Driver() override;

    std::string displayName() override { return m_name; }
    bool isUsable() const override { return m_device != nullptr; }

    void busWrite(int systemAddress, int cardAddress, int functionAddress, int data) override;
    int busRead(int systemAddress, int cardAddress, int functionAddress) override;

    void writeRegister(int index, int value) override;
    int readRegister(int index) override;

private:
    void reportTimeout();

    std::unique_ptr<kw::DeviceHandle> m_device;
    kw::NamedMutex& m_mutex;
};

// Hands out the INT41 driver devices one per call, each opened read/write and not shared;
// devices that cannot be opened (another program has them) are passed over. After the last
// one it answers nothing once and starts over.
class Int41DriverFinder {
public:
    std::unique_ptr<CInterfaceInt41Driver> next(InterfaceContext context);

private:
    std::vector<kw::DeviceInfo> m_devices;
    std::size_t m_next = 0;
    bool m_enumerated = false;
};

} // namespace korvane
