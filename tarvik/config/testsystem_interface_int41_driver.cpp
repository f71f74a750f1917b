#include "tarvik/config/testsystem_interface_int41_driver.h"

#include "common/devices/devices.h"
#include "common/devices/int41_protocol.h"
#include "common/sync/named_mutex.h"

#include <cerrno>

namespace tarvik {

namespace {

// Each bus word holds the adapter's mutex, waiting without limit. When the mutex cannot be
// had at all the word still goes out: the generator must not stop on it.
kw::NamedMutex& int41Mutex() {
    return kw::NamedMutex::shared(kw::kInt41MutexName);
}

std::uint32_t word(int value) {
    return static_cast<std::uint32_t>(value);
}

} // namespace

int TestsystemInterfaceINT41Driver::open() {
    int error = ENOENT;
    for (const kw::DeviceInfo& device : kw::enumerateDevices(kw::DeviceKind::Int41Driver)) {
        auto opened = kw::openDevice(device.path, kw::Access::ReadWrite, kw::Sharing::Exclusive);
        if (opened) {
            m_device = std::move(opened.handle);
            return 0;
        }
        error = opened.error;
    }
    return error;
}

bool TestsystemInterfaceINT41Driver::busWrite(int system, int card, int function, int data) {
    if (!m_device) {
        return false;
    }
    const kw::NamedMutexLock lock(int41Mutex());
    // The driver has no answer queue: a failed control leaves nothing behind to drain.
    return withOneRetry([&] {
        return kw::int41::writeBusWord(*m_device, word(system), word(card), word(function),
                                       word(data))
            .ok();
    });
}

bool TestsystemInterfaceINT41Driver::busRead(int system, int card, int function, int& data) {
    data = 0;
    if (!m_device) {
        return false;
    }
    const kw::NamedMutexLock lock(int41Mutex());
    return withOneRetry([&] {
        const auto result =
            kw::int41::readBusWord(*m_device, word(system), word(card), word(function));
        data = static_cast<int>(result.value & 0xFFFF);
        return result.transfer.complete(kw::int41::kBusWordBufferSize);
    });
}

} // namespace tarvik
