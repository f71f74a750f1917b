// The korvane program as a script calls it, against testsystem-sim started as a process of its
// own: exit codes, the bus words "-exec" causes (from the simulator's bus log), "--list", the
// help without a display. The unattended paths must never need a display: the tests name an
// X11 platform without a display, which a QApplication would not survive.

#include "common/devices/devices.h"
#include "common/devices/libusb_backend.h"
#include "common/devices/usb_adapter_ids.h"
#include "sim/testing/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kw::sim::testkit;

namespace {

std::vector<std::string> fileLines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class KorvaneProgramTest : public ::testing::Test {
protected:
    KorvaneProgramTest()
        : devices("KONTROLLWERK_DEVICE_DIR", m_devices.path().string()), noDisplay("DISPLAY", ""),
          noWayland("WAYLAND_DISPLAY", ""), platform("QT_QPA_PLATFORM", "xcb"),
          noPorts("KONTROLLWERK_PORT_IO", ""), noUsbIds(kw::kUsbIdsVariable, "") {}

    // The last line of every "no interface" end: how to make real adapters known.
    static std::string adapterHint() { return "korvane: " + kw::usbAdapterHint() + "\n"; }

    int korvane(const std::vector<std::string>& arguments) {
        std::vector<std::string> command{KW_KORVANE_PROGRAM};
        command.insert(command.end(), arguments.begin(), arguments.end());
        out.clear();
        err.clear();
        return runProgram(command, 30000, &out, &err);
    }

    fs::path file(const std::string& name, const std::string& content) {
        const fs::path path = m_files.path() / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    fs::path folder() const { return m_files.path(); }
    const fs::path& devicesPath() const { return m_devices.path(); }

    std::string out;
    std::string err;
    std::unique_ptr<kw::DeviceHandle> m_held; // a device held as another program would

private:
    TempDirectory m_devices;
    TempDirectory m_files;

protected:
    ScopedEnvironment devices;
    ScopedEnvironment noDisplay;
    ScopedEnvironment noWayland;
    ScopedEnvironment platform;
    ScopedEnvironment noPorts;
    ScopedEnvironment noUsbIds; // no real adapters configured
};

} // namespace

TEST_F(KorvaneProgramTest, ExecRunsTheSequenceOnTheSelectedAdapter) {
    const fs::path rackA = writeRackFile(folder(), "a.rack", {"adapter usb860 serial=4711"});
    const fs::path rackB =
        writeRackFile(folder(), "b.rack", {"adapter usb860 serial=4712", "reg 0 5 3 0x2A"});
    const fs::path log = folder() / "bus.log";
    SimulatorProcess sim(std::getenv("KONTROLLWERK_DEVICE_DIR"),
                         {"--log", log.string(), rackA.string(), rackB.string()});
    ASSERT_TRUE(sim.ready()) << sim.errorText();
    const fs::path sequence = file("ablauf.txt", "0,5,3,170,0; Relais ein\r\n"
                                                 "kaputte Zeile\r\n"
                                                 "0,5,3,?,0; lesen\r\n"
                                                 "0,6,1,?,0; lesen");
    EXPECT_EQ(0, korvane({"-usb", "4712", "-exec", sequence.string()})) << err;
    EXPECT_EQ("korvane: Zeile 2 von \"" + sequence.string() +
                  "\" ist keine Aktion, übersprungen.\n",
              err);
    sim.stop();
    const auto words = fileLines(log);
    ASSERT_GE(words.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"W 0 5 3 170", "R 0 5 3 42", "R 0 6 1 0"}),
              std::vector<std::string>(words.end() - 3, words.end()));
}

