#include "common/files/file_ops.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace kw {

namespace {

FileFaultHook& faultHook() {
    static FileFaultHook hook;
    return hook;
}

// The hook's answer for one call; 0 when no hook is installed or it lets the call go ahead.
int injectedFault(FileOp op, const fs::path& path) {
    const FileFaultHook& hook = faultHook();
    return hook ? hook(op, path) : 0;
}

// Asks the hook; when it injects an error, sets errno to it and says so.
bool failsByFault(FileOp op, const fs::path& path) {
    const int fault = injectedFault(op, path);
    if (fault > 0) {
        errno = fault;
        return true;
    }
    return false;
}

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

// A file descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }
    // Closes now; false when the close reported an error (a late write error on some file
    // systems).
    bool close() {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

int openFile(const fs::path& path, int flags, mode_t mode = 0) {
    if (failsByFault(FileOp::Open, path)) {
        return -1;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes all of data; false on any error.
bool writeAll(int fd, const char* data, std::size_t size, const fs::path& path) {
    while (size > 0) {
        if (failsByFault(FileOp::Write, path)) {
            return false;
        }
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies from the current offsets until the source ends: in the kernel when it can, else
// through a buffer. Returns the bytes copied, or -1 on an error.
long long copyContents(int from, int to, const fs::path& path) {
    long long copied = 0;
    bool inKernel = true;
    constexpr std::size_t kBuffer = 1 << 16;
    std::unique_ptr<char[]> buffer; // not cleared: every file of a copy on tmpfs comes here
    for (;;) {
        const int fault = injectedFault(FileOp::Read, path);
        if (fault > 0) {
            errno = fault;
            return -1;
        }
        if (fault == kEndOfData) {
            return copied;
        }
        if (inKernel) {
            const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
            if (n > 0) {
                copied += n;
                continue;
            }
            if (n == 0) {
                return copied;
            }
            if (errno == EINTR) {
                continue;
            }
            // Not offered for these files: the buffer does it, from where the kernel stopped.
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
                errno != EBADF) {
                return -1;
            }
            inKernel = false;
            buffer.reset(new char[kBuffer]);
        }
        const ssize_t n = ::read(from, buffer.get(), kBuffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            return copied;
        }
        if (!writeAll(to, buffer.get(), static_cast<std::size_t>(n), path)) {
            return -1;
        }
        copied += n;
    }
}

std::string errorText(const fs::path& path, int error) {
    return path.string() + ": " + std::generic_category().message(error);
}

// The copy of one tree: keeps the first failure and the folders on the way down (to notice a
// link that leads back up).
class TreeCopy {
public:
    explicit TreeCopy(std::string* failure) : m_failure(failure) {}

    bool copyFolder(const fs::path& source, const fs::path& target,
                    const std::vector<std::string>& leaveOut);
    bool copyEntry(const fs::path& source, const fs::path& target);

private:
    bool copyFile(const fs::path& source, const fs::path& target, const struct stat& info);
    bool fail(const fs::path& path, int error = errno) {
        if (m_failure != nullptr && m_failure->empty()) {
            *m_failure = errorText(path, error);
        }
        return false;
    }

    std::string* m_failure;
    std::vector<std::pair<dev_t, ino_t>> m_ancestors;
};

bool TreeCopy::copyFolder(const fs::path& source, const fs::path& target,
                          const std::vector<std::string>& leaveOut) {
    struct stat info {};
    if (::stat(source.c_str(), &info) != 0) {
        return fail(source);
    }
    if (!S_ISDIR(info.st_mode)) {
        return fail(source, ENOTDIR);
    }
    const std::pair<dev_t, ino_t> id{info.st_dev, info.st_ino};
    if (std::find(m_ancestors.begin(), m_ancestors.end(), id) != m_ancestors.end()) {
        return fail(source, ELOOP);
    }
    const auto names = listFolder(source);
    if (!names) {
        return fail(source);
    }
    // Made for the owner first, so that a read-only template folder can still be filled.
    if (failsByFault(FileOp::MakeFolder, target) || ::mkdir(target.c_str(), S_IRWXU) != 0) {
        return fail(target);
    }
    m_ancestors.push_back(id);
    for (const std::string& name : *names) {
        if (std::find(leaveOut.begin(), leaveOut.end(), name) == leaveOut.end() &&
            !copyEntry(source / name, target / name)) {
            return false;
        }
    }
    m_ancestors.pop_back();
    if (::chmod(target.c_str(), (info.st_mode & 07777) | S_IRWXU) != 0) {
        return fail(target);
    }
    return true;
}

bool TreeCopy::copyEntry(const fs::path& source, const fs::path& target) {
    struct stat info {};
    if (::stat(source.c_str(), &info) != 0) {
        return fail(source); // also a link that leads nowhere or in a circle
    }
    if (S_ISDIR(info.st_mode)) {
        return copyFolder(source, target, {});
    }
    if (S_ISREG(info.st_mode)) {
        return copyFile(source, target, info);
    }
    return fail(source, EOPNOTSUPP); // devices, pipes and sockets belong in no Testmappe
}

bool TreeCopy::copyFile(const fs::path& source, const fs::path& target, const struct stat& info) {
    Descriptor from(openFile(source, O_RDONLY));
    if (from.get() < 0) {
        return fail(source);
    }
    Descriptor to(openFile(target, O_WRONLY | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR));
    if (to.get() < 0) {
        return fail(target);
    }
    const long long copied = copyContents(from.get(), to.get(), target);
    if (copied < 0) {
        return fail(target);
    }
    // A copy that ended early, or a source that changed meanwhile, leaves a short module.
    struct stat written {}, read {};
    if (::fstat(to.get(), &written) != 0 || ::fstat(from.get(), &read) != 0) {
        return fail(target);
    }
    if (copied != info.st_size || written.st_size != info.st_size || read.st_size != info.st_size) {
        return fail(target, EIO);
    }
    if (::fchmod(to.get(), (info.st_mode & 07777) | S_IRUSR | S_IWUSR) != 0) {
        return fail(target);
    }
    return to.close() || fail(target);
}

bool syncPath(const fs::path& path, int flags) {
    Descriptor fd(openFile(path, flags));
    if (fd.get() < 0 || failsByFault(FileOp::Sync, path)) {
        return false;
    }
    return ::fsync(fd.get()) == 0;
}

} // namespace

void setFileFaultHook(FileFaultHook hook) { faultHook() = std::move(hook); }

bool copyTree(const fs::path& source, const fs::path& target,
              const std::vector<std::string>& leaveOut, std::string* failure) {
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0) {
        if (failure != nullptr) {
            *failure = errorText(target, EEXIST);
        }
        return false;
    }
    return TreeCopy(failure).copyFolder(source, target, leaveOut);
}

bool copyEntry(const fs::path& source, const fs::path& target, std::string* failure) {
    return TreeCopy(failure).copyEntry(source, target);
}

bool syncFolder(const fs::path& folder) { return syncPath(folder, O_RDONLY | O_DIRECTORY); }

bool syncTree(const fs::path& folder) {
    return syncTrees({folder});
}

bool syncTrees(const std::vector<fs::path>& folders) {
    // One sync of each file system holding a tree: measured about ten times cheaper than a
    // sync of each file and folder, which pays for a journal commit each time, and each sync
    // is a flush of the disk's cache. A failure to write back what is still unwritten is
    // reported as an error. The fault seam is asked for every tree.
    std::vector<dev_t> synced;
    for (const fs::path& folder : folders) {
        Descriptor fd(openFile(folder, O_RDONLY | O_DIRECTORY));
        struct stat info {};
        if (fd.get() < 0 || failsByFault(FileOp::Sync, folder) || ::fstat(fd.get(), &info) != 0) {
            return false;
        }
        if (std::find(synced.begin(), synced.end(), info.st_dev) != synced.end()) {
            continue;
        }
        if (::syncfs(fd.get()) != 0) {
            return false;
        }
        synced.push_back(info.st_dev);
    }
    return true;
}

bool exchangePaths(const fs::path& a, const fs::path& b) {
    if (failsByFault(FileOp::Rename, b)) {
        return false;
    }
#ifdef SYS_renameat2
    constexpr unsigned kRenameExchange = 2;
    return ::syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), kRenameExchange) ==
           0;
#else
    errno = ENOSYS;
    return false;
#endif
}

bool removeTree(const fs::path& path) {
    if (failsByFault(FileOp::Remove, path)) {
        return false;
    }
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
    return listFolder(folder).value_or(std::vector<std::string>{});
}

std::optional<std::vector<std::string>> listFolder(const fs::path& folder) {
    if (failsByFault(FileOp::List, folder)) {
        return std::nullopt;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (;;) {
        // readdir gives no entry both at the end and on an error; only errno tells them apart.
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) {
                return std::nullopt;
            }
            return names;
        }
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
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
    if (failsByFault(FileOp::Rename, to)) {
        return false;
    }
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
