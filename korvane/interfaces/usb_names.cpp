#include "korvane/interfaces/usb_names.h"

#include "korvane/interfaces/text_format.h"

namespace korvane {

namespace {

constexpr std::size_t kFieldWidth = 255;

// Walks a path the way sscanf walks its "%[^#]" and "#" directives.
class FieldScanner {
public:
    explicit FieldScanner(const std::string& text) : m_text(text) {}

    // "%[^#]" with a width (0 = none): at least one character, else a matching failure.
    std::optional<std::string> field(std::size_t width) {
        std::size_t end = m_pos;
        while (end < m_text.size() && m_text[end] != '#' && (width == 0 || end - m_pos < width)) {
            ++end;
        }
        if (end == m_pos) {
            return std::nullopt;
        }
        std::string value = m_text.substr(m_pos, end - m_pos);
        m_pos = end;
        return value;
    }

    bool separator() {
        if (m_pos < m_text.size() && m_text[m_pos] == '#') {
            ++m_pos;
            return true;
        }
        return false;
    }

private:
    const std::string& m_text;
    std::size_t m_pos = 0;
};

} // namespace

std::optional<UsbPathFields> readUsbPathFields(const std::string& path) {
    FieldScanner scan(path);
    if (!scan.field(0) || !scan.separator()) {
        return std::nullopt;
    }
    auto second = scan.field(kFieldWidth);
    if (!second || !scan.separator()) {
        return std::nullopt;
    }
    auto third = scan.field(kFieldWidth);
    if (!third) {
        return std::nullopt;
    }
    return UsbPathFields{std::move(*second), std::move(*third)};
}

std::optional<std::string> readUsbSerialField(const std::string& path) {
    FieldScanner scan(path);
    if (!scan.field(0) || !scan.separator() || !scan.field(0) || !scan.separator()) {
        return std::nullopt;
    }
    return scan.field(kFieldWidth);
}

std::string usbDisplayName(const std::string& path, const std::string& typeName, int deviceNumber,
                           int speed) {
    std::string name;
    const auto fields = readUsbPathFields(path);
    std::size_t consumed = 0;
    if (fields && parseDecimal(fields->serialNumber, consumed) != 0) {
        name = typeName + " (" + fields->serialNumber + ")";
    } else if (deviceNumber == 1) {
        name = typeName;
    } else {
        name = typeName + " (" + std::to_string(deviceNumber) + ")";
    }
    switch (speed) {
    case 0:
        return name + " (LowSpeed)";
    case 1:
        return name + " (FullSpeed)";
    case 2:
        return name;
    default:
        return name + " (???Speed)";
    }
}

} // namespace korvane
