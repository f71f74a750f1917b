// Real USB860 adapters through the libusb backend, against adapters emulated with umockdev.

#include "sim/testing/emulated_usb_bus.h"
#include "sim/testing/sim_process.h"

#include "common/devices/devices.h"
#include "common/devices/libusb_backend.h"
#include "common/devices/usb860_protocol.h"
#include "sim/simulator.h"

#include <gtest/gtest.h>

using namespace kw::sim::testkit;

namespace {

EmulatedUsbBus* g_bus = nullptr;

kw::sim::Simulator simulator(const std::vector<std::string>& lines) {
    auto parse = kw::sim::parseRack(lines);
    std::string error;
    auto built = kw::sim::Simulator::build({*parse.rack}, &error);
    return std::move(*built);
}

} // namespace

TEST(LibusbBackend, Smoke) {
    ScopedEnvironment ids(kw::kUsbIdsVariable, "0b1e:0860");
    auto sim = simulator({"adapter usb860 serial=4711", "0 31 0", "1 2 0"});
    const int device = g_bus->plug(sim.sharedAdapter(0), {{0x0b1e, 0x0860}, "4711", "480"});
    const auto found = kw::enumerateDevices(kw::DeviceKind::Usb860);
    ASSERT_EQ(found.size(), 1u) << kw::usbAdapterHint();
    std::printf("%s speed %d\n", found[0].path.c_str(), kw::usbSpeed(found[0].path));
    auto write = kw::openPipe(found[0].path, kw::kUsbWritePipe, kw::Access::Write);
    auto read = kw::openPipe(found[0].path, kw::kUsbReadPipe, kw::Access::Read);
    ASSERT_TRUE(write) << write.error;
    ASSERT_TRUE(read) << read.error;
    const auto packet = kw::usb860::readPacket(0, 0, 15);
    const auto written = write.handle->write(packet);
    EXPECT_TRUE(written.complete(packet.size())) << written.error << " " << written.transferred;
    const auto answer = kw::usb860::readAnswer(*read.handle);
    EXPECT_TRUE(answer.transfer.complete(2)) << answer.transfer.error;
    std::printf("answer %d\n", answer.value);
    g_bus->unplug(device);
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    EmulatedUsbBus bus;
    g_bus = &bus;
    return RUN_ALL_TESTS();
}
