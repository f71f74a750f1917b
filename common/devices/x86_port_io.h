#pragma once

// The platform's port access: ioperm/inb/outb on Linux x86, only with KONTROLLWERK_PORT_IO=1
// and the permission to change the port map. Elsewhere there is none.

#include "common/devices/port_io.h"

namespace kw {

// The platform's ports base ... base + count - 1, or nullptr when not allowed.
PortIo* x86PortAccess(std::uint16_t base, std::uint16_t count);

} // namespace kw
