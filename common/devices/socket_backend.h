#pragma once

// Devices that testsystem-sim publishes as Unix sockets in the device directory. Every open
// handle is one connection; a request waits at most kSocketReplyTimeoutMs for its reply
// (ETIMEDOUT), so a stopped simulator never hangs a program. A handle and its duplicates share
// the connection and are used by one thread at a time.

#include "common/devices/device_backend.h"

namespace kw {

inline constexpr int kSocketReplyTimeoutMs = 10000;

DeviceBackend& socketBackend();

} // namespace kw
