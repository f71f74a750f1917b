#include "common/devices/x86_port_io.h"

#include <cstdlib>
#include <cstring>

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define KW_HAVE_X86_PORTS 1
#endif

namespace kw {

namespace {

bool administratorAllowsPortIo() {
    const char* setting = std::getenv("KONTROLLWERK_PORT_IO");
    return setting && std::strcmp(setting, "1") == 0;
}

#ifdef KW_HAVE_X86_PORTS
class X86PortIo : public PortIo {
public:
    std::uint8_t in8(std::uint16_t port) override { return inb(port); }
    std::uint16_t in16(std::uint16_t port) override { return inw(port); }
    void out8(std::uint16_t port, std::uint8_t value) override { outb(value, port); }
    void out16(std::uint16_t port, std::uint16_t value) override { outw(value, port); }
    void out32(std::uint16_t port, std::uint32_t value) override { outl(value, port); }
};
#endif

} // namespace

PortIo* x86PortAccess(std::uint16_t base, std::uint16_t count) {
    if (!administratorAllowsPortIo() || count == 0) {
        return nullptr;
    }
#ifdef KW_HAVE_X86_PORTS
    static X86PortIo ports;
    if (ioperm(base, count, 1) == 0) {
        return &ports;
    }
#else
    (void)base;
#endif
    return nullptr;
}

} // namespace kw
