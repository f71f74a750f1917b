// The start of korvane against the in-process simulator: selection, "-exec" with the bus
// words it causes, "--list" and "--selftest".

#include "korvane/tool/command_line_info.h"
#include "korvane/tool/console_front_end.h"
#include "korvane/tool/korvane_app.h"

#include "sim/in_process_simulator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace korvane;

namespace {

class KorvaneExecTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("korvane-exec-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void start(const std::vector<std::vector<std::string>>& racks) {
        std::vector<kw::sim::Rack> parsed;
        for (const auto& lines : racks) {
            parsed.push_back(kw::sim::parseRack(lines).rack.value());
        }
        sim = std::make_unique<kw::sim::InProcessSimulator>(parsed);
    }

    std::string sequence(const std::string& content) {
        const fs::path path = m_dir / "ablauf.txt";
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    int korvane(const std::vector<std::string>& arguments) {
        out.str("");
        err.str("");
        ConsoleFrontEnd frontEnd(out, err, nullptr);
        CKorvaneApp app(frontEnd, buildInterfaceList, out, err);
        const int code = app.run(arguments);
        return code;
    }

    std::unique_ptr<kw::sim::InProcessSimulator> sim;
    std::ostringstream out;
    std::ostringstream err;

private:
    fs::path m_dir;
};

const std::vector<std::vector<std::string>> kThreeAdapters{
    {"adapter usb860 serial=1234567"},
    {"adapter usb860 serial=7654321 ulm860"},
    {"adapter int41 base=0x318"},
};

} // namespace

TEST_F(KorvaneExecTest, ExecOnTheSixteenBitTwin) {
    start(kThreeAdapters);
    const std::string file = sequence("0,5,40,200,0; schreiben\r\n"
                                      "0,5,40,?,0; lesen\r\n"
                                      "Unsinn\r\n");
    sim->clearBusLog();
    EXPECT_EQ(0, korvane({"-d860", "7654321", "-exec", file}));
    // Before the sequence come the words of building the list (the ULM860 question, the
    // INT41 register check's bus cycle).
    const auto log = sim->busLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ((std::vector<std::string>{"W 0 5 40 200", "R 0 5 40 200"}),
              std::vector<std::string>(log.end() - 2, log.end()));
    EXPECT_EQ("korvane: Zeile 3 von \"" + file + "\" ist keine Aktion, übersprungen.\n", err.str());
}

TEST_F(KorvaneExecTest, ExecSelectsByBaseAddressAndByFirstUsb) {
    start(kThreeAdapters);
    const std::string file = sequence("1,2,3,4,0; x");
    EXPECT_EQ(0, korvane({"/i41", "318", "-exec", file}));
    sim->clearBusLog();
    EXPECT_EQ(0, korvane({"-exec", file}));
    const auto log = sim->busLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("W 1 2 3 4", log.back());
}

TEST_F(KorvaneExecTest, ExitCodes) {
    start(kThreeAdapters);
    const std::string file = sequence("1,2,3,4,0; x");
    sim->clearBusLog();
    EXPECT_EQ(-1, korvane({"-usb", "999", "-exec", file}));
    EXPECT_EQ(-1, korvane({"-i41", "310", "-exec", file}));
    EXPECT_EQ(-2, korvane({"-exec", file + ".fehlt"}));
    // Building the list only reads; the sequence never ran.
    for (const auto& word : sim->busLog()) {
        EXPECT_EQ('R', word.front()) << word;
    }
}

TEST_F(KorvaneExecTest, ListShowsEveryInterfaceWithItsRanges) {
    start(kThreeAdapters);
    EXPECT_EQ(0, korvane({"--list"}));
    EXPECT_EQ("0\tUsb860 (1234567)\tSystem 0-63, Karte 0-63, Funktion 0-15, Daten 0-255\n"
              "1\tUlm860 (8 Bit) (7654321)\tSystem 0-63, Karte 0-63, Funktion 0-15, Daten 0-255\n"
              "2\tUlm860 (16 Bit) (7654321)\tSystem 0-63, Karte 0-63, Funktion 0-63, Daten "
              "0-255\n"
              "3\tINT41 über Treiber (0x318)\tSystem 0-63, Karte 0-63, Funktion 0-15, Daten "
              "0-255\n"
              "4\tINT41 direkt (0x318)\tSystem 0-63, Karte 0-63, Funktion 0-15, Daten 0-255\n",
              out.str());
}

TEST_F(KorvaneExecTest, HeadlessUsbSelfTestNeedsConfirmation) {
    start({{"adapter usb860 serial=3 selftest-board"}});
    EXPECT_EQ(2, korvane({"--selftest"}));
    EXPECT_NE(std::string::npos, err.str().find("Selbsttest abgebrochen"));
    EXPECT_EQ(0, korvane({"--selftest", "--yes"}));
    EXPECT_EQ("USB860-Test\n  Kartenadresse: OK\n  Funktionsadresse: OK\nOK\n", out.str());
}

TEST_F(KorvaneExecTest, HeadlessInt41SelfTestReportsTheFaultyBits) {
    start({{"adapter int41", "fault stuck 2 0 0"}});
    EXPECT_EQ(1, korvane({"-i41", "--selftest"}));
    const std::string text = out.str();
    EXPECT_EQ(0u, text.find("Int41-Test\n  Wartezeit\n  Durchschnitt: "));
    EXPECT_NE(std::string::npos, text.find("\n  Datenbus: OK\n"));
    EXPECT_NE(std::string::npos, text.find("\n  Kartenadresse: Fehler in Bit 0\n"));
    EXPECT_NE(std::string::npos,
              text.find("\n  Kartenadresse <-> Systemadresse: Fehler in Bit 0\n"));
    EXPECT_EQ("Fehler\n", text.substr(text.size() - 7));
}

TEST_F(KorvaneExecTest, HeadlessInt900SelfTestPrintsTheLines) {
    start({{"adapter int900"}});
    EXPECT_EQ(0, korvane({"--selftest"}));
    EXPECT_NE(std::string::npos, out.str().find("erwarteter Code: 0x4949, gelesener Code: "
                                                "0x4949\nTest beendet\n"));
}

TEST_F(KorvaneExecTest, WithoutExecTheMissingDialogIsReported) {
    start(kThreeAdapters);
    EXPECT_EQ(ConsoleFrontEnd::kNoDialog, korvane({"-load", "x.txt"}));
    EXPECT_NE(std::string::npos, err.str().find("Hauptdialog"));
    EXPECT_EQ(0, korvane({"-?"}));
    EXPECT_EQ(std::string(kKorvaneHelpText) + kKorvaneHelpAdditions, out.str());
}
