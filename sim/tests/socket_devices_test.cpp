// The device contract over the simulator's sockets: a SocketServer serving in a thread of
// the test, reached through the socket backend in a private device directory.

#include "common/devices/device_monitor.h"
#include "common/devices/devices.h"
#include "common/devices/int41_protocol.h"
#include "common/devices/unix_socket.h"
#include "common/devices/usb860_protocol.h"
#include "sim/socket_server.h"
#include "sim/testing/sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

using namespace kw::sim;

namespace {

Rack rack(const std::vector<std::string>& lines) {
    auto parse = parseRack(lines);
    EXPECT_TRUE(parse.rack) << parse.error;
    return parse.rack.value_or(Rack{});
}

// A simulator served from a thread, in a device directory of its own that the socket backend
// of this process uses.
class ServedSimulator {
public:
    explicit ServedSimulator(const std::vector<Rack>& racks,
                             const std::filesystem::path& directory = {})
        : m_directory(directory.empty() ? m_temp.path() / "dev" : directory),
          m_environment("KONTROLLWERK_DEVICE_DIR", m_directory.string()),
          m_simulator(*Simulator::build(racks, &m_error)), m_server(m_simulator, m_directory),
          m_stop(eventfd(0, EFD_CLOEXEC)) {
        m_started = m_server.start(&m_error);
        if (m_started) {
            m_thread = std::thread([this] { m_server.run(m_stop); });
        }
    }
    ~ServedSimulator() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto ignored = write(m_stop, &one, sizeof one);
        if (m_thread.joinable()) {
            m_thread.join();
        }
        close(m_stop);
    }

    bool started() const { return m_started; }
    const std::string& error() const { return m_error; }
    std::string path(std::size_t index) const { return m_server.devicePath(index); }
    const std::filesystem::path& directory() const { return m_directory; }

private:
    testkit::TempDirectory m_temp;
    std::filesystem::path m_directory;
    testkit::ScopedEnvironment m_environment;
    std::string m_error;
    Simulator m_simulator;
    SocketServer m_server;
    int m_stop;
    bool m_started = false;
    std::thread m_thread;
};

std::uint16_t usbRead(kw::DeviceHandle& write, kw::DeviceHandle& read, int card, int function) {
    const auto packet = kw::usb860::readPacket(0, static_cast<std::uint16_t>(card),
                                               static_cast<std::uint16_t>(function));
    EXPECT_TRUE(write.write(packet).complete(packet.size()));
    return kw::usb860::readAnswer(read).value;
}

} // namespace

TEST(SocketDevices, EnumeratedOpenedAndAnsweredThroughSockets) {
    ServedSimulator served({rack({"adapter usb860 serial=12 speed=full", "1 2 0"}),
                            rack({"adapter int41 base=0x318", "3 79 0"}),
                            rack({"adapter usb860 serial=11"})});
    ASSERT_TRUE(served.started()) << served.error();
    const auto usb = kw::enumerateDevices(kw::DeviceKind::Usb860);
    ASSERT_EQ(2u, usb.size());
    EXPECT_EQ(served.path(2), usb[0].path); // sorted by path: serial 11 first
    EXPECT_EQ(served.path(0), usb[1].path);
    EXPECT_EQ(1, kw::usbSpeed(served.path(0)));
    EXPECT_EQ(2, kw::usbSpeed(served.path(2)));

    auto write = kw::openPipe(served.path(0), kw::kUsbWritePipe, kw::Access::Write).handle;
    auto read = kw::openPipe(served.path(0), kw::kUsbReadPipe, kw::Access::Read).handle;
    ASSERT_TRUE(write && read);
    EXPECT_EQ(2, usbRead(*write, *read, 1, 15));
    EXPECT_EQ(EACCES, kw::openPipe(served.path(0), 0, kw::Access::Write).error);

    const auto drivers = kw::enumerateDevices(kw::DeviceKind::Int41Driver);
    ASSERT_EQ(1u, drivers.size());
    auto driver = kw::openDevice(drivers[0].path, kw::Access::ReadWrite, kw::Sharing::Exclusive);
    ASSERT_TRUE(driver);
    EXPECT_EQ(0x318u, kw::int41::baseAddress(*driver.handle));
    EXPECT_EQ(79u, kw::int41::readBusWord(*driver.handle, 0, 3, 15).value);
    // "Not shared": a second program cannot open it; a duplicate handle outlives the first.
    EXPECT_EQ(EBUSY,
              kw::openDevice(drivers[0].path, kw::Access::ReadWrite, kw::Sharing::Exclusive).error);
    auto copy = driver.handle->duplicate();
    driver.handle.reset();
    EXPECT_EQ(79u, kw::int41::readBusWord(*copy, 0, 3, 15).value);
}

