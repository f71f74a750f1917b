#include "korvane/tool/usb_adapter_finder.h"

#include "korvane/interfaces/usb_interface.h"

#include <chrono>
#include <thread>

namespace korvane {

std::unique_ptr<CInterface> UsbAdapterFinderOnDevices::findAdapter(const std::string& path) {
    Usb860Finder finder;
    std::unique_ptr<CInterface> kept;
    // The whole enumeration runs, so that the adapter gets its position as device number.
    while (auto adapter = finder.next(m_context)) {
        if (!kept && sameDevicePath(adapter->deviceName(), path)) {
            kept = std::move(adapter);
        }
    }
    return kept;
}

std::unique_ptr<CInterface> UsbAdapterFinderOnDevices::makeDecoderTwin(CInterface& adapter) {
    auto* usb = dynamic_cast<CInterfaceUsb860*>(&adapter);
    if (usb == nullptr || !usb->ulmMode()) {
        return nullptr;
    }
    return std::make_unique<CInterfaceUlm860>(*usb);
}

void UsbAdapterFinderOnDevices::sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t UsbAdapterFinderOnDevices::nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace korvane
