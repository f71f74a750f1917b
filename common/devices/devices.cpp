#include "common/devices/devices.h"

#include "common/devices/device_backend.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <utility>

namespace kw {

namespace {

DeviceBackend* ownerOf(const std::string& path) {
    for (DeviceBackend* backend : activeDeviceBackends()) {
        if (backend->ownsPath(path)) {
            return backend;
        }
    }
    return nullptr;
}

struct ProblemNotes {
    std::mutex guard;
    std::vector<std::string> notes;
};

ProblemNotes& problemNotes() {
    static ProblemNotes notes;
    return notes;
}

} // namespace

void noteDeviceProblem(const std::string& problem) {
    ProblemNotes& notes = problemNotes();
    const std::lock_guard lock(notes.guard);
    if (std::find(notes.notes.begin(), notes.notes.end(), problem) == notes.notes.end()) {
        notes.notes.push_back(problem);
    }
}

std::vector<std::string> takeDeviceProblems() {
    ProblemNotes& notes = problemNotes();
    const std::lock_guard lock(notes.guard);
    return std::exchange(notes.notes, {});
}

std::vector<DeviceInfo> enumerateDevices(DeviceKind kind) {
    std::vector<DeviceInfo> devices;
    for (DeviceBackend* backend : activeDeviceBackends()) {
        for (std::string& path : backend->devicePaths(kind)) {
            devices.push_back({kind, std::move(path)});
        }
    }
    std::sort(devices.begin(), devices.end(),
              [](const DeviceInfo& a, const DeviceInfo& b) { return a.path < b.path; });
    return devices;
}

OpenResult openDevice(const std::string& path, Access access, Sharing sharing) {
    DeviceBackend* backend = ownerOf(path);
    OpenResult result =
        backend ? backend->open(path, -1, access, sharing) : OpenResult{nullptr, ENOENT};
    if (result.error == EBUSY) {
        noteDeviceProblem("Das Gerät " + path + " wird von einem anderen Programm benutzt");
    }
    return result;
}

OpenResult openPipe(const std::string& path, int pipe, Access access) {
    if (pipe < 0 || pipe > kUsbSecondReadPipe) {
        return {nullptr, EINVAL};
    }
    DeviceBackend* backend = ownerOf(path);
    return backend ? backend->open(path, pipe, access, Sharing::Shared)
                   : OpenResult{nullptr, ENOENT};
}

int usbSpeed(const std::string& path) {
    DeviceBackend* backend = ownerOf(path);
    return backend ? backend->usbSpeed(path) : -1;
}

} // namespace kw
