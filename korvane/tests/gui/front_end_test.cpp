// The desktop front end on a machine without a display: the unattended paths and the help
// never make a QApplication, and the dialog ends with a message instead of aborting.

#include "korvane/tool/gui/qt_front_end.h"

#include "fake_bus.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace korvane;

namespace {

class NoDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            ::unsetenv(name);
        }
        file = fs::temp_directory_path() / ("korvane-front-" + std::to_string(::getpid()) + ".txt");
        std::ofstream(file, std::ios::binary) << "0,5,3,170,0; Relais ein\r\n";
    }
    void TearDown() override { fs::remove(file); }

    int run(const std::vector<std::string>& arguments) {
        int argc = 1;
        char name[] = "korvane";
        char* argv[] = {name, nullptr};
        QtKorvaneFrontEnd frontEnd(argc, argv, out, err);
        CKorvaneApp app(
            frontEnd,
            [this](InterfaceContext, bool) {
                InterfaceList list;
                auto bus = std::make_unique<FakeBus>("Usb860");
                bus->externalLog = &busLog;
                list.shown.push_back(std::move(bus));
                list.current = list.shown.front().get();
                return list;
            },
            out, err);
        return app.run(arguments);
    }

    fs::path file;
    std::ostringstream out;
    std::ostringstream err;
    std::vector<std::string> busLog;
};

TEST_F(NoDisplayTest, ExecAndHelpMakeNoApplication) {
    EXPECT_EQ(run({"-exec", file.string()}), 0);
    EXPECT_EQ(busLog, std::vector<std::string>{"W 0 5 3 170"});
    EXPECT_EQ(run({"-help"}), 0);
    EXPECT_NE(out.str().find("mögliche Aufrufparameter:"), std::string::npos);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

TEST_F(NoDisplayTest, TheDialogEndsWithAMessage) {
    EXPECT_EQ(run({"-load", file.string()}), ConsoleFrontEnd::kNoDialog);
    EXPECT_NE(err.str().find("Keine Anzeige vorhanden"), std::string::npos);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

} // namespace
