#include "korvane/interfaces/int900_driver.h"

#include "common/devices/devices.h"
#include "common/devices/int900_protocol.h"

namespace korvane {

namespace {

std::uint16_t word(int value) {
    return static_cast<std::uint16_t>(value);
}

} // namespace

CInterfaceInt900Driver::CInterfaceInt900Driver(InterfaceContext context) : m_context(context) {
    for (const kw::DeviceInfo& device : kw::enumerateDevices(kw::DeviceKind::Int900Driver)) {
        auto opened = kw::openDevice(device.path, kw::Access::ReadWrite, kw::Sharing::Exclusive);
        if (opened) {
            m_device = std::move(opened.handle);
            break;
        }
    }
}

CInterfaceInt900Driver::~CInterfaceInt900Driver() = default;

void CInterfaceInt900Driver::writeRegister(int index, int value) {
    if (m_device) {
        kw::int900::writeRegister(*m_device, word(index), word(value));
    }
}

int CInterfaceInt900Driver::readRegister(int index) {
    return m_device ? static_cast<int>(kw::int900::readRegister(*m_device, word(index)).value) : 0;
}

void CInterfaceInt900Driver::busWrite(int, int cardAddress, int functionAddress, int data) {
    if (m_device &&
        !kw::int900::busWrite(*m_device, word(cardAddress), word(functionAddress), word(data))
             .complete(kw::int900::kWriteSize)) {
        noteTransferFailure();
    }
}

int CInterfaceInt900Driver::busRead(int, int cardAddress, int functionAddress) {
    if (!m_device) {
        return 0;
    }
    const auto result = kw::int900::busRead(*m_device, word(cardAddress), word(functionAddress));
    if (!result.transfer.complete(kw::int900::kReadAnswerSize)) {
        noteTransferFailure();
    }
    return static_cast<int>(result.value);
}

void CInterfaceInt900Driver::runSelfTest() {
    if (!m_textWindow) {
        m_textWindow = m_context.windows.makeTextWindow();
    }
    runInt900DriverSelfTest(*this, *m_textWindow);
}

} // namespace korvane
