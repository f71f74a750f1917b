// The INT41 and INT900 cards through their drivers' controls and through direct port access,
// driven the way the bus tools drive them.

#include "common/devices/devices.h"
#include "common/devices/int41_protocol.h"
#include "common/devices/int900_protocol.h"
#include "common/devices/port_io.h"
#include "sim/in_process_simulator.h"

#include <gtest/gtest.h>

using kw::sim::InProcessSimulator;
namespace int41 = kw::int41;
namespace int900 = kw::int900;

namespace {

std::unique_ptr<kw::DeviceHandle> openDriver(const std::string& path) {
    auto result = kw::openDevice(path, kw::Access::ReadWrite, kw::Sharing::Exclusive);
    EXPECT_TRUE(result) << result.error;
    return std::move(result.handle);
}

// Bus words by direct port access, step by step as the direct INT41 interface does them.
void directWrite(kw::PortIo& io, int base, int s, int c, int f, int d) {
    io.out32(static_cast<std::uint16_t>(base),
             static_cast<std::uint32_t>(d + 256 * (f | 0xD0) + 65536 * c + 16777216 * s));
    io.out8(static_cast<std::uint16_t>(base + 1), static_cast<std::uint8_t>(f | 0x50));
    while (io.in8(static_cast<std::uint16_t>(base + 5)) > 0x7F) {
    }
    io.out8(static_cast<std::uint16_t>(base + 1), static_cast<std::uint8_t>(f | 0xD0));
    io.out8(static_cast<std::uint16_t>(base + 1), static_cast<std::uint8_t>(f | 0x80));
}

int directRead(kw::PortIo& io, int base, int s, int c, int f) {
    io.out32(static_cast<std::uint16_t>(base),
             static_cast<std::uint32_t>(256 * (f | 0x80) + 65536 * c + 16777216 * s));
    io.out8(static_cast<std::uint16_t>(base + 1), static_cast<std::uint8_t>(f));
    std::uint16_t word = 0;
    do {
        word = io.in16(static_cast<std::uint16_t>(base + 4));
    } while (word & 0x8000);
    io.out8(static_cast<std::uint16_t>(base + 1), static_cast<std::uint8_t>(f | 0x80));
    return word & 0xFF;
}

} // namespace

TEST(Int41Card, DriverControlsCarryBusWordsAndRegisters) {
    InProcessSimulator sim({"adapter int41 base=0x318", "1 47 3"});
    auto driver = openDriver(sim.devicePath());
    EXPECT_EQ(0x318u, int41::baseAddress(*driver));
    EXPECT_TRUE(int41::writeBusWord(*driver, 0, 1, 5, 0x5A).ok());
    auto read = int41::readBusWord(*driver, 0, 1, 5);
    EXPECT_TRUE(read.transfer.complete(16));
    EXPECT_EQ(0x5Au, read.value);
    EXPECT_EQ(47u, int41::readBusWord(*driver, 0, 1, 15).value);

    // The driver's register check: 0x8A into register 1, register 7 answers 0xCC.
    EXPECT_TRUE(int41::writeRegister(*driver, 1, 0x8A).ok());
    EXPECT_EQ(0xCCu, int41::readRegister(*driver, 7).value);
    for (int reg = 0; reg < 4; ++reg) {
        int41::writeRegister(*driver, reg, 0xA5);
        EXPECT_EQ(0xA5u, int41::readRegister(*driver, reg).value) << reg;
    }
    // A control the driver does not know, and an answer buffer too small.
    std::uint8_t out[8];
    EXPECT_EQ(EINVAL, driver->control(0x222010, {}, out).error);
    EXPECT_EQ(
        EINVAL,
        driver->control(int41::kReadRegister, int41::registerBuffer(1, 0), std::span(out).first(4))
            .error);
}

TEST(Int41Card, BadCheckAndMissingBase) {
    InProcessSimulator sim({"adapter int41 base=0 badcheck"});
    auto driver = openDriver(sim.devicePath());
    EXPECT_EQ(0u, int41::baseAddress(*driver)); // fewer than 4 bytes came back
    int41::writeRegister(*driver, 1, 0x8A);
    EXPECT_NE(0xCCu, int41::readRegister(*driver, 7).value);
    // Without a base there is no card to reach directly either.
    EXPECT_EQ(0xFF, kw::directPortAccess(0x310, 8)->in8(0x317));
}

TEST(Int41Card, StatusShowsBusyAfterEachControlWrite) {
    InProcessSimulator sim({"adapter int41 busy=3"});
    auto driver = openDriver(sim.devicePath());
    int41::writeRegister(*driver, 1, 128);
    int busyReads = 0;
    while (int41::readRegister(*driver, 5).value >= 128) {
        ++busyReads;
    }
    EXPECT_EQ(3, busyReads);
}

