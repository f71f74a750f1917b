#include "korvane/interfaces/int900_direct.h"

#include "korvane/interfaces/busy_wait.h"
#include "korvane/interfaces/text_format.h"

#include "common/devices/int900_protocol.h"
#include "common/devices/port_io.h"

namespace korvane {

namespace {

constexpr std::uint16_t kFirstBase = 0x300;
constexpr std::uint16_t kLastBase = 0x338;
constexpr std::uint16_t kBaseStep = 8;
constexpr std::uint16_t kPortCount = 8;

// Registers by port offset from the base: the driver numbers the 16-bit words, the ports
// count bytes.
constexpr int kStatus = 2 * kw::int900::reg::Status; // bit 0 set: busy
constexpr int kCommand = 2 * kw::int900::reg::Command;
constexpr int kCode = 2 * kw::int900::reg::Code;

// Words written to the command register to start a transfer.
constexpr int kStartWrite = 3;
constexpr int kStartRead = 2;

std::uint16_t at(unsigned base, int offset) {
    return static_cast<std::uint16_t>(base + offset);
}

// The first two codes at one base: a word with high byte 0x33, then the first code word.
bool answersAt(kw::PortIo& ports, unsigned base) {
    ports.out16(at(base, kCode), kw::int900::kRestartCodes);
    if ((ports.in16(at(base, kCode)) >> 8) != kw::int900::kFirstCodeHighByte) {
        return false;
    }
    return ports.in16(at(base, kCode)) == kw::int900::kCodes[0];
}

// The remaining codes must follow in order.
bool restOfCodesFollow(kw::PortIo& ports, unsigned base) {
    for (std::size_t i = 1; i < kw::int900::kCodes.size(); ++i) {
        if (ports.in16(at(base, kCode)) != kw::int900::kCodes[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

CInterfaceInt900Direct::CInterfaceInt900Direct() {
    for (unsigned base = kFirstBase; base <= kLastBase; base += kBaseStep) {
        kw::PortIo* ports = kw::directPortAccess(static_cast<std::uint16_t>(base), kPortCount);
        if (ports == nullptr) {
            return;
        }
        if (answersAt(*ports, base)) {
            if (restOfCodesFollow(*ports, base)) {
                m_basePort = base;
                m_ports = ports;
            }
            return;
        }
    }
}

std::string CInterfaceInt900Direct::displayName() {
    return "INT900 direkt (0x" + formatHex(m_basePort) + ")";
}

void CInterfaceInt900Direct::writeRegister(int index, int value) {
    if (m_ports) {
        m_ports->out16(at(m_basePort, index), static_cast<std::uint16_t>(value));
    }
}

int CInterfaceInt900Direct::readRegister(int index) {
    return m_ports ? m_ports->in16(at(m_basePort, index)) : 0;
}

bool CInterfaceInt900Direct::waitReady() {
    return waitUntil(kBusyLimit, [&] { return (readRegister(kStatus) & 1) == 0; });
}

// A card that stays busy is given up silently, as the INT900 reports no transfer errors; only
// the failure count hears of it.
void CInterfaceInt900Direct::busWrite(int, int cardAddress, int functionAddress, int data) {
    if (!m_ports) {
        return;
    }
    if (!waitReady()) {
        noteTransferFailure();
        return;
    }
    writeRegister(kCommand, kStartWrite);
    writeRegister(kCommand, kw::int900::kWriteCommand);
    writeRegister(kCommand, (cardAddress & 0xFF) + 256 * (functionAddress & 0xFF));
    writeRegister(kCommand, data);
}

int CInterfaceInt900Direct::busRead(int, int cardAddress, int functionAddress) {
    if (!m_ports) {
        return 0;
    }
    if (!waitReady()) {
        noteTransferFailure();
        return 0;
    }
    writeRegister(kCommand, kStartRead);
    writeRegister(kCommand, kw::int900::kReadCommand);
    writeRegister(kCommand, (cardAddress & 0xFF) + 256 * (functionAddress & 0xFF));
    if (!waitReady()) {
        noteTransferFailure();
        return 0;
    }
    return readRegister(kCommand);
}

} // namespace korvane
