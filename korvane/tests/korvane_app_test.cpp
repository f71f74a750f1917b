#include "korvane/tool/korvane_app.h"

#include "korvane/tool/command_line_info.h"

#include "fake_bus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using namespace korvane;

namespace {

// A front end that records what the start asked of it.
class FakeFrontEnd : public KorvaneFrontEnd {
public:
    FakeFrontEnd() : m_guard(m_user) {}

    void showHelp(const std::string& text) override { help = text; }
    bool ctrlHeldAtStart() override {
        ++ctrlQueries;
        return ctrl;
    }
    InterfaceContext dialogContext() override {
        ++contextQueries;
        return InterfaceContext{m_guard, m_windows};
    }
    int runDialog(InterfaceList interfaces, const std::string& file) override {
        dialogRan = true;
        loadFile = file;
        current = interfaces.current ? interfaces.current->displayName() : "";
        return dialogCode;
    }

    std::string help;
    bool ctrl = false;
    int ctrlQueries = 0;
    int contextQueries = 0;
    bool dialogRan = false;
    std::string loadFile;
    std::string current;
    int dialogCode = 0;

private:
    struct NoUser : InterfaceUserInterface {
        bool showMessage(MessageFamily, const std::string&) override { return true; }
        bool askOkCancel(const std::string&) override { return false; }
    } m_user;
    struct NoWindows : ResultWindowFactory {
        std::unique_ptr<Int41ResultWindow> makeInt41Window() override { return nullptr; }
        std::unique_ptr<BitsResultWindow> makeUsb860Window() override { return nullptr; }
        std::unique_ptr<TextResultWindow> makeTextWindow() override { return nullptr; }
    } m_windows;
    MessageGuard m_guard;
};

class KorvaneAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("korvane-app-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string sequence(const std::string& content) {
        const fs::path path = m_dir / "ablauf.txt";
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    std::string missing() const { return (m_dir / "fehlt.txt").string(); }

    // Runs the start with the fake interfaces added so far.
    int run(const std::vector<std::string>& arguments) {
        built = false;
        CKorvaneApp app(
            frontEnd,
            [this](InterfaceContext, bool ctrlAtStart) {
                built = true;
                ctrlSeen = ctrlAtStart;
                InterfaceList list;
                list.shown = std::move(buses);
                buses.clear();
                list.current = list.shown.empty() ? nullptr : list.shown.front().get();
                return list;
            },
            out, err);
        return app.run(arguments);
    }

    // The bus's log stays readable after the run has destroyed the bus.
    std::vector<std::string>& addBus(const std::string& name, int kind, const std::string& text) {
        auto bus = std::make_unique<FakeBus>(name);
        bus->selectionKind = kind;
        bus->selectionText = text;
        bus->externalLog = &logs[name];
        buses.push_back(std::move(bus));
        return logs[name];
    }

    FakeFrontEnd frontEnd;
    std::vector<std::unique_ptr<CInterface>> buses;
    std::map<std::string, std::vector<std::string>> logs;
    bool built = false;
    bool ctrlSeen = false;
    std::ostringstream out;
    std::ostringstream err;

private:
    fs::path m_dir;
};

} // namespace

TEST_F(KorvaneAppTest, HelpComesFirstAndOpensNothing) {
    addBus("Usb860", kSelectUsb860, "99");
    EXPECT_EQ(0, run({"-help", "-usb", "99"}));
    EXPECT_EQ(std::string(kKorvaneHelpText) + kKorvaneHelpAdditions, frontEnd.help);
    EXPECT_FALSE(built);
    EXPECT_FALSE(frontEnd.dialogRan);
}

TEST_F(KorvaneAppTest, DialogGetsTheSelectedInterfaceAndTheFileToLoad) {
    addBus("Usb860", kSelectUsb860, "1234567");
    addBus("INT41 über Treiber (0x318)", kSelectInt41, "318");
    frontEnd.ctrl = true;
    frontEnd.dialogCode = 0;
    EXPECT_EQ(0, run({"-i41", "318", "-load", "a.txt"}));
    EXPECT_TRUE(ctrlSeen);
    EXPECT_EQ("INT41 über Treiber (0x318)", frontEnd.current);
    EXPECT_EQ("a.txt", frontEnd.loadFile);
}

