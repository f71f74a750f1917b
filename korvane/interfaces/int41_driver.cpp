#include "korvane/interfaces/int41_driver.h"

#include "korvane/interfaces/bus_mutex.h"
#include "korvane/interfaces/text_format.h"

#include "common/devices/int41_protocol.h"
#include "common/sync/named_mutex.h"

namespace korvane {

namespace {

constexpr int kDriverCheckValue = 0x8A;
const char* const kTimeoutText = "Timeout beim Zugriff auf die Int41-Schnittstelle!";

std::uint32_t word(int value) {
    return static_cast<std::uint32_t>(value);
}

} // namespace

CInterfaceInt41Driver::CInterfaceInt41Driver(InterfaceContext context,
                                             std::unique_ptr<kw::DeviceHandle> device)
    : CInterfaceInt41Base(context), m_device(std::move(device)), m_mutex(context.mutexes.int41) {
    if (m_device) {
        m_basePort = kw::int41::baseAddress(*m_device);
        checkRegisters(kDriverCheckValue);
    }
    m_name = "INT41 über Treiber";
    if (m_basePort != 0) {
        m_name += " (0x" + formatHex(m_basePort) + ")";
    }
    if (!m_registerCheckPassed) {
        m_name = "(?) - " + m_name;
    }
}

CInterfaceInt41Driver::~CInterfaceInt41Driver() = default;

void CInterfaceInt41Driver::writeRegister(int index, int value) {
    if (m_device) {
        kw::int41::writeRegister(*m_device, word(index), word(value));
    }
}

int CInterfaceInt41Driver::readRegister(int index) {
    if (!m_device) {
        return 0;
    }
    return static_cast<int>(kw::int41::readRegister(*m_device, word(index)).value);
}

void CInterfaceInt41Driver::busWrite(int systemAddress, int cardAddress, int functionAddress,
                                     int data) {
    if (!m_device) {
        return;
    }
    BusWordLock lock(m_mutex, MutexRule::Int41);
    if (!lock.granted()) {
        lock.release();
        reportTimeout();
        return;
    }
    if (!kw::int41::writeBusWord(*m_device, word(systemAddress), word(cardAddress),
                                 word(functionAddress), word(data))
             .ok()) {
        noteTransferFailure();
    }
}

int CInterfaceInt41Driver::busRead(int systemAddress, int cardAddress, int functionAddress) {
    if (!m_device) {
        return 0;
    }
    BusWordLock lock(m_mutex, MutexRule::Int41);
    if (!lock.granted()) {
        lock.release();
        reportTimeout();
        return 0;
    }
    const auto result = kw::int41::readBusWord(*m_device, word(systemAddress), word(cardAddress),
                                               word(functionAddress));
    if (!result.transfer.complete(kw::int41::kBusWordBufferSize)) {
        noteTransferFailure();
    }
    return static_cast<int>(result.value);
}

void CInterfaceInt41Driver::reportTimeout() {
    noteTransferFailure();
    context().messages.show(MessageFamily::Int41, kTimeoutText);
}

std::unique_ptr<CInterfaceInt41Driver> Int41DriverFinder::next(InterfaceContext context) {
    if (!m_enumerated) {
        m_devices = kw::enumerateDevices(kw::DeviceKind::Int41Driver);
        m_next = 0;
        m_enumerated = true;
    }
    while (m_next < m_devices.size()) {
        auto opened =
            kw::openDevice(m_devices[m_next++].path, kw::Access::ReadWrite, kw::Sharing::Exclusive);
        if (opened) {
            return std::make_unique<CInterfaceInt41Driver>(context, std::move(opened.handle));
        }
    }
    m_enumerated = false;
    return nullptr;
}

} // namespace korvane
