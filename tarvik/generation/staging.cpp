#include "tarvik/generation/staging.h"

#include "common/files/file_ops.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tarvik {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kLock = ".tarvik-lock";
constexpr std::string_view kStaging = ".tarvik-staging";
constexpr std::string_view kReplaced = ".tarvik-replaced";

fs::path hidden(const fs::path& finalPath, std::string_view suffix) {
    // Appended piece by piece (GCC 12 at -O3 misreads a + of a literal and a temporary).
    std::string name(1, '.');
    name += finalPath.filename().string();
    name += suffix;
    return finalPath.parent_path() / name;
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The Testmappe a hidden lock file, staging or replaced folder belongs to; empty for any
// other name.
std::string ownerOf(std::string_view name) {
    for (std::string_view suffix : {kLock, kStaging, kReplaced}) {
        if (name.size() > 1 + suffix.size() && name.front() == '.' && endsWith(name, suffix)) {
            return std::string(name.substr(1, name.size() - 1 - suffix.size()));
        }
    }
    return {};
}

bool pathExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

} // namespace

StagingNames stagingNames(const fs::path& finalPath) {
    return {finalPath, hidden(finalPath, kStaging), hidden(finalPath, kReplaced),
            hidden(finalPath, kLock)};
}

std::size_t hiddenNameExtra() {
    return 1 + std::max({kLock.size(), kStaging.size(), kReplaced.size()});
}

kw::FileLock::Outcome lockTestmappen(const std::vector<fs::path>& finals,
                                     std::vector<kw::FileLock>& locks, fs::path& blocked) {
    std::vector<fs::path> order = finals;
    std::sort(order.begin(), order.end());
    locks.clear();
    for (const fs::path& final : order) {
        kw::FileLock lock;
        const auto outcome = kw::FileLock::tryTake(stagingNames(final).lock, lock);
        if (outcome != kw::FileLock::Outcome::Taken) {
            locks.clear();
            blocked = final;
            return outcome;
        }
        locks.push_back(std::move(lock));
    }
    return kw::FileLock::Outcome::Taken;
}

void removeLeftovers(const fs::path& targetDirectory, const std::vector<fs::path>& ownFinals) {
    for (const std::string& name : kw::entryNames(targetDirectory)) {
        const std::string owner = ownerOf(name);
        if (owner.empty()) {
            continue;
        }
        const fs::path final = targetDirectory / owner;
        const fs::path leftover = targetDirectory / name;
        if (std::find(ownFinals.begin(), ownFinals.end(), final) != ownFinals.end()) {
            if (leftover != stagingNames(final).lock) {
                kw::removeTree(leftover);
            }
            continue;
        }
        // A run that is alive holds the lock of its Testmappe; a dead one holds nothing. A
        // lock file alone goes when its lock is let go.
        kw::FileLock lock;
        if (kw::FileLock::tryTake(stagingNames(final).lock, lock) ==
                kw::FileLock::Outcome::Taken &&
            leftover != stagingNames(final).lock) {
            kw::removeTree(leftover);
        }
    }
}

bool placeTestmappe(const StagingNames& names, bool replace, fs::path& old) {
    old.clear();
    if (replace && pathExists(names.final)) {
        if (kw::exchangePaths(names.staging, names.final)) {
            old = names.staging;
            return true;
        }
        if (errno == ENOENT) {
            return placeTestmappe(names, false, old); // the old one went meanwhile
        }
        if (errno != EINVAL && errno != ENOSYS) {
            return false;
        }
        // No swap on this file system: the old folder steps aside first, and comes back when
        // the new one cannot take its place.
        if (!kw::removeTree(names.replaced) || !kw::renameNoReplace(names.final, names.replaced)) {
            return false;
        }
        if (!kw::renameNoReplace(names.staging, names.final)) {
            kw::renameNoReplace(names.replaced, names.final);
            return false;
        }
        old = names.replaced;
        return true;
    }
    return kw::renameNoReplace(names.staging, names.final);
}

} // namespace tarvik
