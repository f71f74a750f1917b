#include "tarvik/config/testsystem_connection.h"

#include "tarvik/config/testsystem_interface_int41_driver.h"
#include "tarvik/config/testsystem_interface_usb860.h"

#include "common/devices/rack_bus_map.h"

#include <chrono>
#include <thread>

namespace tarvik {

namespace {

using namespace kw::rack_bus;

// Below this the ZUPA's sense line is pulled down by its 5 V supply.
constexpr double kSupplyThreshold = 0.15;

bool qbtAnswers(TestsystemInterface& interface) {
    int value = 0;
    interface.busRead(0, kQbtCard, kIdentification, value);
    return (value & 15) == kQbt520 || value == kQbt860;
}

// Opens an adapter and keeps it only when a QBT card answers behind it.
template <typename Interface> std::unique_ptr<TestsystemInterface> tryAdapter() {
    auto interface = std::make_unique<Interface>();
    if (interface->open() != 0 || !qbtAnswers(*interface)) {
        return nullptr;
    }
    return interface;
}

void settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

} // namespace

bool TestsystemConnection::connect() {
    m_interface = tryAdapter<TestsystemInterfaceUSB860>();
    if (!m_interface) {
        m_interface = tryAdapter<TestsystemInterfaceINT41Driver>();
    }
    m_systemKind = 0;
    return m_interface != nullptr;
}

void TestsystemConnection::setInterface(std::unique_ptr<TestsystemInterface> interface) {
    m_interface = std::move(interface);
    m_systemKind = 0;
}

int TestsystemConnection::systemKind() {
    if (m_systemKind != 0) {
        return m_systemKind;
    }
    if (!m_interface) {
        return 1;
    }
    const int v = read(kDecoderCard, 0);
    if (v & kDecoderBit945) {
        m_systemKind = 3;
    } else if (v & kDecoderBit930) {
        m_systemKind = 2;
    } else if (v & kDecoderBitUlm) {
        m_systemKind = m_interface->isSecondSystem() ? 5 : 4;
    } else {
        m_systemKind = 1;
    }
    return m_systemKind;
}

int TestsystemConnection::read(int card, int function) {
    int value = 0;
    if (m_interface) {
        m_interface->busRead(0, card, function, value);
    }
    return value;
}

void TestsystemConnection::write(int card, int function, int data) {
    if (m_interface) {
        m_interface->busWrite(0, card, function, data);
    }
}

bool TestsystemConnection::zupaSupplyCheck(bool qbt860) {
    // Switch the ZUPA's supply sense line to the measuring bus.
    write(kDecoderCard, 0, 0);
    for (const auto& [function, bit] : kZupaSenseSwitch) {
        write(kZupaCard, function, bit);
    }
    const double u = qbt860 ? qbt860Measurement() : qbt520Measurement();
    write(kDecoderCard, 0, 0);
    return u < kSupplyThreshold;
}

double TestsystemConnection::qbt860Measurement() {
    static constexpr int kSetup[][2] = {{3, 1}, {1, 0x3D}, {2, 8}, {8, 8},   {11, 0x35},
                                        {0, 1}, {7, 8},    {0, 0}, {7, 0x1B}};
    for (const auto& [function, data] : kSetup) {
        write(0, function, data);
    }
    settle();
    write(0, 4, 1); // start the conversion
    if (m_interface) {
        m_interface->waitBitsClear(0, 0, 0, 1, nullptr);
    }
    const int low = read(0, 2);
    const int high = read(0, 2);
    const auto raw = static_cast<std::int16_t>((low & 0xFF) | ((high & 0xFF) << 8));
    return raw * 0.4 / 32768;
}

double TestsystemConnection::qbt520Measurement() {
    static constexpr int kSetup[][2] = {{0, 0x7B}, {1, 0}, {9, 5}, {12, 8}, {13, 6}};
    for (const auto& [function, data] : kSetup) {
        write(0, function, data);
    }
    settle();
    read(0, 4);
    read(0, 6);
    read(0, 2);
    const int high = read(0, 2);
    const int low = read(0, 3);
    read(0, 5);
    return ((high * 256 + low) - 32768) * 0.5 / 32768;
}

} // namespace tarvik
