// Real USB860 adapters through the libusb backend: the adapters are the simulator's, put on a
// USB bus that umockdev emulates (usbfs ioctls, sysfs, uevents), so that the backend, korvane
// and tarvik run their real code paths down to the usbfs requests. The process runs under
// umockdev's preload library (main starts itself again with it); the programs it starts
// inherit it.

#include "sim/testing/emulated_usb_bus.h"
#include "sim/testing/sim_process.h"

#include "common/devices/device_monitor.h"
#include "common/devices/devices.h"
#include "common/devices/in_process_backend.h"
#include "common/devices/libusb_backend.h"
#include "common/devices/usb860_protocol.h"
#include "sim/simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace kw::sim::testkit;

namespace {

constexpr kw::UsbId kAdapterId{0x0b1e, 0x0860};
constexpr kw::UsbId kSecondAdapterId{0x0b1e, 0x0861};
constexpr kw::UsbId kOtherDeviceId{0x1234, 0x5678};

EmulatedUsbBus* g_bus = nullptr;

// Simulated racks, each on an emulated device; unplugged again at the end of the test, so
// that every test sees only its own adapters.
class Racks {
public:
    ~Racks() {
        for (const int device : m_devices) {
            g_bus->unplug(device);
        }
    }

    int plug(const std::vector<std::string>& rack, const EmulatedUsbDevice& device) {
        auto parse = kw::sim::parseRack(rack);
        EXPECT_TRUE(parse.rack) << parse.error;
        std::string error;
        auto simulator = kw::sim::Simulator::build({*parse.rack}, &error);
        EXPECT_TRUE(simulator) << error;
        m_simulators.push_back(std::make_unique<kw::sim::Simulator>(std::move(*simulator)));
        m_simulators.back()->setLog(kw::sim::BusLog([this](const std::string& line) {
            const std::lock_guard lock(m_mutex);
            m_log.push_back(line);
        }));
        m_devices.push_back(g_bus->plug(m_simulators.back()->sharedAdapter(0), device));
        return m_devices.back();
    }

    void unplug(int device) {
        g_bus->unplug(device);
        std::erase(m_devices, device);
    }

    std::vector<std::string> log() {
        const std::lock_guard lock(m_mutex);
        return m_log;
    }

private:
    std::vector<std::unique_ptr<kw::sim::Simulator>> m_simulators;
    std::vector<int> m_devices;
    std::mutex m_mutex;
    std::vector<std::string> m_log;
};

// The programs find no simulator sockets and use a mutex namespace of their own.
struct ProgramMachine {
    TempDirectory temp;
    ScopedEnvironment devices{"KONTROLLWERK_DEVICE_DIR", (temp.path() / "dev").string()};
    PrivateMutexNamespace mutexes;
};

struct ProgramRun {
    int exitCode = 0;
    std::string out;
    std::string err;
};

ProgramRun run(std::vector<std::string> command) {
    ProgramRun result;
    result.exitCode = runProgram(command, 30000, &result.out, &result.err);
    return result;
}

std::string usbPath(int index = 0) {
    const auto devices = kw::enumerateDevices(kw::DeviceKind::Usb860);
    return index < static_cast<int>(devices.size()) ? devices[static_cast<std::size_t>(index)].path
                                                    : std::string();
}

// The next notice about the adapter with that serial number; notices about the devices of
// earlier tests, which libusb may deliver late, are passed over.
std::optional<kw::DeviceNotice> noticeFor(kw::DeviceMonitor& monitor, const std::string& serial) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const kw::DeviceNotice& notice : monitor.waitNotices(200)) {
            if (kw::devicePathField(notice.path, 2) == serial) {
                return notice;
            }
        }
    }
    return std::nullopt;
}

struct Pipes {
    kw::OpenResult write;
    kw::OpenResult read;
    explicit Pipes(const std::string& path)
        : write(kw::openPipe(path, kw::kUsbWritePipe, kw::Access::Write)),
          read(kw::openPipe(path, kw::kUsbReadPipe, kw::Access::Read)) {}
};

} // namespace

