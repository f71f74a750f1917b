#include "korvane/interfaces/int41_direct.h"

#include "korvane/interfaces/busy_wait.h"
#include "korvane/interfaces/text_format.h"

#include "common/devices/port_io.h"

namespace korvane {

namespace {

constexpr int kDirectCheckValue = 0x0A;
constexpr int kRegisterCount = 8;

// Strobes of the control register around a bus cycle, or-ed to the function address.
enum ControlStrobe : int { kWriteIdle = 0xD0, kWriteStart = 0x50, kIdle = 0x80 };

constexpr int kReadBusy = 0x8000; // bit 15 of the word at base + 4: cycle still running

const char* const kTimeoutText = "Timeout beim Zugriff auf die Int41-Schnittstelle!";

} // namespace

CInterfaceInt41Direct::CInterfaceInt41Direct(InterfaceContext context, unsigned basePort)
    : CInterfaceInt41Base(context) {
    m_ports = kw::directPortAccess(static_cast<std::uint16_t>(basePort), kRegisterCount);
    if (m_ports) {
        m_basePort = basePort;
        checkRegisters(kDirectCheckValue);
    }
    m_name = "INT41 direkt (0x" + formatHex(m_basePort) + ")";
}

void CInterfaceInt41Direct::writeRegister(int index, int value) {
    if (m_ports) {
        m_ports->out8(port(index), static_cast<std::uint8_t>(value));
    }
}

int CInterfaceInt41Direct::readRegister(int index) {
    return m_ports ? m_ports->in8(port(index)) : 0;
}

// Each value is cut to its register's byte, so that an out-of-range value (from a hand-edited
// sequence file) cannot spill into the strobes of the control register.
void CInterfaceInt41Direct::writeAddressRegisters(int data, int control, int card, int system) {
    const std::uint32_t value = static_cast<std::uint32_t>(data & 0xFF) |
                                static_cast<std::uint32_t>(control & 0xFF) << 8 |
                                static_cast<std::uint32_t>(card & 0xFF) << 16 |
                                static_cast<std::uint32_t>(system & 0xFF) << 24;
    m_ports->out32(port(kw::int41::reg::Data), value);
}

void CInterfaceInt41Direct::busWrite(int systemAddress, int cardAddress, int functionAddress,
                                     int data) {
    if (!m_ports) {
        return;
    }
    const int f = functionAddress & 0x0F;
    writeAddressRegisters(data, f | kWriteIdle, cardAddress, systemAddress);
    writeRegister(kw::int41::reg::Control, f | kWriteStart);
    // 0x7F and below: the cycle is over.
    const bool done =
        waitUntil(kBusyLimit, [&] { return readRegister(kw::int41::reg::Status) <= 0x7F; });
    writeRegister(kw::int41::reg::Control, f | kWriteIdle);
    writeRegister(kw::int41::reg::Control, f | kIdle);
    if (!done) {
        reportTimeout();
    }
}

int CInterfaceInt41Direct::busRead(int systemAddress, int cardAddress, int functionAddress) {
    if (!m_ports) {
        return 0;
    }
    const int f = functionAddress & 0x0F;
    writeAddressRegisters(0, f | kIdle, cardAddress, systemAddress);
    writeRegister(kw::int41::reg::Control, f);
    int word = 0;
    const bool done = waitUntil(kBusyLimit, [&] {
        word = m_ports->in16(port(kw::int41::reg::ReadData));
        return (word & kReadBusy) == 0;
    });
    writeRegister(kw::int41::reg::Control, f | kIdle);
    if (!done) {
        reportTimeout();
        return 0;
    }
    return word & 0xFF;
}

void CInterfaceInt41Direct::reportTimeout() {
    noteTransferFailure();
    context().messages.show(MessageFamily::Int41, kTimeoutText);
}

} // namespace korvane
