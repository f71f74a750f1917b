#include "common/devices/libusb_adapters.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace kw {

namespace {

// Hot-plug notices from libusb's callbacks. The callback runs on this source's event thread
// and only queues the device; take() turns it into a notice on the caller's thread, where the
// serial string of an arrival may be read (no blocking libusb calls inside a callback).
class LibusbNoticeSource : public NoticeSource {
public:
    LibusbNoticeSource() : m_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

    bool start() {
        const int events = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
        if (m_fd < 0 ||
            libusb_hotplug_register_callback(
                libusbContext(), events, 0, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
                LIBUSB_HOTPLUG_MATCH_ANY, &LibusbNoticeSource::arrived, this, &m_callback) != 0) {
            return false;
        }
        m_registered = true;
        m_thread = std::thread([this] {
            while (!m_stop) {
                timeval wait{0, 200000};
                libusb_handle_events_timeout_completed(libusbContext(), &wait, nullptr);
            }
        });
        return true;
    }

    ~LibusbNoticeSource() override {
        if (m_registered) {
            libusb_hotplug_deregister_callback(libusbContext(), m_callback);
            m_stop = true;
            libusb_interrupt_event_handler(libusbContext());
            m_thread.join();
        }
        for (const Event& event : m_queue) {
            libusb_unref_device(event.device);
        }
        if (m_fd >= 0) {
            close(m_fd);
        }
    }

    int fileDescriptor() const override { return m_fd; }

    std::vector<DeviceNotice> take() override {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto ignored = ::read(m_fd, &count, sizeof count);
        std::deque<Event> events;
        {
            const std::lock_guard lock(m_mutex);
            events.swap(m_queue);
        }
        const std::vector<UsbId> ids = configuredUsbIds();
        std::vector<DeviceNotice> notices;
        for (const Event& event : events) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(event.device, &descriptor) == 0 &&
                isUsbAdapter(descriptor, ids)) {
                addNotice(event, descriptor, notices);
            }
            libusb_unref_device(event.device);
        }
        return notices;
    }

private:
    struct Event {
        bool arrival;
        libusb_device* device; // referenced while queued
    };

    static int LIBUSB_CALL arrived(libusb_context*, libusb_device* device,
                                   libusb_hotplug_event event, void* self) {
        auto* source = static_cast<LibusbNoticeSource*>(self);
        {
            const std::lock_guard lock(source->m_mutex);
            source->m_queue.push_back(
                {event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED, libusb_ref_device(device)});
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto ignored = ::write(source->m_fd, &one, sizeof one);
        return 0;
    }

    static void addNotice(const Event& event, const libusb_device_descriptor& descriptor,
                          std::vector<DeviceNotice>& notices) {
        if (event.arrival) {
            if (std::string path = adapterPath(event.device, descriptor); !path.empty()) {
                notices.push_back({DeviceNotice::Type::Arrival, DeviceKind::Usb860, path});
            }
            return;
        }
        if (std::string path = forgetAdapterPath(event.device); !path.empty()) {
            notices.push_back({DeviceNotice::Type::Removal, DeviceKind::Usb860, path});
        }
    }

    int m_fd;
    libusb_hotplug_callback_handle m_callback{};
    bool m_registered = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::deque<Event> m_queue;
};

} // namespace

std::unique_ptr<NoticeSource> watchAdapters() {
    if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        return nullptr;
    }
    auto source = std::make_unique<LibusbNoticeSource>();
    return source->start() ? std::move(source) : nullptr;
}

} // namespace kw
