// tarvik's start as the desktop program: with a switched-on (simulated) test system, without
// one, and with the hardware search switched off.

#include "common/devices/libusb_backend.h"
#include "common/devices/usb_adapter_ids.h"
#include "sim/testing/sim_process.h"
#include "tarvik/app/command_line_info.h"
#include "tarvik/app/gui/qt_user_interface.h"
#include "tarvik/app/gui/tarvik_app.h"
#include "tarvik/app/testsystem_hardware_search.h"
#include "tarvik/app/gui/variant_dlg.h"

#include "window_script.h"

#include <QDir>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tarvik;

using namespace kw::sim::testkit;

namespace {

// A private device directory and mutex namespace: no adapter unless a test starts one.
struct PrivateMachine {
    TempDirectory temp;
    ScopedEnvironment devices{"KONTROLLWERK_DEVICE_DIR", (temp.path() / "dev").string()};
    PrivateMutexNamespace mutexes;
    ScopedEnvironment noUsbIds{kw::kUsbIdsVariable, ""}; // no real adapters configured
};

RunInputs programFolder(const QTemporaryDir& dir) {
    QDir(dir.path()).mkdir("TM_SEL_TEMPLATE");
    QDir(dir.path()).mkdir("TM_CAL_TEMPLATE");
    RunInputs inputs;
    inputs.setProgramFolder(dir.path().toStdString());
    return inputs;
}

WindowScript::Action firstVariant(const QString& line) {
    return [line](QWidget* window) {
        auto* dialog = qobject_cast<CVariantDlg*>(window);
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(line, dialog->positionLine());
        dialog->findChildren<QRadioButton*>().front()->click();
        clickButton(dialog, "OK");
    };
}

QString cell(QWidget* main, int row, int column) {
    return main->findChild<QTreeWidget*>("configurationList")->topLevelItem(row)->text(column);
}

int run(const QTemporaryDir& folder, const std::vector<std::string>& arguments) {
    CTarvikApp app(programFolder(folder), {});
    TestsystemHardwareSearch hardware;
    return app.run(CTarvikCommandLineInfo(arguments), hardware);
}

} // namespace

TEST(TarvikApp, ShowsTheRackOfASwitchedOnSystem) {
    PrivateMachine machine;
    SimulatorProcess simulator(machine.temp.path() / "dev", {KW_DEMO_RACK});
    ASSERT_TRUE(simulator.ready()) << simulator.errorText();
    QTemporaryDir folder;
    WindowScript script;
    script.modal("Auswahl der KVR860", firstVariant("1. KVR860 in Position P1-4"))
        .modal("Auswahl der KVR860", firstVariant("2. KVR860 in Position P1-5"))
        .modal("Auswahl der FJN860", firstVariant("3. FJN860 in Position P1-13"))
        .modal(kMessageCaption, [](QWidget* box) { clickButton(box, "Nein"); })
        .modal("Kontrollwerk ", [](QWidget* main) {
            EXPECT_EQ("P1-6", cell(main, 4, 0));
            EXPECT_EQ("TQD860", cell(main, 4, 1));
            EXPECT_EQ("ohne NG", cell(main, 2, 2));
            EXPECT_EQ("8 Kanäle", cell(main, 11, 2));
            clickButton(main, "Beenden");
        });
    EXPECT_EQ(StartResult::Done, run(folder, {}));
}

TEST(TarvikApp, WithoutASystemTheUserMayDecline) {
    PrivateMachine machine;
    QTemporaryDir folder;
    WindowScript script;
    // The question carries the line that says how to configure real adapters.
    const std::string hint = kw::usbAdapterHint();
    ASSERT_NE(std::string::npos, hint.find("usb860-ids.conf"));
    script.modal(kMessageCaption, [&hint](QWidget* box) {
        EXPECT_EQ(QString::fromUtf8("Kein eingeschaltetes System vorhanden!\n\n" + hint +
                                    "\n\nMöchten Sie den Systemausbau selbst zusammenstellen?"),
                  messageText(box));
        clickButton(box, "Nein");
    });
    EXPECT_EQ(StartResult::NoSystem, run(folder, {}));
}

TEST(TarvikApp, TheISwitchGoesStraightToSystemauswahl) {
    PrivateMachine machine;
    QTemporaryDir folder;
    WindowScript script;
    script.modal("Systemauswahl", [](QWidget* dialog) { pressEscape(dialog); })
        .modal(kMessageCaption, [](QWidget* box) { clickButton(box, "Nein"); })
        .modal("Kontrollwerk ", [](QWidget* main) {
            EXPECT_EQ("P2", cell(main, 0, 0)); // an 860 system without the new decoder
            EXPECT_EQ("ULM520", cell(main, 0, 1));
            clickButton(main, "Beenden");
        });
    EXPECT_EQ(StartResult::Done, run(folder, {"-i"}));
}
