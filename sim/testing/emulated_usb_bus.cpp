#include "sim/testing/emulated_usb_bus.h"

#include "common/devices/device_endpoint.h"

#include <umockdev.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace kw::sim::testkit {

namespace {

// Bulk endpoints in descriptor order: OUT 0x02, IN 0x81, IN 0x83, OUT 0x04, so that the
// pipes (first IN = 0, first OUT = 1, second OUT = 2, second IN = 3) are not simply the
// endpoints in the order written.
struct EndpointPipe {
    unsigned char address;
    int pipe;
};
constexpr std::array<EndpointPipe, 4> kEndpoints{{{0x02, 1}, {0x81, 0}, {0x83, 3}, {0x04, 2}}};

constexpr unsigned char kSerialIndex = 3;

int pipeOf(unsigned char endpoint) {
    for (const EndpointPipe& e : kEndpoints) {
        if (e.address == endpoint) {
            return e.pipe;
        }
    }
    return -1;
}

std::string hex(const std::vector<unsigned char>& bytes) {
    std::string text;
    char digits[3];
    for (const unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        text += digits;
    }
    return text;
}

// Device descriptor and the one configuration with its interface and endpoints.
std::vector<unsigned char> descriptors(const EmulatedUsbDevice& device) {
    const int packet = device.speed == "480" || device.speed == "5000" ? 512 : 64;
    std::vector<unsigned char> bytes{
        18, 1, 0x00, 0x02, 0xFF, 0, 0, 64, static_cast<unsigned char>(device.id.vendor & 0xFF),
        static_cast<unsigned char>(device.id.vendor >> 8),
        static_cast<unsigned char>(device.id.product & 0xFF),
        static_cast<unsigned char>(device.id.product >> 8), 0x00, 0x01, 0, 0,
        static_cast<unsigned char>(device.serial.empty() ? 0 : kSerialIndex), 1,
        // configuration: 9 + 9 + 4 × 7 bytes, one interface, self-powered
        9, 2, 46, 0, 1, 1, 0, 0xC0, 50,
        // interface 0, four endpoints, vendor class
        9, 4, 0, 0, 4, 0xFF, 0, 0, 0};
    for (const EndpointPipe& e : kEndpoints) {
        const std::vector<unsigned char> endpoint{7,
                                                  5,
                                                  e.address,
                                                  2,
                                                  static_cast<unsigned char>(packet & 0xFF),
                                                  static_cast<unsigned char>(packet >> 8),
                                                  0};
        bytes.insert(bytes.end(), endpoint.begin(), endpoint.end());
    }
    return bytes;
}

// A string descriptor: the language list for index 0, else the text in UTF-16LE.
std::vector<unsigned char> stringDescriptor(int index, const std::string& text) {
    if (index == 0) {
        return {4, 3, 0x09, 0x04};
    }
    std::vector<unsigned char> bytes{static_cast<unsigned char>(2 + 2 * text.size()), 3};
    for (const char c : text) {
        bytes.push_back(static_cast<unsigned char>(c));
        bytes.push_back(0);
    }
    return bytes;
}

struct Urb {
    UMockdevIoctlClient* client = nullptr; // who submitted it; only that client reaps it
    UMockdevIoctlData* data = nullptr;     // the usbdevfs_urb, referenced
    UMockdevIoctlData* buffer = nullptr;   // its buffer, referenced (nullptr when empty)
    int pipe = -1;                         // bulk IN URBs wait for the adapter's answer
    bool done = false;
    int status = 0;
    int actual = 0;
};

DeviceReply unplugged() {
    DeviceReply reply;
    reply.error = ENODEV;
    return reply;
}

int urbStatus(int error) {
    switch (error) {
    case 0:
        return 0;
    case ENODEV:
        return -ENODEV;
    case EPIPE:
        return -EPIPE;
    default:
        return -EPROTO;
    }
}

} // namespace

struct EmulatedUsbBus::State {
    struct Device {
        std::shared_ptr<DeviceEndpoint> adapter;
        EmulatedUsbDevice setup;
        std::string sysPath;
        std::array<std::shared_ptr<DeviceSession>, 4> sessions;
        bool unplugged = false;
        UMockdevIoctlClient* claimedBy = nullptr; // as usbfs: one opener holds the interface
    };

