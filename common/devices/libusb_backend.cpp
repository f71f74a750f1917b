#include "common/devices/libusb_backend.h"

#include "common/devices/device_kind.h"
#include "common/devices/libusb_adapters.h"
#include "common/devices/usb_adapter_ids.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>

namespace kw {

namespace {

constexpr int kPipeCount = 4;

int errnoOf(int libusbError) {
    switch (libusbError) {
    case LIBUSB_SUCCESS:
        return 0;
    case LIBUSB_ERROR_TIMEOUT:
        return ETIMEDOUT;
    case LIBUSB_ERROR_NO_DEVICE:
        return ENODEV;
    case LIBUSB_ERROR_ACCESS:
        return EACCES;
    case LIBUSB_ERROR_BUSY:
        return EBUSY;
    case LIBUSB_ERROR_PIPE:
        return EPIPE;
    case LIBUSB_ERROR_OVERFLOW:
        return EOVERFLOW;
    case LIBUSB_ERROR_NOT_FOUND:
        return ENOENT;
    case LIBUSB_ERROR_INVALID_PARAM:
        return EINVAL;
    case LIBUSB_ERROR_NO_MEM:
        return ENOMEM;
    case LIBUSB_ERROR_NOT_SUPPORTED:
        return ENOSYS;
    case LIBUSB_ERROR_INTERRUPTED:
        return EINTR;
    default:
        return EIO;
    }
}

// The process's libusb context, made at first use and kept to the end (handles closed during
// static destruction still need it).
libusb_context* usbContext() {
    static libusb_context* const context = [] {
        libusb_context* made = nullptr;
        return libusb_init(&made) == 0 ? made : nullptr;
    }();
    return context;
}

bool isAdapterId(const libusb_device_descriptor& descriptor, const std::vector<UsbId>& ids) {
    return std::find(ids.begin(), ids.end(), UsbId{descriptor.idVendor, descriptor.idProduct}) !=
           ids.end();
}

std::string nodeName(libusb_device* device) {
    char name[32];
    std::snprintf(name, sizeof name, "/dev/bus/usb/%03u/%03u", libusb_get_bus_number(device),
                  libusb_get_device_address(device));
    return name;
}

// "<bus>-<port>.<port>...": where the device is plugged in; unique while it is connected.
std::string locationOf(libusb_device* device) {
    std::array<std::uint8_t, 8> ports{};
    const int count = libusb_get_port_numbers(device, ports.data(), ports.size());
    std::string location = std::to_string(libusb_get_bus_number(device)) + "-";
    if (count <= 0) {
        return location + "a" + std::to_string(libusb_get_device_address(device));
    }
    for (int i = 0; i < count; ++i) {
        // Appended piece by piece (GCC 12 at -O3 misreads a + of a literal and a temporary).
        if (i > 0) {
            location += '.';
        }
        location += std::to_string(ports[static_cast<std::size_t>(i)]);
    }
    return location;
}

// The device's own key while it stays connected: a replugged device gets a new address.
std::pair<int, int> keyOf(libusb_device* device) {
    return {libusb_get_bus_number(device), libusb_get_device_address(device)};
}

std::string usableSerial(const std::string& serial) {
    const bool usable =
        !serial.empty() && std::none_of(serial.begin(), serial.end(), [](unsigned char c) {
            return c == '#' || c == '/' || c < 0x20 || c == 0x7F;
        });
    return usable ? serial : "0";
}

std::string hexId(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

// The interface class field of the paths, lower case as the platform writes it.
std::string usbInterfaceClass() {
    std::string text = interfaceClass(DeviceKind::Usb860);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string problemText(const char* what, libusb_device* device,
                        const libusb_device_descriptor& descriptor) {
    return std::string(what) + " USB860-Adapter " +
           usbIdText({descriptor.idVendor, descriptor.idProduct}) + " (" + nodeName(device) + ")";
}

// One adapter opened by this process: the device handle with its interface claimed, shared by
// every pipe handle on it.
struct OpenAdapter {
    libusb_device_handle* handle = nullptr;
    int interfaceNumber = -1;
    std::array<unsigned char, kPipeCount> endpoints{}; // 0 = the interface has no such pipe
    std::array<int, kPipeCount> packetSizes{};
    std::mutex pendingMutex;
    std::array<std::deque<std::uint8_t>, kPipeCount> pending; // read beyond a caller's request

    ~OpenAdapter() {
        if (handle) {
            libusb_release_interface(handle, interfaceNumber);
            libusb_close(handle);
        }
    }
};

// Finds the first interface with bulk endpoints in both directions and numbers its pipes.
bool choosePipes(libusb_device* device, OpenAdapter& adapter) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0) {
        return false;
    }
    for (int i = 0; i < config->bNumInterfaces && adapter.interfaceNumber < 0; ++i) {
        if (config->interface[i].num_altsetting < 1) {
            continue;
        }
        const libusb_interface_descriptor& setting = config->interface[i].altsetting[0];
        std::vector<const libusb_endpoint_descriptor*> in, out;
        for (int e = 0; e < setting.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
            if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) {
                continue;
            }
            ((endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) ? in : out).push_back(&endpoint);
        }
        if (in.empty() || out.empty()) {
            continue;
        }
        adapter.interfaceNumber = setting.bInterfaceNumber;
        const std::array<const libusb_endpoint_descriptor*, kPipeCount> pipes{
            in[0], out[0], out.size() > 1 ? out[1] : nullptr, in.size() > 1 ? in[1] : nullptr};
        for (std::size_t p = 0; p < pipes.size(); ++p) {
            if (pipes[p]) {
                adapter.endpoints[p] = pipes[p]->bEndpointAddress;
                adapter.packetSizes[p] = std::max<int>(pipes[p]->wMaxPacketSize, 64);
            }
        }
    }
    libusb_free_config_descriptor(config);
    return adapter.interfaceNumber >= 0;
}

bool isReadPipe(int pipe) {
    return pipe == 0 || pipe == 3;
}

class LibusbPipeHandle : public DeviceHandle {
public:
    LibusbPipeHandle(std::shared_ptr<OpenAdapter> adapter, int pipe)
        : m_adapter(std::move(adapter)), m_pipe(pipe) {}

