// testsystem-sim as a program: start, log, plug control, clean end, bad input.

#include "common/devices/devices.h"
#include "common/devices/usb860_protocol.h"
#include "sim/testing/sim_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace kw::sim::testkit;

namespace {

std::vector<std::string> fileLines(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST(TestsystemSim, ServesLogsAndCleansUp) {
    TempDirectory temp;
    const auto dev = temp.path() / "dev";
    const auto rack = writeRackFile(temp.path(), "a.rack", {"adapter usb860 serial=9", "1 2 0"});
    const auto log = temp.path() / "bus.log";
    SimulatorProcess sim(dev, {"--log", log.string(), rack.string()});
    ASSERT_TRUE(sim.ready()) << sim.errorText();
    ASSERT_EQ(1u, sim.devicePaths().size());
    EXPECT_EQ((dev / kw::usb860DeviceName("9")).string(), sim.devicePaths()[0]);

    {
        ScopedEnvironment environment("KONTROLLWERK_DEVICE_DIR", dev.string());
        const auto devices = kw::enumerateDevices(kw::DeviceKind::Usb860);
        ASSERT_EQ(1u, devices.size());
        auto write = kw::openPipe(devices[0].path, kw::kUsbWritePipe, kw::Access::Write).handle;
        auto read = kw::openPipe(devices[0].path, kw::kUsbReadPipe, kw::Access::Read).handle;
        ASSERT_TRUE(write && read);
        write->write(kw::usb860::writePacket(0, 1, 3, 17));
        write->write(kw::usb860::readPacket(0, 1, 15));
        EXPECT_EQ(2, kw::usb860::readAnswer(*read).value);
        // The log is written as the words pass, before the simulator ends.
        EXPECT_EQ((std::vector<std::string>{"W 0 1 3 17", "R 0 1 15 2"}), fileLines(log));
    }
    EXPECT_EQ(0, sim.stop());
    EXPECT_TRUE(std::filesystem::is_empty(dev)); // sockets and control socket removed
}

namespace {

// A control socket left behind by a killed simulator: the file stays, nobody listens.
void leaveStaleControlSocket(const std::filesystem::path& path) {
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    close(fd);
}

} // namespace

TEST(TestsystemSim, PlugControlFromAnotherProcess) {
    TempDirectory temp;
    const auto dev = temp.path() / "dev";
    std::filesystem::create_directory(dev);
    std::filesystem::permissions(dev, std::filesystem::perms::owner_all);
    const auto stale = dev / ".testsystem-sim-999999999.control";
    leaveStaleControlSocket(stale);
    const auto rack = writeRackFile(temp.path(), "a.rack", {"adapter usb860 serial=4", "1 2 0"});
    SimulatorProcess sim(dev, {rack.string()});
    ASSERT_TRUE(sim.ready()) << sim.errorText();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(stale)));

    ScopedEnvironment environment("KONTROLLWERK_DEVICE_DIR", dev.string());
    const std::string device = sim.devicePaths()[0];
    // An answer nobody fetched before the unplug: the unplugged adapter forgets it.
    kw::openPipe(device, kw::kUsbWritePipe, kw::Access::Write)
        .handle->write(kw::usb860::readPacket(0, 1, 15));

    const std::string program = simulatorProgram().string();
    std::string out;
    std::string err;
    EXPECT_EQ(0, runProgram({program, "--dir", dev.string(), "--unplug", "4"}, 5000, &out));
    EXPECT_EQ(0u, out.find("testsystem-sim: unplug 4 an testsystem-sim-")) << out;
    EXPECT_NE(std::string::npos, out.find(": ok\n")) << out;
    EXPECT_FALSE(std::filesystem::exists(device));
    EXPECT_EQ(0, runProgram({program, "--dir", dev.string(), "--plug", "1"}, 5000, nullptr));
    EXPECT_TRUE(std::filesystem::exists(device));
    auto read = kw::openPipe(device, kw::kUsbReadPipe, kw::Access::Read).handle;
    ASSERT_TRUE(read);
    EXPECT_EQ(ETIMEDOUT, kw::usb860::readAnswer(*read).transfer.error);

    EXPECT_EQ(1, runProgram({program, "--dir", dev.string(), "--unplug", "5"}, 5000, &out, &err));
    EXPECT_NE(std::string::npos, out.find(": unbekannt\n")) << out;
    EXPECT_NE(std::string::npos, err.find("kennt den Adapter 5")) << err;
}

TEST(TestsystemSim, RefusesBadInputWithAMessage) {
    TempDirectory temp;
    const std::string program = simulatorProgram().string();
    const auto bad = writeRackFile(temp.path(), "bad.rack", {"0 31 0", "card 4 2 7"});
    std::string err;
    EXPECT_EQ(2, runProgram({program, "--dir", (temp.path() / "dev").string(), bad.string()}, 5000,
                            nullptr, &err));
    EXPECT_NE(std::string::npos, err.find("bad.rack: Zeile 2: Karte 2 an Adresse 4")) << err;

    EXPECT_EQ(2, runProgram({program, "--dir", (temp.path() / "dev").string(),
                             (temp.path() / "missing.rack").string()},
                            5000, nullptr, &err));
    EXPECT_NE(std::string::npos, err.find("kann nicht gelesen werden")) << err;

    EXPECT_EQ(2, runProgram({program}, 5000, nullptr, &err));
    EXPECT_NE(std::string::npos, err.find("Aufruf: testsystem-sim")) << err;

    const auto rack = writeRackFile(temp.path(), "a.rack", {"1 2 0"});
    EXPECT_EQ(1, runProgram({program, "--dir", (temp.path() / "a#b").string(), rack.string()}, 5000,
                            nullptr, &err));
    EXPECT_NE(std::string::npos, err.find("darf kein # enthalten")) << err;

    // Whoever may write into the device directory could serve fake adapters from it.
    const auto open = temp.path() / "offen";
    std::filesystem::create_directory(open);
    std::filesystem::permissions(open, std::filesystem::perms::all);
    EXPECT_EQ(1, runProgram({program, "--dir", open.string(), rack.string()}, 5000, nullptr, &err));
    EXPECT_NE(std::string::npos, err.find("Das Geräteverzeichnis " + open.string() +
                                          " ist für andere Benutzer beschreibbar (Rechte 0777)"))
        << err;
}
