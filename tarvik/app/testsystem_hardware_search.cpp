#include "tarvik/app/testsystem_hardware_search.h"

#include "tarvik/config/read_from_hardware.h"

#include "common/devices/libusb_backend.h"

namespace tarvik {

bool TestsystemHardwareSearch::connect() {
    m_connection = std::make_unique<TestsystemConnection>();
    if (!m_connection->connect()) {
        m_connection.reset();
        return false;
    }
    return true;
}

bool TestsystemHardwareSearch::readFromHardware(CSystemInfo& system) {
    return !m_connection || tarvik::readFromHardware(system, *m_connection);
}

void TestsystemHardwareSearch::release() { m_connection.reset(); }

std::string TestsystemHardwareSearch::adapterHint() {
    return kw::usbAdapterHint();
}

} // namespace tarvik
