#include "common/devices/device_directory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kw {

namespace {

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string named(const std::filesystem::path& directory) {
    return "Das Geräteverzeichnis " + directory.string() + " ";
}

} // namespace

std::filesystem::path deviceDirectory() {
    if (const char* dir = std::getenv("KONTROLLWERK_DEVICE_DIR"); dir && *dir) {
        return dir;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        return std::filesystem::path(runtime) / "kontrollwerk";
    }
    return "/tmp/kontrollwerk-" + std::to_string(getuid());
}

bool deviceDirectoryChosen() {
    const char* dir = std::getenv("KONTROLLWERK_DEVICE_DIR");
    return dir && *dir;
}

std::string directoryTrustProblem(const struct stat& info, uid_t uid, bool chosen) {
    if (!S_ISDIR(info.st_mode)) {
        return "ist kein Verzeichnis";
    }
    const bool ownerTrusted = info.st_uid == uid || (chosen && info.st_uid == 0);
    if (!ownerTrusted) {
        return "gehört dem Benutzer " + std::to_string(info.st_uid) + ", nicht " +
               std::to_string(uid) + (chosen ? " oder root" : "");
    }
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        return "ist für andere Benutzer beschreibbar (Rechte " + octal(info.st_mode) + ")";
    }
    return {};
}

std::string deviceDirectoryProblem(const std::filesystem::path& directory, bool chosen) {
    struct stat info {};
    // The default directory lies in a folder everybody writes to: a link planted there by
    // someone else must not lead elsewhere. A chosen directory is the user's own word.
    const int statted = chosen ? stat(directory.c_str(), &info) : lstat(directory.c_str(), &info);
    if (statted != 0) {
        return named(directory) + "ist nicht zugänglich: " + std::strerror(errno);
    }
    if (const std::string problem = directoryTrustProblem(info, getuid(), chosen);
        !problem.empty()) {
        return named(directory) + problem;
    }
    if (access(directory.c_str(), R_OK | X_OK) != 0) {
        return named(directory) + "kann nicht gelesen werden: " + std::strerror(errno);
    }
    return {};
}

std::string ensureDeviceDirectory(const std::filesystem::path& directory, bool chosen) {
    std::error_code error;
    if (directory.has_parent_path() && directory.parent_path() != directory) {
        std::filesystem::create_directories(directory.parent_path(), error);
    }
    // 0700: another user's programs must not reach this user's simulated adapters.
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        return named(directory) + "kann nicht angelegt werden: " + std::strerror(errno);
    }
    return deviceDirectoryProblem(directory, chosen);
}

bool isTrustedSocket(const std::filesystem::path& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) &&
           (info.st_uid == getuid() || info.st_uid == 0);
}

} // namespace kw
