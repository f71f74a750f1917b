#pragma once

// The common base of every bus interface of korvane: an INT41 card (driver or direct port
// access), an INT900 card (driver or direct) or a USB860 adapter (plain, or the 16-bit twin of
// an adapter in ULM860 mode). The tool's dialog, its action sequences, its command line and
// its self-test windows use only this base.
//
// A bus word is addressed by system, card and function address and carries one data value;
// the ranges differ per interface and are asked through the range operations. Transfers never
// fail towards the caller: an interface reports its own errors (through the message guard) and
// a failed read gives 0.

#include <string>

namespace korvane {

// Selection kinds of the command line (see matchesSelection).
enum SelectionKind : int {
    kSelectInt41 = 0,  // text: base port address in hexadecimal, empty = any
    kSelectUsb860 = 1, // text: serial number, empty = any
    kSelectUlm860 = 2, // text: serial number of the adapter, empty = any
};

class CInterface {
public:
    CInterface() = default;
    virtual ~CInterface() = default;
    CInterface(const CInterface&) = delete;
    CInterface& operator=(const CInterface&) = delete;

    // Text shown in the interface list.
    virtual std::string displayName() = 0;
    // The device was found and opened.
    virtual bool isUsable() const = 0;
    // The device passed its identity check; only such interfaces are listed unless nothing
    // else is found (or Ctrl was held at start).
    virtual bool isListed() { return isUsable(); }
    // True only for the 16-bit twin of a USB adapter in ULM860 mode.
    virtual bool isDecoder() const { return false; }
    // Identifies the device (USB: the device path, matched against plug-in and removal notices).
    virtual std::string deviceName() { return displayName(); }

    virtual void busWrite(int systemAddress, int cardAddress, int functionAddress, int data) = 0;
    virtual int busRead(int systemAddress, int cardAddress, int functionAddress) = 0;

    virtual int minSystemAddress() const = 0;
    virtual int maxSystemAddress() const = 0;
    virtual int minCardAddress() const = 0;
    virtual int maxCardAddress() const = 0;
    virtual int minFunctionAddress() const = 0;
    virtual int maxFunctionAddress() const = 0;
    virtual int minData() const = 0;
    virtual int maxData() const = 0;

    // The hidden key of the main dialog unlocks self-tests that need special hardware.
    virtual void enableSelfTest() {}
    virtual bool canSelfTest() { return false; }
    // Runs the self-test, reporting into the interface's own result windows.
    virtual void runSelfTest() {}

    // Command-line selection: true when this interface answers the requested kind and text.
    virtual bool matchesSelection(int kind, const std::string& text) const {
        (void)kind;
        (void)text;
        return false;
    }

    // Bus words that failed since the interface was made (time-outs, failed or short
    // transfers, a device that went away). Nothing of the tool's behaviour depends on it but
    // the exit code of a strict unattended run.
    int transferFailures() const { return m_transferFailures; }

protected:
    void noteTransferFailure() { ++m_transferFailures; }

private:
    int m_transferFailures = 0;
};

} // namespace korvane
