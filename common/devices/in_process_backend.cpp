#include "common/devices/in_process_backend.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace kw {

namespace {

class InProcessNoticeSource;

struct Published {
    std::shared_ptr<DeviceEndpoint> endpoint;
    std::string path;
};

struct Registry {
    std::mutex mutex;      // guards the members below
    std::mutex serveMutex; // one request at a time, as one simulator thread serves them
    int machines = 0;
    std::vector<Published> devices;
    std::vector<InProcessNoticeSource*> sources;
};

// Never destroyed, so that handles closed during static destruction still find it.
Registry& registry() {
    static auto* instance = new Registry;
    return *instance;
}

class InProcessNoticeSource : public NoticeSource {
public:
    InProcessNoticeSource() : m_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        const std::lock_guard lock(registry().mutex);
        registry().sources.push_back(this);
    }
    ~InProcessNoticeSource() override {
        {
            const std::lock_guard lock(registry().mutex);
            auto& sources = registry().sources;
            sources.erase(std::remove(sources.begin(), sources.end(), this), sources.end());
        }
        close(m_fd);
    }

    int fileDescriptor() const override { return m_fd; }

    std::vector<DeviceNotice> take() override {
        const std::lock_guard lock(registry().mutex);
        std::uint64_t count = 0;
        [[maybe_unused]] const auto ignored = ::read(m_fd, &count, sizeof count);
        std::vector<DeviceNotice> notices(m_queue.begin(), m_queue.end());
        m_queue.clear();
        return notices;
    }

    // Called with the registry locked.
    void push(DeviceNotice notice) {
        m_queue.push_back(std::move(notice));
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto ignored = ::write(m_fd, &one, sizeof one);
    }

private:
    int m_fd;
    std::deque<DeviceNotice> m_queue;
};

// Called with the registry locked.
void announce(DeviceNotice::Type type, DeviceKind kind, const std::string& path) {
    for (InProcessNoticeSource* source : registry().sources) {
        source->push({type, kind, path});
    }
}

class InProcessHandle : public DeviceHandle {
public:
    explicit InProcessHandle(std::shared_ptr<DeviceSession> session)
        : m_session(std::move(session)) {}

    TransferResult control(std::uint32_t code, std::span<const std::uint8_t> in,
                           std::span<std::uint8_t> out) override {
        return answerInto(call(DeviceRequest::control(code, in, out)), out);
    }

    TransferResult write(std::span<const std::uint8_t> data) override {
        const DeviceReply reply = call(DeviceRequest::write(data));
        return {reply.error, std::min<std::size_t>(reply.transferred, data.size())};
    }

    TransferResult read(std::span<std::uint8_t> data) override {
        return answerInto(call(DeviceRequest::read(data.size())), data);
    }

    std::unique_ptr<DeviceHandle> duplicate(int* error) const override {
        if (error) {
            *error = 0;
        }
        return std::make_unique<InProcessHandle>(m_session);
    }

private:
    DeviceReply call(const DeviceRequest& request) {
        DeviceReply reply;
        {
            const std::lock_guard lock(registry().serveMutex);
            reply = m_session->serve(request);
        }
        if (reply.delayMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.delayMs));
        }
        return reply;
    }

    static TransferResult answerInto(const DeviceReply& reply, std::span<std::uint8_t> out) {
        const std::size_t n =
            std::min({out.size(), reply.out.size(), static_cast<std::size_t>(reply.transferred)});
        std::copy_n(reply.out.begin(), n, out.begin());
        return {reply.error, n};
    }

    std::shared_ptr<DeviceSession> m_session;
};

class InProcessBackend : public DeviceBackend {
public:
    bool isActive() const override {
        const std::lock_guard lock(registry().mutex);
        return registry().machines > 0;
    }

    bool hidesLaterBackends() const override { return true; }

    bool ownsPath(const std::string& path) const override {
        return path.rfind(std::string(kInProcessDirectory) + "/", 0) == 0;
    }

    std::vector<std::string> devicePaths(DeviceKind kind) override {
        const std::lock_guard lock(registry().mutex);
        std::vector<std::string> paths;
        for (const Published& device : registry().devices) {
            if (device.endpoint->kind() == kind) {
                paths.push_back(device.path);
            }
        }
        return paths;
    }

    OpenResult open(const std::string& path, int pipe, Access access, Sharing sharing) override {
        const auto endpoint = find(path);
        if (!endpoint) {
            return {nullptr, ENOENT};
        }
        int error = 0;
        std::shared_ptr<DeviceSession> session;
        {
            const std::lock_guard lock(registry().serveMutex);
            session = endpoint->open(pipe, access, sharing, &error);
        }
        if (!session) {
            return {nullptr, error ? error : EIO};
        }
        return {std::make_unique<InProcessHandle>(std::move(session)), 0};
    }

    int usbSpeed(const std::string& path) override {
        const auto endpoint = find(path);
        return endpoint ? endpoint->usbSpeed() : -1;
    }

    std::unique_ptr<NoticeSource> watch() override {
        return std::make_unique<InProcessNoticeSource>();
    }

private:
    static std::shared_ptr<DeviceEndpoint> find(const std::string& path) {
        const std::lock_guard lock(registry().mutex);
        for (const Published& device : registry().devices) {
            if (device.path == path) {
                return device.endpoint;
            }
        }
        return nullptr;
    }
};

} // namespace

InProcessMachine::InProcessMachine() {
    const std::lock_guard lock(registry().mutex);
    ++registry().machines;
}

InProcessMachine::~InProcessMachine() {
    const std::lock_guard lock(registry().mutex);
    --registry().machines;
}

std::string publishInProcessDevice(std::shared_ptr<DeviceEndpoint> endpoint) {
    const std::string path = std::string(kInProcessDirectory) + "/" + endpoint->fileName();
    const DeviceKind kind = endpoint->kind();
    const std::lock_guard lock(registry().mutex);
    registry().devices.push_back({std::move(endpoint), path});
    announce(DeviceNotice::Type::Arrival, kind, path);
    return path;
}

void withdrawInProcessDevice(const DeviceEndpoint& endpoint) {
    const std::lock_guard lock(registry().mutex);
    auto& devices = registry().devices;
    for (auto it = devices.begin(); it != devices.end(); ++it) {
        if (it->endpoint.get() == &endpoint) {
            announce(DeviceNotice::Type::Removal, endpoint.kind(), it->path);
            devices.erase(it);
            return;
        }
    }
}

DeviceBackend& inProcessBackend() {
    static InProcessBackend backend;
    return backend;
}

} // namespace kw
