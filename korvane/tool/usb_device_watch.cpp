#include "korvane/tool/usb_device_watch.h"

namespace korvane {

std::vector<UsbDeviceNotice> UsbDeviceWatch::takeNotices() {
    std::vector<UsbDeviceNotice> notices;
    for (const kw::DeviceNotice& notice : m_monitor.takeNotices()) {
        if (notice.kind == kw::DeviceKind::Usb860) {
            notices.push_back(
                UsbDeviceNotice{notice.type == kw::DeviceNotice::Type::Arrival, notice.path});
        }
    }
    return notices;
}

} // namespace korvane
