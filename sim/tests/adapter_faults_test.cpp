// Fault injection at the adapter: failing, short and slow transfers, self-unplugging.

#include "common/devices/device_monitor.h"
#include "common/devices/devices.h"
#include "common/devices/int41_protocol.h"
#include "common/devices/usb860_protocol.h"
#include "sim/in_process_simulator.h"

#include <gtest/gtest.h>

#include <chrono>

using kw::sim::InProcessSimulator;

namespace {

std::unique_ptr<kw::DeviceHandle> openDriver(const std::string& path) {
    return kw::openDevice(path, kw::Access::ReadWrite, kw::Sharing::Exclusive).handle;
}

} // namespace

TEST(AdapterFaults, FailingTransfersFollowAfterEveryAndCount) {
    InProcessSimulator sim({"adapter int41", "1 2 0", "fault fail after=2 every=2 count=2"});
    auto driver = openDriver(sim.devicePath());
    ASSERT_TRUE(driver);
    std::vector<int> errors;
    for (int i = 0; i < 8; ++i) {
        errors.push_back(kw::int41::readBusWord(*driver, 0, 1, 15).transfer.error);
    }
    // Transfers 3 and 5 fail; the count is used up after that.
    EXPECT_EQ((std::vector<int>{0, 0, EIO, 0, EIO, 0, 0, 0}), errors);
    // A failed transfer never reached the bus.
    EXPECT_EQ(6u, sim.busLog().size());
}

TEST(AdapterFaults, ShortTransfersLoseWritesAndHalveAnswers) {
    InProcessSimulator sim({"1 2 0", "fault short after=1 count=1", "fault short after=3 count=1"});
    auto write = kw::openPipe(sim.devicePath(), kw::kUsbWritePipe, kw::Access::Write).handle;
    auto read = kw::openPipe(sim.devicePath(), kw::kUsbReadPipe, kw::Access::Read).handle;
    ASSERT_TRUE(write && read);
    const auto packet = kw::usb860::writePacket(0, 1, 4, 9);
    EXPECT_TRUE(write->write(packet).complete(10));                       // transfer 1
    const auto lost = write->write(kw::usb860::writePacket(0, 1, 4, 10)); // transfer 2: short
    EXPECT_TRUE(lost.ok());
    EXPECT_EQ(5u, lost.transferred);
    EXPECT_TRUE(write->write(kw::usb860::readPacket(0, 1, 4)).ok()); // transfer 3
    const auto answer = kw::usb860::readAnswer(*read);               // transfer 4: short
    EXPECT_EQ(1u, answer.transfer.transferred);
    EXPECT_EQ(0, answer.value);
    EXPECT_EQ((std::vector<std::string>{"W 0 1 4 9", "R 0 1 4 9"}), sim.busLog());
}

TEST(AdapterFaults, DelayedTransfersTakeTheirTime) {
    InProcessSimulator sim({"adapter int41", "fault delay 40 after=1 count=1"});
    auto driver = openDriver(sim.devicePath());
    ASSERT_TRUE(driver);
    kw::int41::readBusWord(*driver, 0, 1, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(kw::int41::readBusWord(*driver, 0, 1, 1).transfer.ok());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
}

TEST(AdapterFaults, AnAdapterUnplugsItselfAfterNTransfers) {
    InProcessSimulator sim({"adapter usb860 serial=5", "1 2 0", "fault unplug after=3"});
    kw::DeviceMonitor monitor(kw::DeviceKind::Usb860);
    auto write = kw::openPipe(sim.devicePath(), kw::kUsbWritePipe, kw::Access::Write).handle;
    ASSERT_TRUE(write);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(write->write(kw::usb860::writePacket(0, 1, 1, 1)).ok()) << i;
    }
    EXPECT_EQ(ENODEV, write->write(kw::usb860::writePacket(0, 1, 1, 1)).error);
    const auto notices = monitor.waitNotices(1000);
    ASSERT_EQ(1u, notices.size());
    EXPECT_EQ(kw::DeviceNotice::Type::Removal, notices[0].type);
    EXPECT_FALSE(sim.adapter().isPlugged());
}
