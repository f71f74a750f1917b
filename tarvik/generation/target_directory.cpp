#include "tarvik/generation/target_directory.h"

#include <algorithm>
#include <cstdlib>

namespace tarvik {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolder = "Testmappen";

fs::path homeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? fs::path(home) : fs::path("/");
}

void appendMounts(const fs::path& root, std::vector<fs::path>& out) {
    std::error_code error;
    std::vector<fs::path> mounts;
    for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (it->is_directory(error)) {
            mounts.push_back(it->path() / kFolder);
        }
    }
    std::sort(mounts.begin(), mounts.end());
    out.insert(out.end(), mounts.begin(), mounts.end());
}

} // namespace

std::vector<fs::path> targetDirectoryCandidates() {
    std::vector<fs::path> candidates = {homeFolder() / kFolder};
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') {
        appendMounts(fs::path("/media") / user, candidates);
    }
    appendMounts("/media", candidates);
    appendMounts("/mnt", candidates);
    return candidates;
}

fs::path searchTargetDirectory(const std::vector<fs::path>& candidates) {
    fs::path firstEmpty;
    for (const fs::path& candidate : candidates) {
        std::error_code error;
        if (!fs::is_directory(candidate, error)) {
            continue;
        }
        if (!fs::is_empty(candidate, error) && !error) {
            return candidate;
        }
        if (firstEmpty.empty()) {
            firstEmpty = candidate;
        }
    }
    return firstEmpty;
}

fs::path defaultTargetDirectory() {
    const fs::path found = searchTargetDirectory(targetDirectoryCandidates());
    return found.empty() ? homeFolder() / kFolder : found;
}

} // namespace tarvik
