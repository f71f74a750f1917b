#pragma once

// What the libusb backend's parts share (libusb_backend.cpp: enumeration, pipes; and
// libusb_notices.cpp: hot-plug). Internal to common/devices.

#include "common/devices/device_backend.h"
#include "common/devices/usb_adapter_ids.h"

#include <libusb.h>

#include <memory>
#include <string>
#include <vector>

namespace kw {

// The process's libusb context (nullptr when libusb cannot work here).
libusb_context* libusbContext();

// Whether a device has one of the configured adapter IDs.
bool isUsbAdapter(const libusb_device_descriptor& descriptor, const std::vector<UsbId>& ids);

// The device path of an adapter (its serial string read once while it stays connected);
// empty when it cannot be opened.
std::string adapterPath(libusb_device* device, const libusb_device_descriptor& descriptor);

// The path an adapter that went away had, forgotten now; empty when it was never listed.
std::string forgetAdapterPath(libusb_device* device);

// Arrival and removal notices of adapters; nullptr when libusb has no hot-plug here.
std::unique_ptr<NoticeSource> watchAdapters();

} // namespace kw
