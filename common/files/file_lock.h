#pragma once

// An exclusive lock held through a lock file (flock), taken without waiting. The lock goes
// with the process: when it ends in any way, the lock is free again, so a lock can never be
// left behind by a killed run. The holder removes the lock file when it lets go.

#include <filesystem>
#include <optional>

namespace kw {

class FileLock {
public:
    enum class Outcome { Taken, Busy, Failed };

    FileLock() = default;
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    // Takes the lock of path (creating the lock file when needed). Busy when another open
    // file holds it; Failed when the lock file cannot be made or opened.
    static Outcome tryTake(const std::filesystem::path& path, FileLock& lock);

    bool held() const { return m_fd >= 0; }

    // Removes the lock file, then lets go.
    void release();

private:
    int m_fd = -1;
    std::filesystem::path m_path;
};

} // namespace kw
