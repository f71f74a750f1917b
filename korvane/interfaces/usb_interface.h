#pragma once

// A USB860 adapter: bus words travel as packets over two pipes, under
// "USB860SynchronizerMutex". CInterfaceUsbBase holds the pipes, the device path and what
// both ways of using the adapter share; CInterfaceUsb860 is the plain adapter with 8-bit
// data; CInterfaceUlm860 is the 16-bit twin of an adapter whose decoder runs in ULM860 mode,
// on copies of the same pipes.

#include "korvane/interfaces/byte_bus_ranges.h"
#include "korvane/interfaces/interface.h"
#include "korvane/interfaces/interface_context.h"

#include "common/devices/devices.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kw {
class NamedMutex;
}

namespace korvane {

// The four pipes of one adapter. Bus words use the read pipe "\PIPE00" and the write pipe
// "\PIPE01"; the second pair is kept open with them.
struct UsbPipes {
    std::unique_ptr<kw::DeviceHandle> read;        // "\PIPE00"
    std::unique_ptr<kw::DeviceHandle> secondRead;  // "\PIPE03"
    std::unique_ptr<kw::DeviceHandle> write;       // "\PIPE01"
    std::unique_ptr<kw::DeviceHandle> secondWrite; // "\PIPE02"

    // Copies of every open pipe, made with the platform's handle duplication.
    UsbPipes duplicate() const;
};

class CInterfaceUsbBase : public ByteBusRanges<> {
public:
    // ULM860 state of the decoder behind the adapter.
    enum UlmState { kUlmUnknown = 0, kUlmNo = 1, kUlmYes = 2 };

    ~CInterfaceUsbBase() override;

    std::string displayName() override;
    bool isUsable() const override { return m_pipes.read && m_pipes.write; }
    std::string deviceName() override { return m_path; }
    bool matchesSelection(int kind, const std::string& text) const override;


    virtual std::string typeName() = 0;
    virtual int kindNumber() const = 0;

    // Whether the decoder runs in ULM860 mode; asked once (bit 0x40 of card address 15,
    // function 0), then kept.
    bool ulmMode();

    // Copies of the pipes, for a second interface on the same adapter.
    UsbPipes duplicatePipes() const { return m_pipes.duplicate(); }
    const std::string& path() const { return m_path; }
    int deviceNumber() const { return m_deviceNumber; }
    int speed() const { return m_speed; }
    UlmState ulmState() const { return m_ulmState; }
    InterfaceContext interfaceContext() const { return m_context; }

protected:
    CInterfaceUsbBase(InterfaceContext context, UsbPipes pipes, std::string path, int deviceNumber,
                      int speed, UlmState ulmState);

    // One bus word: writes the packet, and for a read takes the 2-byte answer. Errors and
    // time-outs are shown through the guard; a failed read gives 0.
    int transfer(std::span<const std::uint8_t> packet, bool isRead);

    InterfaceContext& context() { return m_context; }

private:
    InterfaceContext m_context;
    UsbPipes m_pipes;
    std::string m_path;
    int m_speed;
    UlmState m_ulmState;
    int m_deviceNumber;
    std::string m_name; // built once
    kw::NamedMutex& m_mutex;
};

class CInterfaceUsb860 : public CInterfaceUsbBase {
public:
    CInterfaceUsb860(InterfaceContext context, UsbPipes pipes, std::string path, int deviceNumber,
                     int speed);
    ~CInterfaceUsb860() override;

    void busWrite(int systemAddress, int cardAddress, int functionAddress, int data) override;
    int busRead(int systemAddress, int cardAddress, int functionAddress) override;

    std::string typeName() override;
    int kindNumber() const override { return kSelectUsb860; }

    // The self-test needs a special board; the tool unlocks it on a hidden key.
    void enableSelfTest() override { m_selfTestEnabled = true; }
    bool canSelfTest() override { return m_selfTestEnabled && !ulmMode(); }
    void runSelfTest() override;

private:
    bool m_selfTestEnabled = false;
    std::unique_ptr<BitsResultWindow> m_resultWindow;
};

class CInterfaceUlm860 : public CInterfaceUsbBase {
public:
    // The twin of an adapter in ULM860 mode, on copies of its pipes.
    explicit CInterfaceUlm860(CInterfaceUsb860& adapter);

    void busWrite(int systemAddress, int cardAddress, int functionAddress, int data) override;
    int busRead(int systemAddress, int cardAddress, int functionAddress) override;

    std::string typeName() override { return "Ulm860 (16 Bit)"; }
    int kindNumber() const override { return kSelectUlm860; }
    bool isDecoder() const override { return true; }
    int maxFunctionAddress() const override { return 63; }
};

// Hands out the USB860 adapters one per call, with their pipes opened; after the last one it
// answers nothing once and starts over. An adapter whose pipes cannot be opened ends the
// enumeration there, as does a device path too long for the platform's interface detail.
class Usb860Finder {
public:
    std::unique_ptr<CInterfaceUsb860> next(InterfaceContext context);

private:
    void reset();

    std::vector<kw::DeviceInfo> m_devices;
    std::size_t m_next = 0;
    bool m_enumerated = false;
};

} // namespace korvane
