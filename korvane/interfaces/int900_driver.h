#pragma once

// The INT900 card reached through its driver: registers as driver controls, bus words as
// plain transfers whose errors are ignored. No mutex. Its self-test writes the card's
// identification codes into the text window.

#include "korvane/interfaces/int900_interface.h"
#include "korvane/interfaces/interface_context.h"

#include "common/devices/device_handle.h"

#include <memory>

namespace korvane {

class CInterfaceInt900Driver : public CInterfaceInt900Base {
public:
    // Opens the first INT900 driver device that can be opened (read/write, not shared).
    explicit CInterfaceInt900Driver(InterfaceContext context);
    ~CInterfaceInt900Driver() override;

    std::string displayName() override { return "INT900 über Treiber"; }
    bool isUsable() const override { return m_device != nullptr; }

    void busWrite(int systemAddress, int cardAddress, int functionAddress, int data) override;
    int busRead(int systemAddress, int cardAddress, int functionAddress) override;

    void writeRegister(int index, int value) override;
    int readRegister(int index) override;

    bool canSelfTest() override { return true; }
    void runSelfTest() override;

private:
    InterfaceContext m_context;
    std::unique_ptr<kw::DeviceHandle> m_device;
    std::unique_ptr<TextResultWindow> m_textWindow;
};

} // namespace korvane
