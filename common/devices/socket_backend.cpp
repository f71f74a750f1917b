#include "common/devices/socket_backend.h"

#include "common/devices/device_directory.h"
#include "common/devices/unix_socket.h"
#include "common/devices/wire_protocol.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kw {

namespace {

namespace fs = std::filesystem;

class SocketHandle : public DeviceHandle {
public:
    explicit SocketHandle(int fd) : m_fd(fd), m_buffer(wire::kMaxFrame) {}
    ~SocketHandle() override { close(m_fd); }

    TransferResult control(std::uint32_t code, std::span<const std::uint8_t> in,
                           std::span<std::uint8_t> out) override {
        return exchange(DeviceRequest::control(code, in, out), out);
    }

    TransferResult write(std::span<const std::uint8_t> data) override {
        const TransferResult result = exchange(DeviceRequest::write(data), {});
        return {result.error, std::min(result.transferred, data.size())};
    }

    TransferResult read(std::span<std::uint8_t> data) override {
        return exchange(DeviceRequest::read(data.size()), data);
    }

    std::unique_ptr<DeviceHandle> duplicate(int* error) const override {
        const int fd = fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
        if (error) {
            *error = fd < 0 ? errno : 0;
        }
        return fd < 0 ? nullptr : std::make_unique<SocketHandle>(fd);
    }

private:
    // One request and its reply. For a write, `out` is empty and `transferred` is the count
    // the device reported; otherwise the answer bytes are copied into `out`.
    TransferResult exchange(const DeviceRequest& request, std::span<std::uint8_t> out) {
        if (request.in.size() > wire::kMaxPayload || out.size() > wire::kMaxPayload) {
            return {EINVAL, 0};
        }
        int error = 0;
        const auto frame = wire::encodeRequest(request);
        if (!unixsocket::sendFrame(m_fd, frame, &error)) {
            return {error, 0};
        }
        const auto length = unixsocket::receiveFrame(m_fd, m_buffer, &error);
        if (!length) {
            return {error, 0};
        }
        const auto reply = wire::decodeReply(std::span(m_buffer).first(*length));
        if (!reply) {
            return {EIO, 0};
        }
        if (request.op == DeviceRequest::Op::Write) {
            return {reply->error, reply->transferred};
        }
        const std::size_t n =
            std::min({out.size(), reply->out.size(), static_cast<std::size_t>(reply->transferred)});
        std::copy_n(reply->out.begin(), n, out.begin());
        return {reply->error, n};
    }

    int m_fd;
    std::vector<std::uint8_t> m_buffer;
};

// Connects and says hello; the descriptor, or -1 with *error.
int greet(const std::string& path, const wire::Hello& hello, int* error, int* value) {
    // A simulator answers its hello at once; a listener that never does is no device.
    const int fd = unixsocket::connectTo(path, kSocketGreetingTimeoutMs, error);
    if (fd < 0) {
        return -1;
    }
    std::uint8_t buffer[wire::kWelcomeSize + 1];
    const auto frame = wire::encodeHello(hello);
    std::optional<std::size_t> length;
    if (unixsocket::sendFrame(fd, frame, error)) {
        length = unixsocket::receiveFrame(fd, buffer, error);
    }
    const auto welcome = length ? wire::decodeWelcome(std::span(buffer, *length)) : std::nullopt;
    if (!welcome || welcome->error != 0) {
        if (welcome) {
            *error = welcome->error;
        } else if (length) {
            *error = EIO;
        }
        close(fd);
        return -1;
    }
    *value = welcome->value;
    unixsocket::setTimeouts(fd, kSocketReplyTimeoutMs);
    return fd;
}

// The device directory in force, when it may be used; otherwise the reason is noted and
// nothing is returned. A directory that does not exist (no simulator ever ran) is no problem.
std::optional<fs::path> trustedDeviceDirectory() {
    const fs::path directory = deviceDirectory();
    std::error_code error;
    if (!fs::exists(fs::symlink_status(directory, error))) {
        return std::nullopt;
    }
    if (const std::string problem = deviceDirectoryProblem(directory, deviceDirectoryChosen());
        !problem.empty()) {
        noteDeviceProblem(problem);
        return std::nullopt;
    }
    return directory;
}

// Arrivals and removals of device sockets, from inotify on the device directory. The
// simulator binds under a hidden name and renames into place, so a device is announced only
// once it accepts connections.
class DirectoryNoticeSource : public NoticeSource {
public:
    explicit DirectoryNoticeSource(fs::path directory)
        : m_directory(std::move(directory)), m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (m_fd >= 0) {
            inotify_add_watch(m_fd, m_directory.c_str(),
                              IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM);
        }
    }
    ~DirectoryNoticeSource() override {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }

