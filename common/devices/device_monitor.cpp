#include "common/devices/device_monitor.h"

#include <chrono>
#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

namespace kw {

DeviceMonitor::DeviceMonitor(DeviceKind kind) : m_kind(kind) {
    for (DeviceBackend* backend : activeDeviceBackends()) {
        if (auto source = backend->watch()) {
            m_sources.push_back(std::move(source));
        }
    }
    if (m_sources.empty()) {
        return;
    }
    m_fd = epoll_create1(EPOLL_CLOEXEC);
    for (const auto& source : m_sources) {
        epoll_event event{};
        event.events = EPOLLIN;
        epoll_ctl(m_fd, EPOLL_CTL_ADD, source->fileDescriptor(), &event);
    }
}

DeviceMonitor::~DeviceMonitor() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

std::vector<DeviceNotice> DeviceMonitor::takeNotices() {
    std::vector<DeviceNotice> notices;
    for (const auto& source : m_sources) {
        for (DeviceNotice& notice : source->take()) {
            if (notice.kind == m_kind) {
                notices.push_back(std::move(notice));
            }
        }
    }
    return notices;
}

std::vector<DeviceNotice> DeviceMonitor::waitNotices(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto notices = takeNotices();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (!notices.empty() || m_fd < 0 || left <= 0) {
            return notices;
        }
        pollfd poller{m_fd, POLLIN, 0};
        poll(&poller, 1, static_cast<int>(left));
    }
}

} // namespace kw
