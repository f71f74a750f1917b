#pragma once

// The three bus adapter devices and how their device paths are formed.
//
// A device path has the "#"-separated fields of the platform's device-interface paths:
//
//     <device directory>/<bus>#<hardware id>#<instance or serial number>#{<interface class>}
//
//     .../usb#vid_0b1e&pid_0860#4711#{2f8b6d13-c94e-4a7d-8e05-b3a17c6f9d52}   USB860, serial 4711
//     .../root#int41#0000#{5e3a1c20-7b4d-4f19-a2c6-3d8e9b10f4a7}              first INT41 driver
//
// so "%*[^#]#%255[^#]#%255[^#]#" reads the hardware id and the serial number (third field).
// The interface class (last field, lower case) tells the device kind. The device directory
// must not contain "#".

#include <optional>
#include <string>

namespace kw {

enum class DeviceKind { Int41Driver, Int900Driver, Usb860 };

// Interface class of a device kind in upper case, with braces:
// "{5E3A1C20-7B4D-4F19-A2C6-3D8E9B10F4A7}".
const char* interfaceClass(DeviceKind kind);

// Short German label of a kind for messages ("INT41-Treiber", "INT900-Treiber", "USB860").
const char* deviceKindLabel(DeviceKind kind);

// The kind whose interface class ends a device file name (case-insensitive); nullopt for
// names of other files.
std::optional<DeviceKind> deviceKindOfName(const std::string& fileName);

// File names of devices in the device directory. `instance` counts driver devices of one kind
// from 0; the USB serial number must not be empty and must not contain "#" or "/".
std::string int41DriverDeviceName(int instance);
std::string int900DriverDeviceName(int instance);
std::string usb860DeviceName(const std::string& serialNumber);

// The n-th "#"-separated field of a device path (0 = up to the first "#"), or nullopt when the
// path has fewer fields. The serial number of a USB860 path is field 2.
std::optional<std::string> devicePathField(const std::string& path, int n);

} // namespace kw
