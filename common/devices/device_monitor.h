#pragma once

// Arrival and removal notices of the devices of one kind (korvane follows USB860 adapters
// being plugged in and out). Each notice carries the device path as enumerateDevices reports
// it. Notices are collected from every active backend at the time the monitor is made.

#include "common/devices/device_backend.h"

#include <memory>
#include <vector>

namespace kw {

class DeviceMonitor {
public:
    explicit DeviceMonitor(DeviceKind kind);
    ~DeviceMonitor();
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    // False when no backend can report notices (the monitor then never reports any).
    bool isActive() const { return m_fd >= 0; }

    // Polls readable while notices wait; for an event loop (QSocketNotifier and the like).
    int fileDescriptor() const { return m_fd; }

    // Notices that arrived, oldest first; never blocks.
    std::vector<DeviceNotice> takeNotices();

    // Waits up to timeoutMs for at least one notice; returns what arrived (possibly none).
    std::vector<DeviceNotice> waitNotices(int timeoutMs);

private:
    DeviceKind m_kind;
    std::vector<std::unique_ptr<NoticeSource>> m_sources;
    int m_fd = -1; // epoll over the sources' descriptors
};

} // namespace kw
