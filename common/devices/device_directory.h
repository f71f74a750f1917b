#pragma once

// The directory in which simulated adapters are published (one socket per device, named after
// its device path). Programs and simulator agree on it through the environment:
//   KONTROLLWERK_DEVICE_DIR        when set and not empty (a chosen directory)
//   $XDG_RUNTIME_DIR/kontrollwerk  else, when XDG_RUNTIME_DIR is set
//   /tmp/kontrollwerk-<uid>        else
//
// Whoever may write into the directory can put a fake adapter (and rack) there, so it is
// trusted only when nobody but its owner may write to it, and the owner is the user; a chosen
// directory may also belong to root. Device sockets of other owners are no devices either.

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace kw {

std::filesystem::path deviceDirectory();

// Whether the directory comes from KONTROLLWERK_DEVICE_DIR (or the simulator's --dir).
bool deviceDirectoryChosen();

// What makes a directory with these attributes untrusted for user `uid`, as the end of a
// sentence naming it ("gehört dem Benutzer 1001"); empty when it is trusted.
std::string directoryTrustProblem(const struct stat& info, uid_t uid, bool chosen);

// Empty when the directory may be used, else a German sentence naming it and what is wrong
// (missing, not a directory, another owner, writable by others, not readable).
std::string deviceDirectoryProblem(const std::filesystem::path& directory, bool chosen);

// Creates the directory (and missing parents) with mode 0700 when it does not exist, then
// checks it as deviceDirectoryProblem does. Empty on success, else the reason.
std::string ensureDeviceDirectory(const std::filesystem::path& directory, bool chosen);

// Whether a device socket belongs to the user (or root), so that its adapter may be used.
bool isTrustedSocket(const std::filesystem::path& path);

} // namespace kw