    TransferResult control(std::uint32_t, std::span<const std::uint8_t>,
                           std::span<std::uint8_t>) override {
        return {EINVAL, 0};
    }

    TransferResult write(std::span<const std::uint8_t> data) override {
        if (isReadPipe(m_pipe)) {
            return {EBADF, 0};
        }
        int moved = 0;
        const int result = libusb_bulk_transfer(
            m_adapter->handle, m_adapter->endpoints[static_cast<std::size_t>(m_pipe)],
            const_cast<std::uint8_t*>(data.data()), static_cast<int>(data.size()), &moved,
            kUsbWriteTimeoutMs);
        return {errnoOf(result), static_cast<std::size_t>(moved)};
    }

    TransferResult read(std::span<std::uint8_t> data) override {
        if (!isReadPipe(m_pipe)) {
            return {EBADF, 0};
        }
        const auto pipe = static_cast<std::size_t>(m_pipe);
        const std::lock_guard lock(m_adapter->pendingMutex);
        auto& pending = m_adapter->pending[pipe];
        std::size_t got = takePending(pending, data);
        if (got == data.size()) {
            return {0, got};
        }
        // One transfer of at least a whole packet: a device that sends more than was asked
        // for must not overflow the transfer; the rest waits for the next read.
        std::vector<std::uint8_t> buffer(std::max<std::size_t>(
            data.size() - got, static_cast<std::size_t>(m_adapter->packetSizes[pipe])));
        int moved = 0;
        const int result =
            libusb_bulk_transfer(m_adapter->handle, m_adapter->endpoints[pipe], buffer.data(),
                                 static_cast<int>(buffer.size()), &moved, kUsbReadTimeoutMs);
        pending.insert(pending.end(), buffer.begin(), buffer.begin() + moved);
        got += takePending(pending, data.subspan(got));
        return {errnoOf(result), got};
    }

    std::unique_ptr<DeviceHandle> duplicate(int* error) const override {
        if (error) {
            *error = 0;
        }
        return std::make_unique<LibusbPipeHandle>(m_adapter, m_pipe);
    }

private:
    static std::size_t takePending(std::deque<std::uint8_t>& pending,
                                   std::span<std::uint8_t> into) {
        const std::size_t n = std::min(pending.size(), into.size());
        std::copy_n(pending.begin(), n, into.begin());
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }

