#pragma once

// Finding an adapter that has just been plugged in, over the device layer: one USB860
// enumeration per look, keeping the adapter with the notified path; its 16-bit twin when its
// decoder runs in ULM860 mode.

#include "korvane/interfaces/interface_context.h"
#include "korvane/tool/korvane_dialog_model.h"

namespace korvane {

class UsbAdapterFinderOnDevices : public UsbAdapterFinder {
public:
    explicit UsbAdapterFinderOnDevices(InterfaceContext context) : m_context(context) {}

    std::unique_ptr<CInterface> findAdapter(const std::string& path) override;
    std::unique_ptr<CInterface> makeDecoderTwin(CInterface& adapter) override;
    void sleepMs(int ms) override;
    std::int64_t nowMs() override;

private:
    InterfaceContext m_context;
};

} // namespace korvane
