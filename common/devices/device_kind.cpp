#include "common/devices/device_kind.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace kw {

namespace {

struct KindEntry {
    DeviceKind kind;
    const char* interfaceClass;
    const char* label;
};

constexpr std::array<KindEntry, 3> kKinds{{
    {DeviceKind::Int41Driver, "{5E3A1C20-7B4D-4F19-A2C6-3D8E9B10F4A7}", "INT41-Treiber"},
    {DeviceKind::Int900Driver, "{9C7D2E41-0A6B-4E83-B5F2-61C4D8A3E920}", "INT900-Treiber"},
    {DeviceKind::Usb860, "{2F8B6D13-C94E-4A7D-8E05-B3A17C6F9D52}", "USB860"},
}};

const KindEntry& entryOf(DeviceKind kind) {
    return *std::find_if(kKinds.begin(), kKinds.end(),
                         [kind](const KindEntry& e) { return e.kind == kind; });
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string driverName(const char* hardwareId, DeviceKind kind, int instance) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", instance);
    return std::string("root#") + hardwareId + "#" + number + "#" + lowerCase(interfaceClass(kind));
}

} // namespace

const char* interfaceClass(DeviceKind kind) {
    return entryOf(kind).interfaceClass;
}

const char* deviceKindLabel(DeviceKind kind) {
    return entryOf(kind).label;
}

std::optional<DeviceKind> deviceKindOfName(const std::string& fileName) {
    const auto hash = fileName.rfind('#');
    if (hash == std::string::npos || fileName.empty() || fileName[0] == '.') {
        return std::nullopt;
    }
    const std::string last = lowerCase(fileName.substr(hash + 1));
    for (const KindEntry& entry : kKinds) {
        if (last == lowerCase(entry.interfaceClass)) {
            return entry.kind;
        }
    }
    return std::nullopt;
}

std::string int41DriverDeviceName(int instance) {
    return driverName("int41", DeviceKind::Int41Driver, instance);
}

std::string int900DriverDeviceName(int instance) {
    return driverName("int900", DeviceKind::Int900Driver, instance);
}

std::string usb860DeviceName(const std::string& serialNumber) {
    return "usb#vid_0b1e&pid_0860#" + serialNumber + "#" +
           lowerCase(interfaceClass(DeviceKind::Usb860));
}

std::optional<std::string> devicePathField(const std::string& path, int n) {
    std::size_t begin = 0;
    for (int i = 0; i < n; ++i) {
        begin = path.find('#', begin);
        if (begin == std::string::npos) {
            return std::nullopt;
        }
        ++begin;
    }
    const auto end = path.find('#', begin);
    return path.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

} // namespace kw
