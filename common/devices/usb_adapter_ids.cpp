#include "common/devices/usb_adapter_ids.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kw {

namespace {

bool parseHex16(std::string_view text, std::uint16_t& value) {
    if (text.empty() || text.size() > 4) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc() && end == text.data() + text.size();
}

bool parseId(std::string_view word, UsbId& id) {
    const auto colon = word.find(':');
    return colon != std::string_view::npos && parseHex16(word.substr(0, colon), id.vendor) &&
           parseHex16(word.substr(colon + 1), id.product);
}

void addOnce(std::vector<UsbId>& ids, const UsbId& id) {
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
        ids.push_back(id);
    }
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::vector<UsbId> parseUsbIds(std::string_view text, std::vector<std::string>* rejected) {
    std::vector<UsbId> ids;
    bool comment = false;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : '\n';
        const bool separator =
            c == '\n' || c == '\r' || c == ' ' || c == '\t' || c == ',' || c == ';' || c == '#';
        if (!separator) {
            continue;
        }
        if (!comment && i > begin) {
            const std::string_view word = text.substr(begin, i - begin);
            UsbId id;
            if (parseId(word, id)) {
                addOnce(ids, id);
            } else if (rejected) {
                rejected->emplace_back(word);
            }
        }
        if (c == '#') {
            comment = true;
        } else if (c == '\n') {
            comment = false;
        }
        begin = i + 1;
    }
    return ids;
}

std::filesystem::path userUsbIdsFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (config && *config) {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".config";
    } else {
        return {};
    }
    return base / "kontrollwerk" / kUsbIdsFileName;
}

std::vector<UsbId> configuredUsbIds() {
    if (const char* list = std::getenv(kUsbIdsVariable)) {
        return parseUsbIds(list);
    }
    std::vector<UsbId> ids;
    for (const std::filesystem::path& file :
         {std::filesystem::path(kUsbIdsSystemFile), userUsbIdsFile()}) {
        if (file.empty()) {
            continue;
        }
        for (const UsbId& id : parseUsbIds(fileText(file))) {
            addOnce(ids, id);
        }
    }
    return ids;
}

std::string usbIdText(const UsbId& id) {
    char text[10];
    std::snprintf(text, sizeof text, "%04x:%04x", id.vendor, id.product);
    return text;
}

} // namespace kw