TEST(SocketDevices, LeftoverSocketsOfAKilledSimulatorAreNoDevices) {
    testkit::TempDirectory temp;
    const auto directory = temp.path() / "dev";
    std::filesystem::create_directory(directory);
    const auto stale = directory / kw::usb860DeviceName("77");
    int error = 0;
    close(kw::unixsocket::listenAt(stale.string(), &error)); // bound, then nobody listens
    ASSERT_TRUE(std::filesystem::exists(stale));

    ServedSimulator served({rack({"adapter usb860 serial=77"})}, directory);
    ASSERT_TRUE(served.started()) << served.error(); // it took over the stale name
    EXPECT_EQ(1u, kw::enumerateDevices(kw::DeviceKind::Usb860).size());
}

TEST(SocketDevices, ASecondSimulatorCannotTakeALiveDevice) {
    ServedSimulator first({rack({"adapter usb860 serial=5"})});
    ASSERT_TRUE(first.started());
    std::string error;
    auto simulator = Simulator::build({rack({"adapter usb860 serial=5"})}, &error);
    SocketServer second(*simulator, first.directory());
    EXPECT_FALSE(second.start(&error));
    EXPECT_NE(std::string::npos, error.find("schon von einem anderen Simulator")) << error;
}

TEST(SocketDevices, PlugAndUnplugAreAnnouncedWithTheDevicePath) {
    ServedSimulator served({rack({"adapter usb860 serial=3", "1 2 0"})});
    ASSERT_TRUE(served.started());
    kw::DeviceMonitor monitor(kw::DeviceKind::Usb860);
    ASSERT_TRUE(monitor.isActive());
    auto write = kw::openPipe(served.path(0), kw::kUsbWritePipe, kw::Access::Write).handle;
    ASSERT_TRUE(write);

    ASSERT_TRUE(SocketServer::sendControl(served.directory(), "unplug 3"));
    auto notices = monitor.waitNotices(2000);
    ASSERT_EQ(1u, notices.size());
    EXPECT_EQ(kw::DeviceNotice::Type::Removal, notices[0].type);
    EXPECT_EQ(served.path(0), notices[0].path);
    EXPECT_EQ(ENODEV, write->write(kw::usb860::readPacket(0, 1, 15)).error);
    EXPECT_TRUE(kw::enumerateDevices(kw::DeviceKind::Usb860).empty());

    ASSERT_TRUE(SocketServer::sendControl(served.directory(), "plug 3"));
    notices = monitor.waitNotices(2000);
    ASSERT_EQ(1u, notices.size());
    EXPECT_EQ(kw::DeviceNotice::Type::Arrival, notices[0].type);
    auto fresh = kw::openPipe(served.path(0), kw::kUsbWritePipe, kw::Access::Write).handle;
    auto read = kw::openPipe(served.path(0), kw::kUsbReadPipe, kw::Access::Read).handle;
    ASSERT_TRUE(fresh && read);
    EXPECT_EQ(2, usbRead(*fresh, *read, 1, 15));
    EXPECT_FALSE(SocketServer::sendControl(served.directory(), "unplug 99"));
}

TEST(SocketDevices, ASlowAdapterDoesNotHoldUpAnother) {
    ServedSimulator served(
        {rack({"adapter int41", "fault delay 300"}), rack({"adapter usb860 serial=1", "1 2 0"})});
    ASSERT_TRUE(served.started());
    std::thread slow([&] {
        auto driver = kw::openDevice(served.path(0), kw::Access::ReadWrite, kw::Sharing::Exclusive);
        ASSERT_TRUE(driver);
        kw::int41::readBusWord(*driver.handle, 0, 1, 1);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = std::chrono::steady_clock::now();
    auto write = kw::openPipe(served.path(1), kw::kUsbWritePipe, kw::Access::Write).handle;
    auto read = kw::openPipe(served.path(1), kw::kUsbReadPipe, kw::Access::Read).handle;
    EXPECT_EQ(2, usbRead(*write, *read, 1, 15));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    slow.join();
}

TEST(SocketDevices, ADeepDeviceDirectoryWorksToo) {
    testkit::TempDirectory temp;
    auto directory = temp.path();
    while (directory.string().size() < 150) {
        directory /= "a-rather-long-directory-name";
    }
    ServedSimulator served({rack({"adapter usb860 serial=8", "1 2 0"})}, directory);
    ASSERT_TRUE(served.started()) << served.error();
    ASSERT_EQ(1u, kw::enumerateDevices(kw::DeviceKind::Usb860).size());
    auto write = kw::openPipe(served.path(0), kw::kUsbWritePipe, kw::Access::Write).handle;
    auto read = kw::openPipe(served.path(0), kw::kUsbReadPipe, kw::Access::Read).handle;
    ASSERT_TRUE(write && read);
    EXPECT_EQ(2, usbRead(*write, *read, 1, 15));
}