    UMockdevTestbed* testbed = nullptr;
    UMockdevIoctlBase* handler = nullptr;
    std::string root;
    mutable std::mutex mutex; // guards what follows; the handler runs on umockdev's thread
    std::map<std::string, Device> devices; // by device node
    std::deque<Urb> urbs;
    int lastPort = 0;
    int lastAddress = 1;
    long bulkTransfers = 0;

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* state = static_cast<State*>(self);
        const std::lock_guard lock(state->mutex);
        return state->handle(client);
    }

    gboolean handle(UMockdevIoctlClient* client) {
        const auto found = devices.find(umockdev_ioctl_client_get_devnode(client));
        if (found == devices.end()) {
            return FALSE;
        }
        Device& device = found->second;
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        if (device.unplugged) {
            // As usbfs after a disconnect: the URBs in flight can still be reaped, killed;
            // everything else fails with ENODEV.
            if (request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB) {
                killUrbs(client);
                reap(client, arg);
            } else {
                umockdev_ioctl_client_complete(client, -1, ENODEV);
            }
            return TRUE;
        }
        switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
            *reinterpret_cast<guint32*>(caps->data) = USBDEVFS_CAP_BULK_CONTINUATION |
                                                      USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                                      USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
            umockdev_ioctl_client_complete(client, 0, 0);
            g_object_unref(caps);
            return TRUE;
        }
        case USBDEVFS_CLAIMINTERFACE:
            if (device.setup.kernelDriver || (device.claimedBy && device.claimedBy != client)) {
                umockdev_ioctl_client_complete(client, -1, EBUSY);
                return TRUE;
            }
            device.claimedBy = client;
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_RELEASEINTERFACE:
            if (device.claimedBy == client) {
                device.claimedBy = nullptr;
            }
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESETEP:
        case USBDEVFS_SETINTERFACE:
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_GETDRIVER:
            driverName(client, device, arg);
            return TRUE;
        case USBDEVFS_IOCTL:
            detach(client, device, arg);
            return TRUE;
        case USBDEVFS_SUBMITURB:
            submit(client, device, arg);
            return TRUE;
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            reap(client, arg);
            return TRUE;
        case USBDEVFS_DISCARDURB:
            discard(client, arg);
            return TRUE;
        default:
            return FALSE;
        }
    }

    static void driverName(UMockdevIoctlClient* client, const Device& device,
                           UMockdevIoctlData* arg) {
        if (!device.setup.kernelDriver) {
            umockdev_ioctl_client_complete(client, -1, ENODATA);
            return;
        }
        UMockdevIoctlData* data =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_getdriver), nullptr);
        std::snprintf(reinterpret_cast<usbdevfs_getdriver*>(data->data)->driver,
                      USBDEVFS_MAXDRIVERNAME, "kwtest");
        umockdev_ioctl_client_complete(client, 0, 0);
        g_object_unref(data);
    }

    // USBDEVFS_IOCTL with USBDEVFS_DISCONNECT: the kernel driver lets go of the interface.
    static void detach(UMockdevIoctlClient* client, Device& device, UMockdevIoctlData* arg) {
        UMockdevIoctlData* data =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ioctl), nullptr);
        const bool disconnect = reinterpret_cast<const usbdevfs_ioctl*>(data->data)->ioctl_code ==
                                    static_cast<int>(USBDEVFS_DISCONNECT) &&
                                device.setup.kernelDriver;
        if (disconnect) {
            device.setup.kernelDriver = false;
        }
        umockdev_ioctl_client_complete(client, disconnect ? 0 : -1, disconnect ? 0 : ENODATA);
        g_object_unref(data);
    }

    void submit(UMockdevIoctlClient* client, Device& device, UMockdevIoctlData* arg) {
        UMockdevIoctlData* data =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        const auto* urb = reinterpret_cast<const usbdevfs_urb*>(data->data);
        UMockdevIoctlData* buffer =
            urb->buffer_length > 0
                ? umockdev_ioctl_data_resolve(data, G_STRUCT_OFFSET(usbdevfs_urb, buffer),
                                              static_cast<gsize>(urb->buffer_length), nullptr)
                : nullptr;
        Urb entry;
        entry.client = client;
        entry.data = data;
        entry.buffer = buffer;
        if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
            control(device, entry, urb->buffer_length);
        } else if (urb->type == USBDEVFS_URB_TYPE_BULK && pipeOf(urb->endpoint) >= 0) {
            ++bulkTransfers;
            entry.pipe = pipeOf(urb->endpoint);
            if (!(urb->endpoint & 0x80)) {
                writeOut(device, entry, urb->buffer_length);
            }
        } else {
            g_object_unref(data);
            if (buffer) {
                g_object_unref(buffer);
            }
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return;
        }
        urbs.push_back(entry);
        umockdev_ioctl_client_complete(client, 0, 0);
    }

    // Standard GET_DESCRIPTOR requests; every other control request stalls.
    void control(const Device& device, Urb& urb, int length) {
        urb.done = true;
        urb.status = -EPIPE;
        if (!urb.buffer || length < 8) {
            return;
        }
        const guint8* setup = urb.buffer->data;
        const int type = setup[3];
        const int index = setup[2];
        const int wanted = setup[6] | (setup[7] << 8);
        if (setup[0] != 0x80 || setup[1] != 6) {
            return;
        }
        std::vector<unsigned char> answer;
        if (type == 3 && (index == 0 || (index == kSerialIndex && !device.setup.serial.empty()))) {
            answer = stringDescriptor(index, device.setup.serial);
        } else if (type == 1 || type == 2) {
            const auto all = descriptors(device.setup);
            answer.assign(all.begin() + (type == 1 ? 0 : 18),
                          type == 1 ? all.begin() + 18 : all.end());
        } else {
            return;
        }
        const int n = std::min(std::min(static_cast<int>(answer.size()), wanted), length - 8);
        std::copy_n(answer.begin(), n, urb.buffer->data + 8);
        urb.status = 0;
        urb.actual = n;
    }

    std::shared_ptr<DeviceSession> session(Device& device, int pipe) {
        auto& session = device.sessions[static_cast<std::size_t>(pipe)];
        if (!session) {
            int error = 0;
            const bool read = pipe == 0 || pipe == 3;
            session = device.adapter->open(pipe, read ? Access::Read : Access::Write,
                                           Sharing::Shared, &error);
        }
        return session;
    }

    void writeOut(Device& device, Urb& urb, int length) {
        DeviceRequest request;
        request.op = DeviceRequest::Op::Write;
        if (urb.buffer) {
            request.in.assign(urb.buffer->data, urb.buffer->data + length);
        }
        const auto target = session(device, urb.pipe);
        const DeviceReply reply = target ? target->serve(request) : unplugged();
        urb.done = true;
        urb.status = urbStatus(reply.error);
        urb.actual = static_cast<int>(reply.transferred);
    }

    // A bulk IN URB completes when the adapter has an answer; until then it stays in flight.
    void tryRead(Urb& urb) {
        const auto entry = devices.find(umockdev_ioctl_client_get_devnode(urb.client));
        const auto* header = reinterpret_cast<const usbdevfs_urb*>(urb.data->data);
        DeviceRequest request;
        request.op = DeviceRequest::Op::Read;
        request.outCapacity = static_cast<std::uint32_t>(header->buffer_length);
        const auto source = session(entry->second, urb.pipe);
        const DeviceReply reply = source ? source->serve(request) : unplugged();
        if (reply.error == ETIMEDOUT) {
            return;
        }
        const int n = std::min<int>(static_cast<int>(reply.out.size()), header->buffer_length);
        if (urb.buffer) {
            std::copy_n(reply.out.begin(), n, urb.buffer->data);
        }
        urb.done = true;
        urb.status = urbStatus(reply.error);
        urb.actual = n;
    }

    void killUrbs(UMockdevIoctlClient* client) {
        for (Urb& urb : urbs) {
            if (urb.client == client && !urb.done) {
                urb.done = true;
                urb.status = -ESHUTDOWN;
                urb.actual = 0;
            }
        }
    }

    void reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        for (auto it = urbs.begin(); it != urbs.end(); ++it) {
            if (it->client != client) {
                continue;
            }
            if (!it->done && it->pipe >= 0) {
                tryRead(*it);
            }
            if (!it->done) {
                continue;
            }
            auto* urb = reinterpret_cast<usbdevfs_urb*>(it->data->data);
            urb->status = it->status;
            urb->actual_length = it->actual;
            UMockdevIoctlData* pointer =
                umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
            umockdev_ioctl_data_set_ptr(pointer, 0, it->data);
            umockdev_ioctl_client_complete(client, 0, 0);
            g_object_unref(pointer);
            release(*it);
            urbs.erase(it);
            return;
        }
        const auto found = devices.find(umockdev_ioctl_client_get_devnode(client));
        umockdev_ioctl_client_complete(client, -1, found->second.unplugged ? ENODEV : EAGAIN);
    }

    void discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        const gulong address = *reinterpret_cast<const gulong*>(arg->data);
        for (Urb& urb : urbs) {
            if (urb.client == client && urb.data->client_addr == address && !urb.done) {
                urb.done = true;
                urb.status = -ENOENT;
                urb.actual = 0;
                umockdev_ioctl_client_complete(client, 0, 0);
                return;
            }
        }
        umockdev_ioctl_client_complete(client, -1, EINVAL);
    }

    static void release(Urb& urb) {
        g_object_unref(urb.data);
        if (urb.buffer) {
            g_object_unref(urb.buffer);
        }
    }

    void dropUrbs(UMockdevIoctlClient* client) {
        for (auto it = urbs.begin(); it != urbs.end();) {
            if (it->client == client) {
                release(*it);
                it = urbs.erase(it);
            } else {
                ++it;
            }
        }
    }

    static void onVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* state = static_cast<State*>(self);
        const std::lock_guard lock(state->mutex);
        state->dropUrbs(client);
        for (auto& [node, device] : state->devices) {
            if (device.claimedBy == client) {
                device.claimedBy = nullptr;
            }
        }
    }
};

