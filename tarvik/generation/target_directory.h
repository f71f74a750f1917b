#pragma once

// The default folder in which Testmappen are generated. Where the desktop program looked for
// "<drive>:\Testmappen" on the drives C to Z, it looks here for "Testmappen" in the home
// folder and then on every mounted medium (/media/<user>/*, /media/*, /mnt/*, in name order).

#include <filesystem>
#include <vector>

namespace tarvik {

std::vector<std::filesystem::path> targetDirectoryCandidates();

// The first candidate that is a directory and not empty; otherwise the first existing empty
// one; otherwise nothing (an empty path).
std::filesystem::path searchTargetDirectory(const std::vector<std::filesystem::path>& candidates);

// The search result, or "Testmappen" in the home folder when the search finds nothing.
std::filesystem::path defaultTargetDirectory();

} // namespace tarvik