    std::shared_ptr<OpenAdapter> m_adapter;
    int m_pipe;
};

// What the backend remembers between calls. Guarded by `mutex`.
struct State {
    std::mutex mutex;
    std::map<std::pair<int, int>, std::string> paths; // by bus and address
    // Adapters open in this process, by bus and address: a device replugged into the same port
    // has the same path but is not the same device.
    std::map<std::pair<int, int>, std::weak_ptr<OpenAdapter>> open;
    std::string problem; // the last adapter found but not usable, for usbAdapterHint
};

State& state() {
    static auto* instance = new State;
    return *instance;
}

void noteProblem(std::string text) {
    const std::lock_guard lock(state().mutex);
    state().problem = std::move(text);
}

// Notes why an adapter could not be opened; a permission error names the device and the rule.
void noteOpenProblem(int result, libusb_device* device,
                     const libusb_device_descriptor& descriptor) {
    if (result == LIBUSB_ERROR_ACCESS) {
        noteProblem(problemText("Kein Zugriff auf", device, descriptor) + ": udev-Regel " +
                    kUdevRuleName + " installieren (README, \"Echte Adapter\").");
    } else {
        noteProblem(problemText("Fehler beim Öffnen von", device, descriptor) + ": " +
                    libusb_error_name(result));
    }
}

// The device path of an adapter; its serial string is read once while it stays connected.
// Empty (with the problem noted) when the device cannot be opened.
std::string pathOf(libusb_device* device, const libusb_device_descriptor& descriptor) {
    const auto key = keyOf(device);
    {
        const std::lock_guard lock(state().mutex);
        if (const auto known = state().paths.find(key); known != state().paths.end()) {
            return known->second;
        }
    }
    libusb_device_handle* handle = nullptr;
    if (const int result = libusb_open(device, &handle); result != 0) {
        noteOpenProblem(result, device, descriptor);
        return {};
    }
    std::string serial;
    if (descriptor.iSerialNumber != 0) {
        unsigned char text[256];
        const int length =
            libusb_get_string_descriptor_ascii(handle, descriptor.iSerialNumber, text, sizeof text);
        if (length > 0) {
            serial.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
        }
    }
    libusb_close(handle);
    const std::string path = std::string(kLibusbPathPrefix) + locationOf(device) + "/usb#vid_" +
                             hexId(descriptor.idVendor) + "&pid_" + hexId(descriptor.idProduct) +
                             "#" + usableSerial(serial) + "#" + usbInterfaceClass();
    const std::lock_guard lock(state().mutex);
    state().paths[key] = path;
    return path;
}

// Calls visit(device, descriptor) for each connected device with a configured ID, until it
// returns false.
template <typename Visit> void forEachAdapter(const std::vector<UsbId>& ids, Visit visit) {
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(usbContext(), &list);
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) == 0 &&
            isAdapterId(descriptor, ids) && !visit(list[i], descriptor)) {
            break;
        }
    }
    if (count >= 0) {
        libusb_free_device_list(list, 1);
    }
}

// The adapter at `path`, opened by this process already or now (its interface claimed); an
// errno code when that fails.
int openAdapter(const std::string& path, std::shared_ptr<OpenAdapter>& opened) {
    int error = ENOENT;
    forEachAdapter(
        configuredUsbIds(), [&](libusb_device* device, const libusb_device_descriptor& descriptor) {
            if (pathOf(device, descriptor) != path) {
                return true;
            }
            {
                const std::lock_guard lock(state().mutex);
                if (const auto known = state().open.find(keyOf(device));
                    known != state().open.end() && (opened = known->second.lock())) {
                    error = 0;
                    return false;
                }
            }
            auto adapter = std::make_shared<OpenAdapter>();
            libusb_device_handle* handle = nullptr;
            if (const int result = libusb_open(device, &handle); result != 0) {
                error = errnoOf(result);
                noteOpenProblem(result, device, descriptor);
                return false;
            }
            if (!choosePipes(device, *adapter)) {
                libusb_close(handle);
                error = ENOENT;
                return false;
            }
            if (libusb_kernel_driver_active(handle, adapter->interfaceNumber) == 1) {
                libusb_detach_kernel_driver(handle, adapter->interfaceNumber);
            }
            if (const int result = libusb_claim_interface(handle, adapter->interfaceNumber);
                result != 0) {
                libusb_close(handle);
                error = errnoOf(result);
                if (result == LIBUSB_ERROR_BUSY) {
                    noteProblem(problemText("Der", device, descriptor) +
                                " wird von einem anderen Programm benutzt.");
                }
                return false;
            }
            adapter->handle = handle;
            const std::lock_guard lock(state().mutex);
            state().open[keyOf(device)] = adapter;
            opened = std::move(adapter);
            error = 0;
            return false;
        });
    return error;
}