EmulatedUsbBus::EmulatedUsbBus() : m_state(std::make_unique<State>()) {
    m_state->testbed = umockdev_testbed_new();
    gchar* root = umockdev_testbed_get_root_dir(m_state->testbed);
    m_state->root = root;
    g_free(root);
    m_state->handler = umockdev_ioctl_base_new();
    g_signal_connect(m_state->handler, "handle-ioctl", G_CALLBACK(&State::onIoctl), m_state.get());
    g_signal_connect(m_state->handler, "client-vanished", G_CALLBACK(&State::onVanished),
                     m_state.get());
}

EmulatedUsbBus::~EmulatedUsbBus() {
    g_object_unref(m_state->testbed);
    g_object_unref(m_state->handler);
    const std::lock_guard lock(m_state->mutex);
    for (Urb& urb : m_state->urbs) {
        State::release(urb);
    }
}

int EmulatedUsbBus::plug(std::shared_ptr<DeviceEndpoint> adapter, const EmulatedUsbDevice& device) {
    int port = 0;
    int address = 0;
    {
        const std::lock_guard lock(m_state->mutex);
        port = device.port > 0 ? device.port : ++m_state->lastPort;
        address = ++m_state->lastAddress;
    }
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", address);
    const std::string sysPath = "/devices/pci0000:00/usb1/1-" + std::to_string(port);
    {
        const std::lock_guard lock(m_state->mutex);
        State::Device& entry = m_state->devices[node];
        entry.adapter = std::move(adapter);
        entry.setup = device;
        entry.sysPath = "/sys" + sysPath;
    }
    // The handler first, so that a program woken by the arrival can open the device at once.
    if (!umockdev_testbed_attach_ioctl(m_state->testbed, node, m_state->handler, nullptr)) {
        throw std::runtime_error(std::string("umockdev: ") + node + " nicht emulierbar");
    }
    char address3[16];
    std::snprintf(address3, sizeof address3, "%03d", address);
    const std::string description = "P: " + sysPath + "\nN: " + std::string(node + 5) +
                                    "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
                                    "E: BUSNUM=001\nE: DEVNUM=" +
                                    address3 + "\nE: DEVNAME=" + node +
                                    "\nA: busnum=1\\n\nA: devnum=" + std::to_string(address) +
                                    "\\n\nA: bConfigurationValue=1\\n\nA: speed=" + device.speed +
                                    "\\n\nH: descriptors=" + hex(descriptors(device)) + "\n";
    if (!umockdev_testbed_add_from_string(m_state->testbed, description.c_str(), nullptr)) {
        throw std::runtime_error("umockdev: Gerät " + sysPath + " nicht angelegt");
    }
    return address;
}

void EmulatedUsbBus::unplug(int device) {
    std::string sysPath;
    {
        const std::lock_guard lock(m_state->mutex);
        for (auto& [node, entry] : m_state->devices) {
            if (node == nodeFile(device).string().substr(m_state->root.size())) {
                entry.unplugged = true;
                sysPath = entry.sysPath;
            }
        }
    }
    if (!sysPath.empty()) {
        umockdev_testbed_uevent(m_state->testbed, sysPath.c_str(), "remove");
        // Gone from sysfs too, so that programs started later do not find it.
        umockdev_testbed_remove_device(m_state->testbed, sysPath.c_str());
    }
}

std::filesystem::path EmulatedUsbBus::nodeFile(int device) const {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", device);
    return m_state->root + node;
}

long EmulatedUsbBus::bulkTransfers() const {
    const std::lock_guard lock(m_state->mutex);
    return m_state->bulkTransfers;
}

} // namespace kw::sim::testkit
