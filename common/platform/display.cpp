#include "common/platform/display.h"

#include <cstdlib>
#include <string_view>

namespace kw {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

bool hasDisplay() {
    if (const char* platform = std::getenv("QT_QPA_PLATFORM")) {
        const std::string_view name(platform);
        if (name == "offscreen" || name == "minimal") {
            return false;
        }
    }
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

} // namespace kw