class LibusbBackend : public DeviceBackend {
public:
    bool isActive() const override {
        return !configuredUsbIds().empty() && usbContext() != nullptr;
    }

    bool ownsPath(const std::string& path) const override {
        return path.rfind(kLibusbPathPrefix, 0) == 0;
    }

    std::vector<std::string> devicePaths(DeviceKind kind) override {
        std::vector<std::string> paths;
        if (kind != DeviceKind::Usb860) {
            return paths;
        }
        noteProblem({});
        std::vector<std::pair<int, int>> present;
        forEachAdapter(configuredUsbIds(),
                       [&](libusb_device* device, const libusb_device_descriptor& descriptor) {
                           present.push_back(keyOf(device));
                           if (std::string path = pathOf(device, descriptor); !path.empty()) {
                               paths.push_back(std::move(path));
                           }
                           return true;
                       });
        const std::lock_guard lock(state().mutex);
        std::erase_if(state().paths, [&](const auto& entry) {
            return std::find(present.begin(), present.end(), entry.first) == present.end();
        });
        std::erase_if(state().open, [](const auto& entry) { return entry.second.expired(); });
        return paths;
    }

    OpenResult open(const std::string& path, int pipe, Access access, Sharing) override {
        if (pipe < 0 || pipe >= kPipeCount) {
            return {nullptr, EINVAL};
        }
        if (access != (isReadPipe(pipe) ? Access::Read : Access::Write)) {
            return {nullptr, EACCES};
        }
        // One open at a time: two claims of the same interface in one process would collide.
        static std::mutex opening;
        const std::lock_guard lock(opening);
        std::shared_ptr<OpenAdapter> adapter;
        if (const int error = openAdapter(path, adapter); error != 0) {
            return {nullptr, error};
        }
        if (adapter->endpoints[static_cast<std::size_t>(pipe)] == 0) {
            return {nullptr, ENOENT};
        }
        return {std::make_unique<LibusbPipeHandle>(std::move(adapter), pipe), 0};
    }

    int usbSpeed(const std::string& path) override {
        int speed = -1;
        forEachAdapter(configuredUsbIds(),
                       [&](libusb_device* device, const libusb_device_descriptor& descriptor) {
                           if (pathOf(device, descriptor) != path) {
                               return true;
                           }
                           switch (libusb_get_device_speed(device)) {
                           case LIBUSB_SPEED_LOW:
                               speed = 0;
                               break;
                           case LIBUSB_SPEED_FULL:
                               speed = 1;
                               break;
                           case LIBUSB_SPEED_UNKNOWN:
                               break;
                           default: // high speed and faster
                               speed = 2;
                               break;
                           }
                           return false;
                       });
        return speed;
    }

    std::unique_ptr<NoticeSource> watch() override { return watchAdapters(); }
};

} // namespace

libusb_context* libusbContext() {
    return usbContext();
}

bool isUsbAdapter(const libusb_device_descriptor& descriptor, const std::vector<UsbId>& ids) {
    return isAdapterId(descriptor, ids);
}

std::string adapterPath(libusb_device* device, const libusb_device_descriptor& descriptor) {
    return pathOf(device, descriptor);
}

std::string forgetAdapterPath(libusb_device* device) {
    const std::lock_guard lock(state().mutex);
    const auto known = state().paths.find(keyOf(device));
    if (known == state().paths.end()) {
        return {};
    }
    std::string path = std::move(known->second);
    state().paths.erase(known);
    return path;
}

DeviceBackend& libusbBackend() {
    static LibusbBackend backend;
    return backend;
}

std::string usbAdapterHint() {
    for (DeviceBackend* backend : deviceBackends()) {
        if (backend == &libusbBackend()) {
            break;
        }
        if (backend->isActive() && backend->hidesLaterBackends()) {
            return {};
        }
    }
    if (configuredUsbIds().empty()) {
        const std::string user = userUsbIdsFile().string();
        return std::string("Echte USB860-Adapter: ihre USB-Kennung (VID:PID) in ") +
               kUsbIdsSystemFile + (user.empty() ? "" : " oder " + user) +
               " eintragen (README, \"Echte Adapter\").";
    }
    if (usbContext() == nullptr) {
        return "Echte USB860-Adapter: kein USB-Zugriff möglich (libusb).";
    }
    const std::lock_guard lock(state().mutex);
    return state().problem;
}

} // namespace kw
