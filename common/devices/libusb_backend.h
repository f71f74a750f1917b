#pragma once

// Real USB860 adapters through libusb-1.0 (on Linux: usbfs, with udev for hot-plug).
//
// The backend lists the USB devices whose vendor and product IDs are configured as adapters
// (usb_adapter_ids.h), under device paths of the usual "#"-separated form with a location
// prefix that keeps two adapters without serial number apart:
//
//     //usb/<bus>-<port>.<port>.../usb#vid_0b1e&pid_0860#<serial>#{2f8b6d13-...}
//
// The serial number is the device's serial string; an empty or unreadable one, or one that
// cannot stand in a path ("#", "/", control characters), becomes "0".
//
// Pipes are the bulk endpoints of the adapter's interface in descriptor order: the first IN
// is pipe 0 (read), the first OUT pipe 1 (write), the second OUT pipe 2, the second IN pipe 3.
// The first pipe opened in a process opens the device and claims the interface (a bound
// kernel driver is detached first); the claim is given back when the last handle on it closes.
// A claim is exclusive on Linux: a second program finds the adapter busy (EBUSY) until then.
//
// Transfers wait at most kUsbWriteTimeoutMs / kUsbReadTimeoutMs and report the bytes that
// moved and an errno code (ETIMEDOUT, ENODEV after an unplug, EPIPE for a stalled endpoint,
// EIO ...). Bytes the adapter sent beyond what a read asked for are kept for the next read of
// the same pipe (in this process), as the adapter's queue holds them.

#include "common/devices/device_backend.h"

#include <string>

namespace kw {

inline constexpr const char* kLibusbPathPrefix = "//usb/";
inline constexpr int kUsbWriteTimeoutMs = 1000;
inline constexpr int kUsbReadTimeoutMs = 1000;

// The udev rule installed under lib/udev/rules.d/ that gives the logged-in user (and the
// group plugdev) access to the configured adapters.
inline constexpr const char* kUdevRuleName = "70-kontrollwerk-usb860.rules";

DeviceBackend& libusbBackend();

// One line for the "no interface" messages about real adapters: how to configure their IDs
// when none are, or the last adapter that was found but could not be used (no permission,
// busy). Empty when there is nothing to say, also while a backend before this one hides it.
std::string usbAdapterHint();

} // namespace kw
