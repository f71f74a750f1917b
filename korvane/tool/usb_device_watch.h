#pragma once

// Arrival and removal notices of USB860 adapters from the device layer, for the main dialog.

#include "common/devices/device_monitor.h"
#include "korvane/tool/usb_device_notices.h"

namespace korvane {

class UsbDeviceWatch : public UsbDeviceNotices {
public:
    UsbDeviceWatch() : m_monitor(kw::DeviceKind::Usb860) {}

    int fileDescriptor() const override {
        return m_monitor.isActive() ? m_monitor.fileDescriptor() : -1;
    }
    std::vector<UsbDeviceNotice> takeNotices() override;

private:
    kw::DeviceMonitor m_monitor;
};

} // namespace korvane