// The list as korvane shows it: serial number or device number, speed, the ULM860 twin;
// devices of other IDs are not adapters.
TEST(LibusbBackend, ListNamesSerialDeviceNumberSpeedAndTwin) {
    Racks racks;
    struct Row {
        std::vector<std::string> rack;
        EmulatedUsbDevice device;
    };
    const Row rows[] = {
        {{"adapter usb860", "0 31 0"}, {kAdapterId, "4711", "480"}},
        {{"adapter usb860", "0 31 0"}, {kAdapterId, "", "12"}},           // no serial
        {{"adapter usb860", "0 31 0"}, {kSecondAdapterId, "a#b", "1.5"}}, // unusable serial
        {{"adapter usb860 ulm860", "0 31 0", "15 256 1"}, {kAdapterId, "815", "5000"}},
        {{"adapter usb860", "0 31 0"}, {kOtherDeviceId, "99", "480"}}, // no adapter
    };
    for (const Row& row : rows) {
        racks.plug(row.rack, row.device);
    }
    const auto devices = kw::enumerateDevices(kw::DeviceKind::Usb860);
    ASSERT_EQ(devices.size(), 4u) << kw::usbAdapterHint();
    std::vector<std::string> serials;
    std::vector<int> speeds;
    for (const auto& device : devices) {
        EXPECT_EQ(device.path.rfind(kw::kLibusbPathPrefix, 0), 0u) << device.path;
        serials.push_back(*kw::devicePathField(device.path, 2));
        speeds.push_back(kw::usbSpeed(device.path));
    }
    EXPECT_EQ(serials, (std::vector<std::string>{"4711", "0", "0", "815"}));
    EXPECT_EQ(speeds, (std::vector<int>{2, 1, 0, 2}));
    EXPECT_NE(devices[2].path.find("usb#vid_0b1e&pid_0861#0#{2f8b6d13-"), std::string::npos);

    ProgramMachine machine;
    const ProgramRun list = run({KW_KORVANE_PROGRAM, "--list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    const std::string ranges = "\tSystem 0-63, Karte 0-63, Funktion 0-";
    EXPECT_EQ(list.out, "0\tUsb860 (4711)" + ranges + "15, Daten 0-255\n" +
                            "1\tUsb860 (2) (FullSpeed)" + ranges + "15, Daten 0-255\n" +
                            "2\tUsb860 (3) (LowSpeed)" + ranges + "15, Daten 0-255\n" +
                            "3\tUlm860 (8 Bit) (815)" + ranges + "15, Daten 0-255\n" +
                            "4\tUlm860 (16 Bit) (815)" + ranges + "63, Daten 0-255\n");

    // An in-process simulator is the whole machine of its test: real adapters are not asked.
    kw::InProcessMachine inProcess;
    EXPECT_TRUE(kw::enumerateDevices(kw::DeviceKind::Usb860).empty());
    EXPECT_EQ(kw::usbAdapterHint(), "");
}

// korvane -exec and tarvik's reading reach the rack behind a real adapter (whose interface a
// kernel driver had taken: it is detached).
TEST(LibusbBackend, ExecWordsAndTarvikReadingReachTheRack) {
    Racks racks;
    EmulatedUsbDevice device{kAdapterId, "4711", "480"};
    device.kernelDriver = true;
    racks.plug({"adapter usb860 serial=4711", "kind 1", "0 31 0", "1 2 0", "14 15 1"}, device);
    ProgramMachine machine;
    const auto sequence = machine.temp.path() / "ablauf.txt";
    std::ofstream(sequence, std::ios::binary) << "0,1,3,165,0; senden\r\n0,1,3,?,0; lesen\r\n";
    const ProgramRun exec = run({KW_KORVANE_PROGRAM, "-usb", "4711", "-exec", sequence.string()});
    EXPECT_EQ(exec.exitCode, 0) << exec.err;
    EXPECT_EQ(exec.err, "");
    const auto log = racks.log();
    EXPECT_NE(std::find(log.begin(), log.end(), "W 0 1 3 165"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "R 0 1 3 165"), log.end()) << log.size();

    const ProgramRun tarvik = run({KW_TARVIK_PROGRAM, "--batch", "--list"});
    ASSERT_EQ(tarvik.exitCode, 0) << tarvik.err;
    EXPECT_NE(tarvik.out.find("QBT860"), std::string::npos) << tarvik.out;
    EXPECT_NE(tarvik.out.find("KVR860"), std::string::npos) << tarvik.out;
}

// Short and failed transfers report the bytes moved and an error code; a read without answer
// times out; the user sees the messages of the bus-word transfer.
TEST(LibusbBackend, TransferFaultsReportBytesMovedAndErrorCode) {
    struct Row {
        const char* fault;
        bool ulmPacket; // a packet the plain adapter ignores: no answer comes
        int writeError;
        std::size_t written;
        int readError;
        std::size_t read;
    };
    const Row rows[] = {
        {"fault short after=0 count=1", false, 0, 4, ETIMEDOUT, 0}, // lost packet, no answer
        {"fault fail after=0 count=1", false, EIO, 0, ETIMEDOUT, 0},
        {"fault short after=1 count=1", false, 0, 8, 0, 1}, // half the answer
        {"fault delay 0", true, 0, 8, ETIMEDOUT, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        Racks racks;
        racks.plug({"adapter usb860", "0 31 0", row.fault}, {kAdapterId, "1", "480"});
        Pipes pipes(usbPath());
        ASSERT_TRUE(pipes.write && pipes.read) << pipes.write.error << " " << pipes.read.error;
        const auto packet =
            row.ulmPacket ? kw::usb860::ulmReadPacket(0, 0, 0) : kw::usb860::readPacket(0, 0, 0);
        const auto written = pipes.write.handle->write(packet);
        EXPECT_EQ(written.error, row.writeError);
        EXPECT_EQ(written.transferred, row.written);
        std::uint8_t answer[2] = {};
        const auto start = std::chrono::steady_clock::now();
        const auto read = pipes.read.handle->read(answer);
        EXPECT_EQ(read.error, row.readError);
        EXPECT_EQ(read.transferred, row.read);
        if (read.error == ETIMEDOUT) {
            EXPECT_GE(std::chrono::steady_clock::now() - start,
                      std::chrono::milliseconds(kw::kUsbReadTimeoutMs - 50));
        }
        // A handle moves data one way only.
        EXPECT_EQ(pipes.read.handle->write(packet).error, EBADF);
    }

    Racks racks;
    racks.plug({"adapter usb860 serial=4711", "0 31 0", "fault short after=0 count=1"},
               {kAdapterId, "4711", "480"});
    ProgramMachine machine;
    const auto sequence = machine.temp.path() / "ablauf.txt";
    std::ofstream(sequence, std::ios::binary) << "0,1,3,7,0; senden\r\n";
    const ProgramRun exec = run({KW_KORVANE_PROGRAM, "-usb", "4711", "-exec", sequence.string()});
    // The first packet is the read that asks the decoder for the ULM860 mode.
    EXPECT_NE(exec.err.find("Fehler beim Schreiben (0)\nAnzahl geschriebener Bytes: 4 von 8"),
              std::string::npos)
        << exec.err;
}

// Pulling the adapter out ends a read that waits for its answer at once, with ENODEV; the
// monitor reports the arrival and the removal under the path the enumeration gives.
TEST(LibusbBackend, HotPlugAndUnplugDuringATransfer) {
    kw::DeviceMonitor monitor(kw::DeviceKind::Usb860);
    ASSERT_TRUE(monitor.isActive());
    Racks racks;
    racks.plug({"adapter usb860", "0 31 0"}, {kOtherDeviceId, "1", "480"}); // no adapter
    const int device = racks.plug({"adapter usb860", "0 31 0"}, {kAdapterId, "3", "480"});
    const auto arrival = noticeFor(monitor, "3");
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->type, kw::DeviceNotice::Type::Arrival);
    const std::string path = usbPath();
    EXPECT_EQ(arrival->path, path);

    Pipes pipes(path);
    ASSERT_TRUE(pipes.write && pipes.read);
    std::uint8_t answer[2] = {};
    kw::TransferResult read;
    const auto start = std::chrono::steady_clock::now();
    std::thread reader([&] { read = pipes.read.handle->read(answer); }); // nothing to answer
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    racks.unplug(device);
    reader.join();
    EXPECT_EQ(read.error, ENODEV);
    EXPECT_EQ(read.transferred, 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(kw::kUsbReadTimeoutMs));
    EXPECT_EQ(pipes.write.handle->write(kw::usb860::readPacket(0, 0, 0)).error, ENODEV);

    const auto removal = noticeFor(monitor, "3");
    ASSERT_TRUE(removal);
    EXPECT_EQ(removal->type, kw::DeviceNotice::Type::Removal);
    EXPECT_EQ(removal->path, path);
    EXPECT_EQ(usbPath(), "");

    // Plugged in again at the same port: the same path, but a new device, while the handles
    // on the old one are still held.
    EmulatedUsbDevice again{kAdapterId, "3", "480"};
    again.port = std::stoi(path.substr(path.find('-') + 1));
    racks.plug({"adapter usb860", "0 31 0"}, again);
    ASSERT_TRUE(noticeFor(monitor, "3"));
    ASSERT_EQ(usbPath(), path);
    Pipes replugged(path);
    ASSERT_TRUE(replugged.write && replugged.read);
    const auto packet = kw::usb860::readPacket(0, 0, 15);
    EXPECT_TRUE(replugged.write.handle->write(packet).complete(packet.size()));
    EXPECT_EQ(kw::usb860::readAnswer(*replugged.read.handle).value, 31);
}

// An adapter the user may not open, or another program holds, is not listed; the message
// names the device (and the udev rule).
TEST(LibusbBackend, AccessProblemsNameTheDevice) {
    Racks racks;
    const int device = racks.plug({"adapter usb860", "0 31 0"}, {kAdapterId, "5", "480"});
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", device);
    ProgramMachine machine;
    const std::string noInterface = "korvane: Kein Testsystem-Interface vorhanden!\n";

    {
        Pipes held(usbPath()); // this process claims the adapter's interface
        ASSERT_TRUE(held.write && held.read);
        const ProgramRun busy = run({KW_KORVANE_PROGRAM, "--list"});
        EXPECT_EQ(busy.exitCode, 255);
        EXPECT_EQ(busy.err, noInterface + "korvane: Der USB860-Adapter 0b1e:0860 (" + node +
                                ") wird von einem anderen Programm benutzt.\n");
    }

    ASSERT_EQ(chmod(g_bus->nodeFile(device).c_str(), 0), 0);
    // root opens any file: the program runs without the capabilities that allow that.
    std::vector<std::string> command{KW_KORVANE_PROGRAM, "--list"};
    if (geteuid() == 0) {
        command.insert(command.begin(), {"/usr/bin/setpriv", "--inh-caps=-all",
                                         "--bounding-set=-dac_override,-dac_read_search"});
    }
    const ProgramRun denied = run(command);
    EXPECT_EQ(denied.exitCode, 255);
    EXPECT_EQ(denied.err, noInterface + "korvane: Kein Zugriff auf USB860-Adapter 0b1e:0860 (" +
                              node +
                              "): udev-Regel 70-kontrollwerk-usb860.rules installieren "
                              "(README, \"Echte Adapter\").\n");
}

// Runs the test program again under umockdev's preload library unless it already is (ctest
// starts it plain). A sanitizer build must accept a preload library before its runtime.
void enterMockEnvironment(char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload && std::strstr(preload, "libumockdev-preload")) {
        return;
    }
    const std::string libraries =
        std::string("libumockdev-preload.so.0") + (preload ? std::string(" ") + preload : "");
    setenv("LD_PRELOAD", libraries.c_str(), 1);
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string options = (asan ? std::string(asan) + ":" : "") + "verify_asan_link_order=0";
    setenv("ASAN_OPTIONS", options.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("libusb_backend_tests: umockdev");
    std::exit(1);
}

int main(int argc, char** argv) {
    enterMockEnvironment(argv);
    testing::InitGoogleTest(&argc, argv);
    // The emulated bus must exist before libusb first looks at the system.
    ScopedEnvironment ids(kw::kUsbIdsVariable, "0b1e:0860, 0b1e:0861");
    EmulatedUsbBus bus;
    g_bus = &bus;
    return RUN_ALL_TESTS();
}
