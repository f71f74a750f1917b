#pragma once

// The hardware search of the start over the bus adapters: the USB860 adapter first, then the
// INT41 driver; the connection stays open while the main dialog runs.

#include "tarvik/app/start_sequence.h"
#include "tarvik/config/testsystem_connection.h"

#include <memory>

namespace tarvik {

class TestsystemHardwareSearch : public HardwareSearch {
public:
    bool connect() override;
    bool readFromHardware(CSystemInfo& system) override;
    void release() override;
    std::string adapterHint() override;

private:
    std::unique_ptr<TestsystemConnection> m_connection;
};

} // namespace tarvik