TEST(Int41Card, StuckAndShortedBitsShowInTheReadBack) {
    InProcessSimulator sim({"adapter int41", "fault stuck 2 3 1", "fault shorted 0 0 3 5"});
    auto driver = openDriver(sim.devicePath());
    int41::writeRegister(*driver, 2, 0);
    EXPECT_EQ(0x08u, int41::readRegister(*driver, 2).value);
    int41::writeRegister(*driver, 0, 0x01);
    int41::writeRegister(*driver, 3, 0x00);
    EXPECT_EQ(0x00u, int41::readRegister(*driver, 0).value); // pulled down by register 3
    int41::writeRegister(*driver, 3, 0x20);
    EXPECT_EQ(0x01u, int41::readRegister(*driver, 0).value);
    EXPECT_EQ(0x20u, int41::readRegister(*driver, 3).value);
}

TEST(Int41Card, DirectPortAccessReachesTheSameCard) {
    InProcessSimulator sim({"adapter int41 base=0x310", "kind 2", "0 4 0", "3 10 11"});
    kw::PortIo* io = kw::directPortAccess(0x310, 8);
    ASSERT_NE(nullptr, io);
    // The direct interface's register check writes 0x0A.
    io->out8(0x311, 0x0A);
    EXPECT_EQ(0xCC, io->in8(0x317));
    // Bit 7 of register 1 fell: that started a read cycle, as on the card.
    EXPECT_EQ(std::vector<std::string>{"R 0 0 10 0"}, sim.busLog());
    sim.clearBusLog();

    directWrite(*io, 0x310, 0, 3, 9, 0x77);
    EXPECT_EQ(0x77, directRead(*io, 0x310, 0, 3, 9));
    EXPECT_EQ(10, directRead(*io, 0x310, 0, 3, 15));
    EXPECT_EQ(0x10, directRead(*io, 0x310, 0, 15, 0));
    EXPECT_EQ(
        (std::vector<std::string>{"W 0 3 9 119", "R 0 3 9 119", "R 0 3 15 10", "R 0 15 0 16"}),
        sim.busLog());
    // Nothing answers at 0x318: the floating bus.
    EXPECT_EQ(0xFF, io->in8(0x31F));
}

TEST(Int900Card, DriverTransfersAndCodeSequence) {
    InProcessSimulator sim({"adapter int900", "reg 0 200 40 0xBEEF"});
    auto driver = openDriver(sim.devicePath());
    EXPECT_EQ(0xBEEFu, int900::busRead(*driver, 200, 40).value);
    EXPECT_TRUE(int900::busWrite(*driver, 17, 63, 0x1234).complete(6));
    EXPECT_EQ(0x1234u, int900::busRead(*driver, 17, 63).value);
    // A read with no request before it finds nothing.
    std::uint8_t answer[2];
    EXPECT_EQ(ETIMEDOUT, driver->read(answer).error);
    EXPECT_EQ(EINVAL, driver->write(std::vector<std::uint8_t>{9, 0, 0}).error);

    // The driver self-test's sequence: word 3 restarted with 5, then the codes.
    int900::writeRegister(*driver, 0, 1);
    int900::writeRegister(*driver, 3, 5);
    EXPECT_EQ(0x33u, int900::readRegister(*driver, 3).value >> 8);
    for (const std::uint16_t code : int900::kCodes) {
        EXPECT_EQ(code, int900::readRegister(*driver, 3).value);
    }
}

TEST(Int900Card, DirectSearchFindsTheCardAtItsBase) {
    InProcessSimulator sim({"adapter int900 base=0x328", "reg 0 5 2 321"});
    kw::PortIo* io = kw::directPortAccess(0x300, 0x40);
    ASSERT_NE(nullptr, io);
    int found = 0;
    for (int base = 0x300; base <= 0x338 && !found; base += 8) {
        io->out16(static_cast<std::uint16_t>(base + 6), 5);
        if ((io->in16(static_cast<std::uint16_t>(base + 6)) >> 8) == 0x33 &&
            io->in16(static_cast<std::uint16_t>(base + 6)) == 0x4D42) {
            found = base;
        }
    }
    ASSERT_EQ(0x328, found);
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(int900::kCodes[static_cast<std::size_t>(i)], io->in16(0x32E));
    }
    // A bus read as the direct interface does it: 2, 1, address into word 1; data in word 1.
    for (const std::uint16_t word : std::initializer_list<std::uint16_t>{2, 1, 5 + 256 * 2}) {
        io->out16(0x32A, word);
    }
    EXPECT_EQ(0, io->in16(0x328) & 1);
    EXPECT_EQ(321, io->in16(0x32A));
}

TEST(DirectPorts, OnlyWithTheAdministratorsConsent) {
    // No simulator attached and KONTROLLWERK_PORT_IO not set: the platform allows no direct
    // port access, so the interfaces keep base 0 and never probe a port.
    unsetenv("KONTROLLWERK_PORT_IO");
    EXPECT_EQ(nullptr, kw::directPortAccess(0x310, 8));
    setenv("KONTROLLWERK_PORT_IO", "yes", 1); // only "1" counts
    EXPECT_EQ(nullptr, kw::directPortAccess(0x310, 8));
    unsetenv("KONTROLLWERK_PORT_IO");
    {
        InProcessSimulator sim({"adapter int41"});
        EXPECT_NE(nullptr, kw::directPortAccess(0x310, 8));
    }
    EXPECT_EQ(nullptr, kw::directPortAccess(0x310, 8));
}
