#pragma once

// The directory in which simulated adapters are published (one socket per device, named after
// its device path). Programs and simulator agree on it through the environment:
//   KONTROLLWERK_DEVICE_DIR        when set and not empty
//   $XDG_RUNTIME_DIR/kontrollwerk  else, when XDG_RUNTIME_DIR is set
//   /tmp/kontrollwerk-<uid>        else

#include <filesystem>

namespace kw {

std::filesystem::path deviceDirectory();

// Creates the directory (and missing parents) with mode 0700 when it does not exist; false
// when it cannot be created or is not a directory.
bool ensureDeviceDirectory(const std::filesystem::path& directory);

} // namespace kw
