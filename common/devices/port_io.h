#pragma once

// Direct access to the I/O ports of an interface card (INT41 at 0x310/0x318, INT900 at
// 0x300 ... 0x338), for the "direkt" interfaces that bypass the drivers.
//
// On Linux x86 the ports are reached with ioperm/inb/outb, but only when the administrator
// asks for it with KONTROLLWERK_PORT_IO=1 and the process has the permission (root or
// CAP_SYS_RAWIO): probing ports of a PC that has no such card can upset other hardware.
// Otherwise the platform "does not allow direct port access" and the interfaces keep base 0.
// An in-process simulator can stand in for the cards (setSimulatedPorts).

#include <cstdint>

namespace kw {

class PortIo {
public:
    virtual ~PortIo() = default;
    // One byte, one 16-bit word or one 32-bit dword at a port (little-endian over the
    // following ports, as the PC bus splits wider accesses to byte-wide registers).
    virtual std::uint8_t in8(std::uint16_t port) = 0;
    virtual std::uint16_t in16(std::uint16_t port) = 0;
    virtual void out8(std::uint16_t port, std::uint8_t value) = 0;
    virtual void out16(std::uint16_t port, std::uint16_t value) = 0;
    virtual void out32(std::uint16_t port, std::uint32_t value) = 0;
};

// Access to the ports base ... base + count - 1, or nullptr when the platform does not allow
// direct port access there. The object lives until program exit.
PortIo* directPortAccess(std::uint16_t base, std::uint16_t count);

// Makes `ports` the machine's port space for this process (nullptr gives it back to the
// platform). Used by the in-process simulator; the caller keeps the object alive meanwhile.
void setSimulatedPorts(PortIo* ports);

} // namespace kw
