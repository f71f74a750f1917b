#include "common/files/file_ops.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace kw {

namespace {

bool makeOwnerWritable(const fs::path& path) {
    std::error_code error;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::add | fs::perm_options::nofollow, error);
    return !error;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

} // namespace

bool copyTree(const fs::path& source, const fs::path& target,
              const std::vector<std::string>& leaveOut) {
    std::error_code error;
    if (!fs::is_directory(source, error) || fs::exists(target, error) ||
        !fs::create_directory(target, source, error)) {
        return false;
    }
    for (fs::directory_iterator it(source, error), end; !error && it != end; it.increment(error)) {
        const fs::path name = it->path().filename();
        if (std::find(leaveOut.begin(), leaveOut.end(), name.string()) == leaveOut.end()) {
            fs::copy(it->path(), target / name, fs::copy_options::recursive, error);
        }
    }
    if (error) {
        return false;
    }
    if (!makeOwnerWritable(target)) {
        return false;
    }
    for (fs::recursive_directory_iterator it(target, error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_symlink() && !makeOwnerWritable(it->path())) {
            return false;
        }
    }
    return !error;
}

bool removeTree(const fs::path& path) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error))) {
        return true;
    }
    // Folders that lost their write permission cannot be emptied; give it back first.
    if (fs::is_directory(fs::symlink_status(path, error))) {
        makeOwnerWritable(path);
        for (fs::recursive_directory_iterator it(path, error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_directory() && !it->is_symlink()) {
                makeOwnerWritable(it->path());
            }
        }
    }
    fs::remove_all(path, error);
    return !error && !fs::exists(fs::symlink_status(path, error));
}

std::optional<fs::path> findCaseInsensitive(const fs::path& folder, std::string_view name) {
    std::error_code error;
    const fs::path exact = folder / std::string(name);
    if (fs::exists(fs::symlink_status(exact, error))) {
        return exact;
    }
    const auto match = matchCaseInsensitive(entryNames(folder), name);
    if (!match) {
        return std::nullopt;
    }
    return folder / *match;
}

std::vector<std::string> entryNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    return names;
}

std::optional<std::string> matchCaseInsensitive(const std::vector<std::string>& names,
                                                std::string_view name) {
    if (std::find(names.begin(), names.end(), name) != names.end()) {
        return std::string(name);
    }
    std::optional<std::string> first;
    for (const std::string& candidate : names) {
        if (equalsIgnoringCase(candidate, name) && (!first || candidate < *first)) {
            first = candidate;
        }
    }
    return first;
}

bool renameNoReplace(const fs::path& from, const fs::path& to) {
#ifdef SYS_renameat2
    constexpr unsigned kRenameNoReplace = 1;
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                  kRenameNoReplace) == 0) {
        return true;
    }
    if (errno != ENOSYS && errno != EINVAL) {
        return false;
    }
#endif
    // File systems without the atomic form: check, then rename.
    std::error_code error;
    if (fs::exists(fs::symlink_status(to, error))) {
        return false;
    }
    fs::rename(from, to, error);
    return !error;
}

bool isSafeFileName(std::string_view text) {
    if (text.empty() || text == "." || text.find("..") != std::string_view::npos) {
        return false;
    }
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7F;
    });
}

fs::path programFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : self.parent_path();
}

} // namespace kw