// Every way an unattended run ends, with the reason it gives on the error stream. The exit
// codes of the tool stay; --strict adds 3 (a transfer failed) and 4 (lines refused).
TEST_F(KorvaneProgramTest, ExitCodesOfTheUnattendedRun) {
    const fs::path rack = writeRackFile(folder(), "a.rack", {"adapter usb860 serial=4711"});
    const fs::path failing =
        writeRackFile(folder(), "b.rack", {"adapter usb860 serial=4712", "fault fail after=2"});
    const fs::path sequence = file("ablauf.txt", "0,1,2,3,0; x\r\n");
    const fs::path outOfRange = file("bereich.txt", "0,1,2,3,0; gut\r\n"
                                                    "0,5,19,7,0; Funktion zu gross\r\n"
                                                    "0,70000,1,1,0; Karte zu gross\r\n"
                                                    "0,6,1,256,0; Daten zu gross\r\n"
                                                    "0,7,1,?,0; gut\r\n");
    const std::string missing = (folder() / "fehlt.txt").string();
    const std::string noInterface = "korvane: Kein Testsystem-Interface vorhanden!\n";
    const std::string where = " von \"" + outOfRange.string() + "\": ";
    const std::string refused =
        "korvane: Zeile 2" + where + "Funktionsadresse 19 liegt nicht in 0-15, nicht gesendet.\n" +
        "korvane: Zeile 3" + where + "Kartenadresse 70000 liegt nicht in 0-63, nicht gesendet.\n" +
        "korvane: Zeile 4" + where + "Daten 256 liegt nicht in 0-255, nicht gesendet.\n";
    struct Case {
        const char* name;
        std::vector<fs::path> racks; // served while the row runs
        std::vector<std::string> arguments;
        int exitCode;
        std::string err; // the whole error output
    };
    const Case cases[] = {
        {"no adapter at all", {}, {"-exec", missing}, 255, noInterface + adapterHint()},
        {"missing file",
         {rack},
         {"-exec", missing},
         254,
         "korvane: Die Ablaufdatei \"" + missing +
             "\" kann nicht gelesen werden: No such file or directory.\n"},
        {"folder",
         {rack},
         {"-exec", folder().string()},
         254,
         "korvane: Die Ablaufdatei \"" + folder().string() +
             "\" kann nicht gelesen werden: Is a directory.\n"},
        {"endless file",
         {rack},
         {"-exec", "/dev/zero"},
         254,
         "korvane: Die Ablaufdatei \"/dev/zero\" kann nicht gelesen werden: sie ist größer als "
         "4194304 Bytes.\n"},
        {"selection not found",
         {rack},
         {"-usb", "999", "-exec", sequence.string()},
         255,
         "korvane: Die gewählte Testsystem-Schnittstelle ist nicht vorhanden!\n"},
        {"plain run", {rack}, {"/exec", sequence.string()}, 0, ""},
        {"refused lines, default", {rack}, {"-exec", outOfRange.string()}, 0, refused},
        {"refused lines, strict", {rack}, {"--strict", "-exec", outOfRange.string()}, 4, refused},
        {"failing bus, default",
         {failing},
         {"-exec", sequence.string()},
         0,
         "korvane: Fehler beim Schreiben (5)\nAnzahl geschriebener Bytes: 0 von 10\n"},
        {"failing bus, strict",
         {failing},
         {"-exec", sequence.string(), "/STRICT"},
         3,
         "korvane: Fehler beim Schreiben (5)\nAnzahl geschriebener Bytes: 0 von 10\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> racks;
        for (const fs::path& path : c.racks) {
            racks.push_back(path.string());
        }
        const fs::path log = folder() / "bus.log";
        racks.insert(racks.begin(), {"--log", log.string()});
        std::optional<SimulatorProcess> sim;
        if (!c.racks.empty()) {
            sim.emplace(std::getenv("KONTROLLWERK_DEVICE_DIR"), racks);
            ASSERT_TRUE(sim->ready()) << sim->errorText();
        }
        EXPECT_EQ(c.exitCode, korvane(c.arguments));
        EXPECT_EQ(c.err, err);
        if (sim) {
            sim->stop();
            // What was refused never reached the bus, not even cut down to another word.
            const auto words = fileLines(log);
            for (const char* word : {"W 0 5 3 7", "W 0 4464 1 1", "W 0 6 1 1", "W 0 6 1 0"}) {
                EXPECT_EQ(words.end(), std::find(words.begin(), words.end(), word)) << word;
            }
        }
    }
}

// Where the devices come from, and what keeps them away: the reason is said, and nothing
// waits without end.
TEST_F(KorvaneProgramTest, DevicesThatCannotBeUsedAreNamed) {
    const fs::path rack = writeRackFile(folder(), "a.rack", {"adapter usb860 serial=4711"});
    const fs::path int41 = writeRackFile(folder(), "i.rack", {"adapter int41"});
    const std::string noInterface = "korvane: Kein Testsystem-Interface vorhanden!\n";
    struct Case {
        const char* name;
        fs::path rack;
        std::function<void(const fs::path& dir, const SimulatorProcess& sim)> spoil;
        std::string err;
    };
    const Case cases[] = {
        {"folder writable by others", rack,
         [](const fs::path& dir, const SimulatorProcess&) { chmod(dir.c_str(), 0777); },
         "korvane: Das Geräteverzeichnis " + devicesPath().string() +
             " ist für andere Benutzer beschreibbar (Rechte 0777).\n"},
        {"folder of another user", rack,
         [](const fs::path& dir, const SimulatorProcess&) {
             ASSERT_EQ(0, chown(dir.c_str(), 4242, 4242));
         },
         "korvane: Das Geräteverzeichnis " + devicesPath().string() +
             " gehört dem Benutzer 4242, nicht " + std::to_string(getuid()) + " oder root.\n"},
        {"socket of another user", rack,
         [](const fs::path&, const SimulatorProcess& sim) {
             ASSERT_EQ(0, lchown(sim.devicePaths().at(0).c_str(), 4242, 4242));
         },
         ""},
        {"INT41 held by another program", int41,
         [this](const fs::path&, const SimulatorProcess& sim) {
             m_held = kw::openDevice(sim.devicePaths().at(0), kw::Access::ReadWrite,
                                     kw::Sharing::Exclusive)
                          .handle;
             ASSERT_NE(nullptr, m_held);
         },
         "korvane: Das Gerät %DEVICE% wird von einem anderen Programm benutzt.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatorProcess sim(devicesPath(), {c.rack.string()});
        ASSERT_TRUE(sim.ready()) << sim.errorText();
        c.spoil(devicesPath(), sim);
        std::string expected = noInterface + c.err + adapterHint();
        if (const auto at = expected.find("%DEVICE%"); at != std::string::npos) {
            expected.replace(at, 8, sim.devicePaths().at(0));
        }
        for (const char* command : {"--list", "-exec"}) {
            const std::vector<std::string> arguments =
                command == std::string("--list") ? std::vector<std::string>{command}
                                                 : std::vector<std::string>{command, "x.txt"};
            EXPECT_EQ(255, korvane(arguments));
            EXPECT_EQ(expected, err) << command;
        }
        m_held.reset();
        chmod(devicesPath().c_str(), 0700);
        chown(devicesPath().c_str(), getuid(), getgid());
    }
}

// A device socket whose owner takes no connection (its backlog is full) and one that takes
// connections but never answers: both are given up after a bounded wait.
TEST_F(KorvaneProgramTest, ASocketThatNeverAnswersIsGivenUp) {
    const fs::path device =
        devicesPath() / "usb#vid_0b1e&pid_0860#99#{2f8b6d13-c94e-4a7d-8e05-b3a17c6f9d52}";
    for (const int backlog : {0, 8}) {
        SCOPED_TRACE(backlog);
        const int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", device.c_str());
        ASSERT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
        ASSERT_EQ(0, listen(fd, backlog));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(255, korvane({"--list"}));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
        EXPECT_EQ("korvane: Kein Testsystem-Interface vorhanden!\n" + adapterHint(), err);
        close(fd);
        unlink(device.c_str());
    }
}

TEST_F(KorvaneProgramTest, ListAndHelpWithoutDisplay) {
    const fs::path rack =
        writeRackFile(folder(), "a.rack", {"adapter usb860 serial=4711 speed=full"});
    SimulatorProcess sim(std::getenv("KONTROLLWERK_DEVICE_DIR"), {rack.string()});
    ASSERT_TRUE(sim.ready()) << sim.errorText();
    EXPECT_EQ(0, korvane({"--list"}));
    EXPECT_EQ("0\tUsb860 (4711) (FullSpeed)\tSystem 0-63, Karte 0-63, Funktion 0-15, Daten "
              "0-255\n",
              out);
    EXPECT_EQ(0, korvane({"-help", "-usb", "99"}));
    EXPECT_EQ(0u, out.find("mögliche Aufrufparameter:\n"));
    EXPECT_EQ(2, korvane({"-usb", "4711"}));
    EXPECT_NE(std::string::npos, err.find("Hauptdialog"));
}

TEST_F(KorvaneProgramTest, HeadlessMessagesGoToTheErrorStreamOncePerFamily) {
    const fs::path rack =
        writeRackFile(folder(), "a.rack", {"adapter usb860 serial=4711", "fault fail after=2"});
    SimulatorProcess sim(std::getenv("KONTROLLWERK_DEVICE_DIR"), {rack.string()});
    ASSERT_TRUE(sim.ready()) << sim.errorText();
    std::string lines;
    for (int i = 0; i < 50; ++i) {
        lines += "0,1,1,?,0; lesen\r\n";
    }
    EXPECT_EQ(0, korvane({"-exec", file("ablauf.txt", lines).string()}));
    EXPECT_EQ("korvane: Fehler beim Schreiben (5)\nAnzahl geschriebener Bytes: 0 von 8\n"
              "korvane: 49 weitere USB-Meldung(en) dieser Art unterdrückt.\n",
              err);
}