TEST_F(KorvaneAppTest, WithoutInterfaceOptionTheFirstIsCurrent) {
    addBus("erste", kSelectUsb860, "");
    addBus("zweite", kSelectInt41, "");
    frontEnd.dialogCode = 7;
    EXPECT_EQ(7, run({"-load"}));
    EXPECT_EQ("erste", frontEnd.current);
    EXPECT_EQ("", frontEnd.loadFile);
}

TEST_F(KorvaneAppTest, MissingSelectionEndsWithMinusOneWithoutDialog) {
    addBus("Usb860", kSelectUsb860, "1234567");
    EXPECT_EQ(-1, run({"-usb", "7654321", "-exec", sequence("0,0,0,1,0\r\n")}));
    EXPECT_FALSE(frontEnd.dialogRan);
    EXPECT_TRUE(logs["Usb860"].empty());
    EXPECT_EQ("korvane: Die gewählte Testsystem-Schnittstelle ist nicht vorhanden!\n", err.str());
}

TEST_F(KorvaneAppTest, SelectionOrderIsUsbThenDecoderThenInt41) {
    addBus("int41", kSelectInt41, "");
    addBus("usb", kSelectUsb860, "");
    addBus("ulm", kSelectUlm860, "");
    // Only one interface bit is ever set; the last option wins.
    EXPECT_EQ(0, run({"-usb", "-d860", "--list"}));
    addBus("int41", kSelectInt41, "");
    addBus("usb", kSelectUsb860, "");
    addBus("ulm", kSelectUlm860, "");
    run({"-usb", "-d860"});
    EXPECT_EQ("ulm", frontEnd.current);
}

TEST_F(KorvaneAppTest, ExecRunsTheLastFileOnceAndEndsWithZero) {
    const auto& bus = addBus("bus", kSelectUsb860, "");
    const std::string file = sequence("0,5,3,170,0; ein\r\nkaputt\r\n0,5,3,?,0; lesen\r\n");
    EXPECT_EQ(0, run({"-load", "x.txt", "-exec", "unbenutzt.txt", file}));
    EXPECT_EQ((std::vector<std::string>{"W 0 5 3 170", "R 0 5 3 170"}), bus);
    EXPECT_FALSE(frontEnd.dialogRan);
    EXPECT_EQ(0, frontEnd.contextQueries);
    EXPECT_EQ(0, frontEnd.ctrlQueries);
}

TEST_F(KorvaneAppTest, ExecOfUnreadableFileEndsWithMinusTwoOrMinusOneWithoutInterface) {
    addBus("bus", kSelectUsb860, "");
    EXPECT_EQ(-2, run({"-exec", missing()}));
    EXPECT_EQ(-1, run({"-exec", missing()}));
    EXPECT_EQ(-1, run({"-exec", sequence("0,0,0,0,0\r\n")}));
}

TEST_F(KorvaneAppTest, ExecWithoutFileNameOpensTheDialog) {
    addBus("bus", kSelectUsb860, "");
    run({"-exec"});
    EXPECT_TRUE(frontEnd.dialogRan);
}

TEST_F(KorvaneAppTest, ListPrintsEveryShownInterface) {
    addBus("Usb860 (1234567)", kSelectUsb860, "");
    addBus("INT900 über Treiber", -1, "");
    EXPECT_EQ(0, run({"--list"}));
    EXPECT_EQ("0\tUsb860 (1234567)\tSystem 0-63, Karte 0-63, Funktion 0-15, Daten 0-255\n"
              "1\tINT900 über Treiber\tSystem 0-63, Karte 0-63, Funktion 0-15, Daten 0-255\n",
              out.str());
    EXPECT_EQ(-1, run({"--list"}));
    EXPECT_EQ("korvane: Kein Testsystem-Interface vorhanden!\n", err.str());
}

TEST_F(KorvaneAppTest, SelfTestOfAnInterfaceWithoutOneCannotRun) {
    addBus("bus", kSelectUsb860, "");
    EXPECT_EQ(2, run({"--selftest"}));
    EXPECT_EQ("korvane: Die Schnittstelle \"bus\" hat keinen Selbsttest.\n", err.str());
    EXPECT_EQ(-1, run({"--selftest"}));
}
