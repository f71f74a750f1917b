#pragma once

// How a USB adapter is named and selected from its device path. The path carries
// "#"-separated fields; the third is the adapter's serial number.

#include <optional>
#include <string>

namespace korvane {

// The second and third field of the path as "%*[^#]#%255[^#]#%255[^#]#" reads them (each at
// most 255 characters); nothing when either cannot be read.
struct UsbPathFields {
    std::string second;
    std::string serialNumber;
};
std::optional<UsbPathFields> readUsbPathFields(const std::string& path);

// The third field as "%*[^#]#%*[^#]#%255[^#]#" reads it; nothing when it cannot be read.
std::optional<std::string> readUsbSerialField(const std::string& path);

// The list text of an adapter: "<type> (<serial>)" when the serial number reads as a nonzero
// decimal number, else "<type>" for the first adapter found and "<type> (<n>)" for the n-th;
// then the speed: " (LowSpeed)" for 0, " (FullSpeed)" for 1, nothing for 2 (high),
// " (???Speed)" for anything else.
std::string usbDisplayName(const std::string& path, const std::string& typeName, int deviceNumber,
                           int speed);

} // namespace korvane