    int fileDescriptor() const override { return m_fd; }

    std::vector<DeviceNotice> take() override {
        std::vector<DeviceNotice> notices;
        alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0) {
                return notices;
            }
            for (ssize_t offset = 0; offset < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                addNotice(*event, notices);
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    void addNotice(const inotify_event& event, std::vector<DeviceNotice>& notices) const {
        if (event.len == 0) {
            return;
        }
        const std::string name(event.name);
        const auto kind = deviceKindOfName(name);
        if (!kind) {
            return;
        }
        const fs::path path = m_directory / name;
        if (event.mask & (IN_CREATE | IN_MOVED_TO)) {
            if (isTrustedSocket(path)) {
                notices.push_back({DeviceNotice::Type::Arrival, *kind, path.string()});
            }
        } else if (event.mask & (IN_DELETE | IN_MOVED_FROM)) {
            notices.push_back({DeviceNotice::Type::Removal, *kind, path.string()});
        }
    }

    fs::path m_directory;
    int m_fd;
};

class SocketBackend : public DeviceBackend {
public:
    bool isActive() const override { return true; }

    // Every file-system path; paths beginning with "//" name the devices of other backends
    // (in-process, libusb).
    bool ownsPath(const std::string& path) const override { return path.rfind("//", 0) != 0; }

    std::vector<std::string> devicePaths(DeviceKind kind) override {
        std::vector<std::string> paths;
        const auto directory = trustedDeviceDirectory();
        if (!directory) {
            return paths;
        }
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(*directory, error)) {
            const std::string name = entry.path().filename().string();
            if (deviceKindOfName(name) == kind && isTrustedSocket(entry.path()) &&
                isListening(entry.path().string())) {
                paths.push_back(entry.path().string());
            }
        }
        return paths;
    }

    OpenResult open(const std::string& path, int pipe, Access access, Sharing sharing) override {
        if (!isTrustedSocket(path)) {
            std::error_code missing;
            return {nullptr, fs::exists(fs::symlink_status(path, missing)) ? EACCES : ENOENT};
        }
        int error = 0;
        int value = 0;
        const int fd = greet(path, {wire::HelloOp::Open, pipe, access, sharing}, &error, &value);
        if (fd < 0) {
            return {nullptr, error};
        }
        return {std::make_unique<SocketHandle>(fd), 0};
    }

    int usbSpeed(const std::string& path) override {
        int error = 0;
        int value = -1;
        const int fd = greet(path, {wire::HelloOp::QuerySpeed, -1, Access::Read, Sharing::Shared},
                             &error, &value);
        if (fd < 0) {
            return -1;
        }
        close(fd);
        return value;
    }

    std::unique_ptr<NoticeSource> watch() override {
        const fs::path directory = deviceDirectory();
        if (const std::string problem = ensureDeviceDirectory(directory, deviceDirectoryChosen());
            !problem.empty()) {
            noteDeviceProblem(problem);
            return nullptr;
        }
        auto source = std::make_unique<DirectoryNoticeSource>(directory);
        return source->fileDescriptor() >= 0 ? std::move(source) : nullptr;
    }

private:
    // A socket left behind by a killed simulator is no device.
    static bool isListening(const std::string& path) {
        int error = 0;
        const int fd = unixsocket::connectTo(path, 0, &error);
        if (fd < 0) {
            return false;
        }
        close(fd);
        return true;
    }
};

} // namespace

DeviceBackend& socketBackend() {
    static SocketBackend backend;
    return backend;
}

} // namespace kw
