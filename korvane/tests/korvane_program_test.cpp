// The korvane program as a script calls it, against testsystem-sim started as a process of its
// own: exit codes, the bus words "-exec" causes (from the simulator's bus log), "--list", the
// help without a display. The unattended paths must never need a display: the tests name an
// X11 platform without a display, which a QApplication would not survive.

#include "sim/testing/sim_process.h"

#include <gtest/gtest.h>

#include <fstream>

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
          noPorts("KONTROLLWERK_PORT_IO", "") {}

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

    std::string out;
    std::string err;

private:
    TempDirectory m_devices;
    TempDirectory m_files;

protected:
    ScopedEnvironment devices;
    ScopedEnvironment noDisplay;
    ScopedEnvironment noWayland;
    ScopedEnvironment platform;
    ScopedEnvironment noPorts;
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
    EXPECT_EQ("korvane: Zeile 2 von \"" + sequence.string() + "\" ist keine Aktion, übersprungen.\n",
              err);
    sim.stop();
    const auto words = fileLines(log);
    ASSERT_GE(words.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"W 0 5 3 170", "R 0 5 3 42", "R 0 6 1 0"}),
              std::vector<std::string>(words.end() - 3, words.end()));
}

TEST_F(KorvaneProgramTest, ExitCodesOfTheUnattendedRun) {
    const fs::path rack = writeRackFile(folder(), "a.rack", {"adapter usb860 serial=4711"});
    const fs::path sequence = file("ablauf.txt", "0,1,2,3,0; x\r\n");
    // No adapter at all: -1 even for a file that does not exist.
    EXPECT_EQ(255, korvane({"-exec", (folder() / "fehlt.txt").string()}));
    SimulatorProcess sim(std::getenv("KONTROLLWERK_DEVICE_DIR"), {rack.string()});
    ASSERT_TRUE(sim.ready()) << sim.errorText();
    EXPECT_EQ(254, korvane({"-exec", (folder() / "fehlt.txt").string()}));
    EXPECT_EQ(254, korvane({"-exec", folder().string()}));
    EXPECT_EQ(255, korvane({"-usb", "999", "-exec", sequence.string()}));
    EXPECT_EQ(255, korvane({"-i41", "-exec", sequence.string()}));
    EXPECT_EQ(0, korvane({"/exec", sequence.string()}));
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
