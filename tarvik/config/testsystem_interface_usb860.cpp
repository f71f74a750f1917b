#include "tarvik/config/testsystem_interface_usb860.h"

#include "common/devices/devices.h"
#include "common/devices/usb860_protocol.h"
#include "common/devices/usb860_transfer.h"
#include "common/sync/named_mutex.h"

#include <cerrno>

namespace tarvik {

namespace {

// A USB interface detail must fit the 512-byte buffer the enumeration reads it into.
constexpr std::size_t kMaxDetailSize = 505;

// Each bus word holds the adapter's mutex, waiting without limit. When the mutex cannot be
// had at all the word still goes out: the generator must not stop on it.
kw::NamedMutex& usb860Mutex() {
    return kw::NamedMutex::shared(kw::kUsb860MutexName);
}

std::uint16_t half(int value) {
    return static_cast<std::uint16_t>(value);
}

} // namespace

int TestsystemInterfaceUSB860::open() {
    int error = ENOENT;
    for (const kw::DeviceInfo& device : kw::enumerateDevices(kw::DeviceKind::Usb860)) {
        if (device.detailSize() > kMaxDetailSize) {
            return kDetailTooLarge;
        }
        auto write = kw::openPipe(device.path, kw::kUsbWritePipe, kw::Access::Write);
        if (!write) {
            error = write.error;
            continue;
        }
        auto read = kw::openPipe(device.path, kw::kUsbReadPipe, kw::Access::Read);
        if (!read) {
            error = read.error; // the write pipe closes with `write`
            continue;
        }
        m_writePipe = std::move(write.handle);
        m_readPipe = std::move(read.handle);
        return 0;
    }
    return error;
}

bool TestsystemInterfaceUSB860::isSecondSystem() {
    const kw::NamedMutexLock lock(usb860Mutex()); // re-entered by the two reads
    resynchroniseAfter(lock);
    int first = 0;
    int second = 0;
    busRead(1, 15, 0, first);
    busRead(0, 15, 0, second);
    return first == 0;
}

// A mutex taken over from a program that died holding it: that program's answer may still
// wait in the adapter's queue.
void TestsystemInterfaceUSB860::resynchroniseAfter(const kw::NamedMutexLock& lock) {
    if (lock.result() == kw::WaitResult::Abandoned && m_readPipe) {
        kw::usb860::drainAnswers(*m_readPipe);
    }
}

bool TestsystemInterfaceUSB860::busWrite(int system, int card, int function, int data) {
    if (!m_writePipe) {
        return false;
    }
    const kw::NamedMutexLock lock(usb860Mutex());
    resynchroniseAfter(lock);
    const auto packet =
        kw::usb860::writePacket(half(system), half(card), half(function), half(data));
    return withOneRetry([&] {
        return kw::usb860::transferWord(*m_writePipe, m_readPipe.get(), packet, false)
            .ok(packet.size());
    });
}

bool TestsystemInterfaceUSB860::busRead(int system, int card, int function, int& data) {
    data = 0;
    if (!m_writePipe || !m_readPipe) {
        return false;
    }
    const kw::NamedMutexLock lock(usb860Mutex());
    resynchroniseAfter(lock);
    const auto packet = kw::usb860::readPacket(half(system), half(card), half(function));
    return withOneRetry([&] {
        const auto word = kw::usb860::transferWord(*m_writePipe, m_readPipe.get(), packet, true);
        data = word.value;
        return word.ok(packet.size());
    });
}

} // namespace tarvik
