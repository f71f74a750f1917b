#pragma once

// Devices that testsystem-sim publishes as Unix sockets in the device directory. Every open
// handle is one connection; a request waits at most kSocketReplyTimeoutMs for its reply
// (ETIMEDOUT), so a stopped simulator never hangs a program. A handle and its duplicates share
// the connection and are used by one thread at a time.

#include "common/devices/device_backend.h"

namespace kw {

inline constexpr int kSocketReplyTimeoutMs = 10000;
// The hello that opens a handle is answered at once by a simulator; a socket whose owner
// takes the connection but never answers is given up after this.
inline constexpr int kSocketGreetingTimeoutMs = 2000;

DeviceBackend& socketBackend();

} // namespace kw
