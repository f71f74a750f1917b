#include "common/files/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kw {

namespace {

// A holder removes its lock file before letting go; a taker that opened that file before it
// was removed holds a lock on a name that no longer leads to it, and must try again.
bool stillNamed(int fd, const std::filesystem::path& path) {
    struct stat held {}, named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

FileLock::FileLock(FileLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

FileLock::~FileLock() { release(); }

FileLock::Outcome FileLock::tryTake(const std::filesystem::path& path, FileLock& lock) {
    lock.release();
    // Each round that loses against a holder's removal of the file starts afresh; a few
    // rounds are plenty, since every lost round means another process just let go.
    for (int round = 0; round < 100; ++round) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            return Outcome::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool busy = errno == EWOULDBLOCK;
            ::close(fd);
            return busy ? Outcome::Busy : Outcome::Failed;
        }
        if (stillNamed(fd, path)) {
            lock.m_fd = fd;
            lock.m_path = path;
            return Outcome::Taken;
        }
        ::close(fd);
    }
    return Outcome::Busy;
}

void FileLock::release() {
    if (m_fd < 0) {
        return;
    }
    ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
}

} // namespace kw
