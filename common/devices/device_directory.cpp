#include "common/devices/device_directory.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kw {

std::filesystem::path deviceDirectory() {
    if (const char* dir = std::getenv("KONTROLLWERK_DEVICE_DIR"); dir && *dir) {
        return dir;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        return std::filesystem::path(runtime) / "kontrollwerk";
    }
    return "/tmp/kontrollwerk-" + std::to_string(getuid());
}

bool ensureDeviceDirectory(const std::filesystem::path& directory) {
    std::error_code error;
    if (std::filesystem::is_directory(directory, error)) {
        return true;
    }
    if (directory.has_parent_path() && directory.parent_path() != directory) {
        std::filesystem::create_directories(directory.parent_path(), error);
    }
    // 0700: another user's programs must not reach this user's simulated adapters.
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    return std::filesystem::is_directory(directory, error);
}

} // namespace kw
