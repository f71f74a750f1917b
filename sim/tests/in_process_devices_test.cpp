// The device contract as programs use it (devices.h, device_monitor.h), against adapters of
// the in-process simulator.

#include "common/devices/device_monitor.h"
#include "common/devices/devices.h"
#include "common/devices/usb860_protocol.h"
#include "sim/in_process_simulator.h"

#include <gtest/gtest.h>

using kw::sim::InProcessSimulator;

namespace {

kw::sim::Rack rack(const std::vector<std::string>& lines) {
    auto parse = kw::sim::parseRack(lines);
    EXPECT_TRUE(parse.rack) << parse.error;
    return parse.rack.value_or(kw::sim::Rack{});
}

struct UsbPipes {
    std::unique_ptr<kw::DeviceHandle> write;
    std::unique_ptr<kw::DeviceHandle> read;
};

UsbPipes openUsb(const std::string& path) {
    UsbPipes pipes;
    pipes.write = kw::openPipe(path, kw::kUsbWritePipe, kw::Access::Write).handle;
    pipes.read = kw::openPipe(path, kw::kUsbReadPipe, kw::Access::Read).handle;
    EXPECT_TRUE(pipes.write && pipes.read);
    return pipes;
}

std::uint16_t usbRead(UsbPipes& pipes, int system, int card, int function) {
    const auto packet =
        kw::usb860::readPacket(static_cast<std::uint16_t>(system), static_cast<std::uint16_t>(card),
                               static_cast<std::uint16_t>(function));
    EXPECT_TRUE(pipes.write->write(packet).complete(packet.size()));
    return kw::usb860::readAnswer(*pipes.read).value;
}

std::vector<std::string> paths(kw::DeviceKind kind) {
    std::vector<std::string> result;
    for (const auto& device : kw::enumerateDevices(kind)) {
        result.push_back(device.path);
    }
    return result;
}

} // namespace

TEST(InProcessDevices, EnumerationListsEachKindSortedByPath) {
    InProcessSimulator sim({rack({"adapter usb860 serial=9"}), rack({"adapter int41"}),
                            rack({"adapter usb860 serial=10"}), rack({"adapter int900"}),
                            rack({"adapter int41 base=0x318"})});
    EXPECT_EQ((std::vector<std::string>{
                  "//inprocess/usb#vid_0b1e&pid_0860#10#{2f8b6d13-c94e-4a7d-8e05-b3a17c6f9d52}",
                  "//inprocess/usb#vid_0b1e&pid_0860#9#{2f8b6d13-c94e-4a7d-8e05-b3a17c6f9d52}"}),
              paths(kw::DeviceKind::Usb860));
    EXPECT_EQ((std::vector<std::string>{sim.devicePath(1), sim.devicePath(4)}),
              paths(kw::DeviceKind::Int41Driver));
    EXPECT_EQ(std::vector<std::string>{sim.devicePath(3)}, paths(kw::DeviceKind::Int900Driver));
    EXPECT_EQ(sim.devicePath(0), paths(kw::DeviceKind::Usb860)[1]);
    const auto devices = kw::enumerateDevices(kw::DeviceKind::Usb860);
    EXPECT_EQ(devices[0].path.size() + 5, devices[0].detailSize());
}

TEST(InProcessDevices, UsbPacketsAnsweredInPlainAndUlmMode) {
    InProcessSimulator sim({"adapter usb860 serial=7 speed=low ulm860", "kind 5", "1 2 0"});
    EXPECT_EQ(0, kw::usbSpeed(sim.devicePath()));
    EXPECT_EQ(-1, kw::usbSpeed("//inprocess/nothing#here"));
    auto pipes = openUsb(sim.devicePath());
    EXPECT_EQ(2, usbRead(pipes, 0, 1, 15));
    EXPECT_EQ(0x40, usbRead(pipes, 0, 15, 0)); // the ULM860 decoder

    const auto write = kw::usb860::ulmWritePacket(0, 40, 50, 0x1234);
    EXPECT_TRUE(pipes.write->write(write).complete(10));
    const auto read = kw::usb860::ulmReadPacket(0, 40, 50);
    EXPECT_TRUE(pipes.write->write(read).complete(8));
    EXPECT_EQ(0x1234, kw::usb860::readAnswer(*pipes.read).value);
    EXPECT_EQ(
        (std::vector<std::string>{"R 0 1 15 2", "R 0 15 0 64", "W 0 40 50 4660", "R 0 40 50 4660"}),
        sim.busLog());
}

TEST(InProcessDevices, APlainAdapterIgnoresUlmPackets) {
    InProcessSimulator sim({"adapter usb860 serial=7", "1 2 0"});
    auto pipes = openUsb(sim.devicePath());
    const auto read = kw::usb860::ulmReadPacket(0, 1, 15);
    EXPECT_TRUE(pipes.write->write(read).complete(8));
    std::uint8_t answer[2];
    EXPECT_EQ(ETIMEDOUT, pipes.read->read(answer).error);
    EXPECT_TRUE(sim.busLog().empty());
}

