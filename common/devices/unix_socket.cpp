#include "common/devices/unix_socket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace kw::unixsocket {

namespace {

// A socket address for a path; for a path too long for sun_path it goes through an O_PATH
// descriptor of the directory, which the caller closes after bind or connect.
struct Address {
    sockaddr_un address{};
    int directoryFd = -1;

    ~Address() {
        if (directoryFd >= 0) {
            close(directoryFd);
        }
    }

    bool set(const std::string& path) {
        address.sun_family = AF_UNIX;
        std::string target = path;
        if (target.size() >= sizeof(address.sun_path)) {
            const std::filesystem::path p(path);
            directoryFd = open(p.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (directoryFd < 0) {
                return false;
            }
            target = "/proc/self/fd/" + std::to_string(directoryFd) + "/" + p.filename().string();
            if (target.size() >= sizeof(address.sun_path)) {
                errno = ENAMETOOLONG;
                return false;
            }
        }
        std::memcpy(address.sun_path, target.c_str(), target.size() + 1);
        return true;
    }

    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&address); }
};

int fail(int* error, int code, int fd = -1) {
    if (fd >= 0) {
        close(fd);
    }
    *error = code;
    return -1;
}

} // namespace

namespace {

// Connects the non-blocking socket within kConnectTimeoutMs. A listener whose backlog is full
// (it never accepts) refuses a non-blocking connect with EAGAIN: that is tried again until
// the time is up, then ETIMEDOUT.
int connectWithin(int fd, const Address& address) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
    for (;;) {
        if (connect(fd, address.get(), sizeof(sockaddr_un)) == 0) {
            return 0;
        }
        const int code = errno;
        const auto now = std::chrono::steady_clock::now();
        if (code == EINPROGRESS) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            pollfd ready{fd, POLLOUT, 0};
            if (poll(&ready, 1, static_cast<int>(std::max<long>(0, left))) <= 0) {
                return ETIMEDOUT;
            }
            int result = 0;
            socklen_t size = sizeof result;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &size);
            return result;
        }
        if (code != EAGAIN && code != EINTR) {
            return code;
        }
        if (now >= deadline) {
            return ETIMEDOUT;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

void setTimeouts(int fd, int milliseconds) {
    timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    // A peer that stops reading must not hold a send for ever either.
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

int connectTo(const std::string& path, int receiveTimeoutMs, int* error) {
    Address address;
    if (!address.set(path)) {
        return fail(error, errno == ENOENT ? ENOENT : errno);
    }
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return fail(error, errno);
    }
    if (const int code = connectWithin(fd, address); code != 0) {
        // A socket file nobody listens on (left by a killed simulator) is no device.
        return fail(error, code == ECONNREFUSED ? ENOENT : code, fd);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (receiveTimeoutMs > 0) {
        setTimeouts(fd, receiveTimeoutMs);
    }
    return fd;
}

int listenAt(const std::string& path, int* error) {
    Address address;
    if (!address.set(path)) {
        return fail(error, errno);
    }
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return fail(error, errno);
    }
    if (bind(fd, address.get(), sizeof(sockaddr_un)) != 0 || listen(fd, 64) != 0) {
        return fail(error, errno, fd);
    }
    return fd;
}

bool sendFrame(int fd, std::span<const std::uint8_t> frame, int* error) {
    for (;;) {
        const ssize_t sent = send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
        if (sent == static_cast<ssize_t>(frame.size())) {
            return true;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent >= 0) {
            *error = EIO;
        } else if (errno == EPIPE || errno == ECONNRESET) {
            *error = ENODEV;
        } else {
            *error = errno == EAGAIN || errno == EWOULDBLOCK ? ETIMEDOUT : errno;
        }
        return false;
    }
}

std::optional<std::size_t> receiveFrame(int fd, std::span<std::uint8_t> buffer, int* error) {
    for (;;) {
        // MSG_TRUNC makes recv report the whole frame's length, so an oversized one is seen.
        const ssize_t got = recv(fd, buffer.data(), buffer.size(), MSG_TRUNC);
        if (got > 0 && static_cast<std::size_t>(got) <= buffer.size()) {
            return static_cast<std::size_t>(got);
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got == 0 || (got < 0 && errno == ECONNRESET)) {
            *error = ENODEV;
        } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            *error = ETIMEDOUT;
        } else {
            *error = got < 0 ? errno : EMSGSIZE;
        }
        return std::nullopt;
    }
}

} // namespace kw::unixsocket
