#pragma once

// Which USB devices are USB860 adapters. There is no built-in ID: the USB vendor and product
// IDs are configured, one "VID:PID" (hexadecimal) per line, "#" starting a comment:
//
//     # USB860 adapters of the lab
//     0b1e:0860
//
// Sources, all read and joined:
//   /etc/kontrollwerk/usb860-ids.conf                         system-wide
//   $XDG_CONFIG_HOME/kontrollwerk/usb860-ids.conf             per user (else ~/.config/...)
// The environment variable KONTROLLWERK_USB860_IDS, when set, replaces both files: its value
// is a list of VID:PID separated by blanks, commas or semicolons (tests set it).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

struct UsbId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    bool operator==(const UsbId&) const = default;
};

inline constexpr const char* kUsbIdsVariable = "KONTROLLWERK_USB860_IDS";
inline constexpr const char* kUsbIdsFileName = "usb860-ids.conf";
inline constexpr const char* kUsbIdsSystemFile = "/etc/kontrollwerk/usb860-ids.conf";

// The IDs in a text of that format (lines, or the variable's list); malformed entries are
// skipped and, when `rejected` is given, collected there as written.
std::vector<UsbId> parseUsbIds(std::string_view text, std::vector<std::string>* rejected = nullptr);

// The per-user file: $XDG_CONFIG_HOME/kontrollwerk/..., else $HOME/.config/kontrollwerk/...;
// empty when neither variable is set.
std::filesystem::path userUsbIdsFile();

// The configured IDs (variable, else both files), each once, in the order first seen.
std::vector<UsbId> configuredUsbIds();

// "0b1e:0860".
std::string usbIdText(const UsbId& id);

} // namespace kw
