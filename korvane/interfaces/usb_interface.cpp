#include "korvane/interfaces/usb_interface.h"

#include "korvane/interfaces/bus_mutex.h"
#include "korvane/interfaces/usb_names.h"
#include "korvane/interfaces/usb_self_test.h"

#include "common/devices/usb860_protocol.h"
#include "common/devices/usb860_transfer.h"
#include "common/sync/named_mutex.h"

namespace korvane {

namespace {

const char* const kTimeoutText = "Timeout beim Zugriff auf die USB-Schnittstelle!";

// The platform's interface detail of a device path is limited to this size.
constexpr std::size_t kMaxDetailSize = 505;

std::uint16_t word(int value) {
    return static_cast<std::uint16_t>(value);
}

std::unique_ptr<kw::DeviceHandle> copyOf(const std::unique_ptr<kw::DeviceHandle>& handle) {
    return handle ? handle->duplicate() : nullptr;
}

std::string transferError(const char* what, const char* moved, const kw::TransferResult& result,
                          std::size_t expected) {
    return std::string("Fehler beim ") + what + " (" + std::to_string(result.error) + ")\n" +
           "Anzahl " + moved + " Bytes: " + std::to_string(result.transferred) + " von " +
           std::to_string(expected);
}

} // namespace

UsbPipes UsbPipes::duplicate() const {
    return UsbPipes{copyOf(read), copyOf(secondRead), copyOf(write), copyOf(secondWrite)};
}

CInterfaceUsbBase::CInterfaceUsbBase(InterfaceContext context, UsbPipes pipes, std::string path,
                                     int deviceNumber, int speed, UlmState ulmState)
    : m_context(context), m_pipes(std::move(pipes)), m_path(std::move(path)), m_speed(speed),
      m_ulmState(ulmState), m_deviceNumber(deviceNumber), m_mutex(context.mutexes.usb) {}

CInterfaceUsbBase::~CInterfaceUsbBase() = default;

std::string CInterfaceUsbBase::displayName() {
    if (m_name.empty()) {
        m_name = usbDisplayName(m_path, typeName(), m_deviceNumber, m_speed);
    }
    return m_name;
}

bool CInterfaceUsbBase::matchesSelection(int kind, const std::string& text) const {
    if (kind != kindNumber()) {
        return false;
    }
    return text.empty() || readUsbSerialField(m_path) == text;
}

bool CInterfaceUsbBase::ulmMode() {
    if (m_ulmState == kUlmUnknown) {
        constexpr int kDecoderCard = 15;
        constexpr int kUlmModeBit = 0x40;
        m_ulmState = (busRead(0, kDecoderCard, 0) & kUlmModeBit) ? kUlmYes : kUlmNo;
    }
    return m_ulmState == kUlmYes;
}

int CInterfaceUsbBase::transfer(std::span<const std::uint8_t> packet, bool isRead) {
    if (!isUsable()) {
        return 0;
    }
    std::string error;
    int value = 0;
    {
        BusWordLock lock(m_mutex, MutexRule::Usb);
        if (lock.abandoned()) {
            // The dead owner may have left its answer in the adapter's queue.
            kw::usb860::drainAnswers(*m_pipes.read);
        }
        if (!lock.granted()) {
            error = kTimeoutText;
        } else {
            const auto word =
                kw::usb860::transferWord(*m_pipes.write, m_pipes.read.get(), packet, isRead);
            value = word.value;
            if (!word.written.complete(packet.size())) {
                // Without the request on the adapter no answer can come: the read is skipped.
                error = transferError("Schreiben", "geschriebener", word.written, packet.size());
            } else if (word.answered && !word.answer.complete(kw::usb860::kAnswerSize)) {
                error = transferError("Lesen", "gelesener", word.answer, kw::usb860::kAnswerSize);
            }
        }
    }
    if (!error.empty()) {
        noteTransferFailure();
    }
    // Shown after the mutex is given back: a box open for minutes must not stop the other
    // programs that use the adapter.
    if (!error.empty()) {
        m_context.messages.show(MessageFamily::Usb, error);
    }
    return value;
}

CInterfaceUsb860::CInterfaceUsb860(InterfaceContext context, UsbPipes pipes, std::string path,
                                   int deviceNumber, int speed)
    : CInterfaceUsbBase(context, std::move(pipes), std::move(path), deviceNumber, speed,
                        kUlmUnknown) {}

CInterfaceUsb860::~CInterfaceUsb860() = default;

void CInterfaceUsb860::busWrite(int systemAddress, int cardAddress, int functionAddress, int data) {
    const auto packet = kw::usb860::writePacket(word(systemAddress), word(cardAddress),
                                                word(functionAddress), word(data));
    transfer(packet, false);
}

int CInterfaceUsb860::busRead(int systemAddress, int cardAddress, int functionAddress) {
    const auto packet =
        kw::usb860::readPacket(word(systemAddress), word(cardAddress), word(functionAddress));
    return transfer(packet, true);
}

std::string CInterfaceUsb860::typeName() {
    return ulmMode() ? "Ulm860 (8 Bit)" : "Usb860";
}

void CInterfaceUsb860::runSelfTest() {
    if (!m_resultWindow) {
        m_resultWindow = context().windows.makeUsb860Window();
    }
    runUsb860SelfTest(*this, *m_resultWindow, context().messages.user());
}

CInterfaceUlm860::CInterfaceUlm860(CInterfaceUsb860& adapter)
    : CInterfaceUsbBase(adapter.interfaceContext(), adapter.duplicatePipes(), adapter.path(),
                        adapter.deviceNumber(), adapter.speed(), adapter.ulmState()) {}

void CInterfaceUlm860::busWrite(int systemAddress, int cardAddress, int functionAddress, int data) {
    const auto packet = kw::usb860::ulmWritePacket(word(systemAddress), word(cardAddress),
                                                   word(functionAddress), word(data));
    transfer(packet, false);
}

int CInterfaceUlm860::busRead(int systemAddress, int cardAddress, int functionAddress) {
    const auto packet =
        kw::usb860::ulmReadPacket(word(systemAddress), word(cardAddress), word(functionAddress));
    return transfer(packet, true);
}

void Usb860Finder::reset() {
    m_devices.clear();
    m_next = 0;
    m_enumerated = false;
}

std::unique_ptr<CInterfaceUsb860> Usb860Finder::next(InterfaceContext context) {
    if (!m_enumerated) {
        m_devices = kw::enumerateDevices(kw::DeviceKind::Usb860);
        m_next = 0;
        m_enumerated = true;
    }
    if (m_next >= m_devices.size()) {
        reset();
        return nullptr;
    }
    const kw::DeviceInfo device = m_devices[m_next++];
    const int deviceNumber = static_cast<int>(m_next);
    if (device.detailSize() > kMaxDetailSize) {
        reset();
        return nullptr;
    }
    UsbPipes pipes;
    pipes.write = kw::openPipe(device.path, kw::kUsbWritePipe, kw::Access::Write).handle;
    if (pipes.write) {
        pipes.read = kw::openPipe(device.path, kw::kUsbReadPipe, kw::Access::Read).handle;
    }
    if (!pipes.write || !pipes.read) {
        reset();
        return nullptr;
    }
    pipes.secondWrite =
        kw::openPipe(device.path, kw::kUsbSecondWritePipe, kw::Access::Write).handle;
    pipes.secondRead = kw::openPipe(device.path, kw::kUsbSecondReadPipe, kw::Access::Read).handle;
    return std::make_unique<CInterfaceUsb860>(context, std::move(pipes), device.path, deviceNumber,
                                              kw::usbSpeed(device.path));
}

} // namespace korvane