TEST(InProcessDevices, AnswersQueueAtTheAdapterNotPerHandle) {
    InProcessSimulator sim({"1 2 0", "2 79 0"});
    auto first = openUsb(sim.devicePath());
    auto second = openUsb(sim.devicePath());
    // Two programs interleaving without the mutex: the first reader takes the first answer.
    EXPECT_TRUE(first.write->write(kw::usb860::readPacket(0, 1, 15)).ok());
    EXPECT_TRUE(second.write->write(kw::usb860::readPacket(0, 2, 15)).ok());
    EXPECT_EQ(2, kw::usb860::readAnswer(*second.read).value);
    EXPECT_EQ(79, kw::usb860::readAnswer(*first.read).value);
    // Nothing left to read.
    const auto empty = kw::usb860::readAnswer(*first.read);
    EXPECT_EQ(ETIMEDOUT, empty.transfer.error);
    EXPECT_EQ(0, empty.value);
}

TEST(InProcessDevices, PipesOpenOnlyInTheirDirection) {
    InProcessSimulator sim({"1 2 0"});
    const auto path = sim.devicePath();
    EXPECT_EQ(EACCES, kw::openPipe(path, kw::kUsbWritePipe, kw::Access::Read).error);
    EXPECT_EQ(EACCES, kw::openPipe(path, kw::kUsbReadPipe, kw::Access::Write).error);
    EXPECT_EQ(EINVAL, kw::openPipe(path, 4, kw::Access::Read).error);
    EXPECT_TRUE(kw::openPipe(path, kw::kUsbSecondWritePipe, kw::Access::Write));
    EXPECT_TRUE(kw::openPipe(path, kw::kUsbSecondReadPipe, kw::Access::Read));
    EXPECT_EQ(ENOENT, kw::openPipe(path + "x", kw::kUsbReadPipe, kw::Access::Read).error);
    auto read = kw::openPipe(path, kw::kUsbReadPipe, kw::Access::Read).handle;
    EXPECT_EQ(EBADF, read->write(kw::usb860::readPacket(0, 1, 15)).error);
}

TEST(InProcessDevices, DriverDevicesOpenNotShared) {
    InProcessSimulator sim({"adapter int41"});
    const auto path = sim.devicePath();
    auto first = kw::openDevice(path, kw::Access::ReadWrite, kw::Sharing::Exclusive);
    ASSERT_TRUE(first);
    EXPECT_EQ(EBUSY, kw::openDevice(path, kw::Access::ReadWrite, kw::Sharing::Exclusive).error);
    EXPECT_EQ(EBUSY, kw::openDevice(path, kw::Access::ReadWrite, kw::Sharing::Shared).error);
    // A duplicate is the same open device; the device stays taken until both are closed.
    auto copy = first.handle->duplicate();
    ASSERT_TRUE(copy);
    first.handle.reset();
    EXPECT_EQ(EBUSY, kw::openDevice(path, kw::Access::ReadWrite, kw::Sharing::Exclusive).error);
    copy.reset();
    EXPECT_TRUE(kw::openDevice(path, kw::Access::ReadWrite, kw::Sharing::Exclusive));
}

TEST(InProcessDevices, UnplugKillsOpenHandlesAndIsAnnounced) {
    InProcessSimulator sim({"adapter usb860 serial=3", "1 2 0"});
    kw::DeviceMonitor monitor(kw::DeviceKind::Usb860);
    kw::DeviceMonitor otherKind(kw::DeviceKind::Int41Driver);
    ASSERT_TRUE(monitor.isActive());
    auto pipes = openUsb(sim.devicePath());
    auto twin = pipes.write->duplicate();

    sim.unplug();
    auto notices = monitor.waitNotices(1000);
    ASSERT_EQ(1u, notices.size());
    EXPECT_EQ(kw::DeviceNotice::Type::Removal, notices[0].type);
    EXPECT_EQ(sim.devicePath(), notices[0].path);
    EXPECT_TRUE(kw::enumerateDevices(kw::DeviceKind::Usb860).empty());
    EXPECT_EQ(ENODEV, pipes.write->write(kw::usb860::readPacket(0, 1, 15)).error);
    EXPECT_EQ(ENODEV, twin->write(kw::usb860::readPacket(0, 1, 15)).error);
    EXPECT_EQ(ENOENT, kw::openPipe(sim.devicePath(), 1, kw::Access::Write).error);

    sim.plug();
    notices = monitor.waitNotices(1000);
    ASSERT_EQ(1u, notices.size());
    EXPECT_EQ(kw::DeviceNotice::Type::Arrival, notices[0].type);
    // Handles from before the unplug stay dead; new ones work.
    EXPECT_EQ(ENODEV, pipes.write->write(kw::usb860::readPacket(0, 1, 15)).error);
    auto fresh = openUsb(sim.devicePath());
    EXPECT_EQ(2, usbRead(fresh, 0, 1, 15));
    EXPECT_TRUE(otherKind.takeNotices().empty());
}

TEST(InProcessDevices, TheSimulatorIsTheWholeMachineWhileItLives) {
    {
        InProcessSimulator sim({"adapter usb860 serial=1"});
        sim.unplug();
        // Unplugged, but the machine is still the simulator's: nothing else shows up.
        EXPECT_TRUE(kw::enumerateDevices(kw::DeviceKind::Usb860).empty());
    }
    // After it, a device path of the gone simulator opens nothing.
    EXPECT_NE(0,
              kw::openPipe("//inprocess/" + kw::usb860DeviceName("1"), 1, kw::Access::Write).error);
}
