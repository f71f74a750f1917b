// Writes the screenshots of korvane's windows as PNG files, offscreen:
//
//   korvane_screenshots DIR
//
// The main dialog with a sequence that has run, the "Int41-Test" window after a run on a card
// with two stuck data bits, the "USB860-Test" window after a passing run and the "Test-Ablauf"
// window with the report of an INT900 driver test. The interfaces are stand-ins; the windows
// are the program's own.

#include "korvane/interfaces/int900_interface.h"
#include "korvane/tool/gui/action_list_ctrl.h"
#include "korvane/tool/gui/korvane_dlg.h"
#include "korvane/tool/gui/qt_interface_services.h"

#include "fake_bus.h"
#include "register_card.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>

#include <cstdio>

using namespace korvane;

namespace {

// An INT900 card that answers its identification codes.
class CodeCard : public CInterfaceInt900Base {
public:
    std::string displayName() override { return "INT900 über Treiber"; }
    bool isUsable() const override { return true; }
    void busWrite(int, int, int, int) override {}
    int busRead(int, int, int) override { return 0; }
    void writeRegister(int, int) override { m_next = 0; }
    int readRegister(int) override {
        static constexpr int kAnswers[] = {0x3300, 0x4D42, 0x554C, 0x4641, 0x5453, 0x4949};
        return m_next < 6 ? kAnswers[m_next++] : 0;
    }

private:
    int m_next = 0;
};

bool save(QWidget& window, const QDir& folder, const char* name) {
    const QString path = folder.filePath(name);
    if (!window.grab().save(path, "PNG")) {
        std::fprintf(stderr, "korvane_screenshots: %s kann nicht geschrieben werden\n",
                     qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void fillMainDialog(CKorvaneDlg& dlg) {
    KorvaneDialogModel& model = dlg.model();
    const char* const lines[] = {"0,5,3,170,10; Relais ein", "0,5,4,?,10; Status lesen",
                                 "0,5,3,0,10; Relais aus", "0,12,0,?,0; Kennung Karte 12"};
    for (const char* line : lines) {
        CAction action;
        action.parse(line);
        model.actions().appendAction(action, false);
    }
    model.onExecute();
    model.actions().select(1);
    dlg.field(DialogField::DataB)->setText("85");
    model.onFieldLeft();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: korvane_screenshots VERZEICHNIS\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QtInterfaceServices services;

    InterfaceList list;
    auto usb = std::make_unique<FakeBus>("Usb860 (1234567)");
    usb->memory[{0, 5, 4}] = 0x5A;
    usb->memory[{0, 12, 0}] = 31;
    list.shown.push_back(std::move(usb));
    list.shown.push_back(std::make_unique<RegisterCard>(services.context()));
    list.current = list.shown.front().get();
    CKorvaneDlg dlg(std::move(list), services, false);
    if (dlg.initialise("").has_value()) {
        return 1;
    }
    dlg.show();
    fillMainDialog(dlg);
    bool written = save(dlg, folder, "korvane-hauptdialog.png");

    RegisterCard card(services.context());
    card.stuckHigh[kw::int41::reg::Data] = 0x81;
    card.runSelfTest();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowTitle() == "Int41-Test") {
            written = save(*window, folder, "korvane-int41-test.png") && written;
        }
    }

    CResultUsb860TestDlg usbTest(services);
    usbTest.open();
    usbTest.resetResults();
    usbTest.setRunning();
    usbTest.setItemBits(0, "Kartenadresse", 0);
    usbTest.setItemBits(1, "Funktionsadresse", 0);
    usbTest.finishRun();
    written = save(*usbTest.window(), folder, "korvane-usb860-test.png") && written;

    CTestResultWnd report(services);
    CodeCard int900;
    runInt900DriverSelfTest(int900, report);
    written = save(*report.window(), folder, "korvane-test-ablauf.png") && written;
    return written ? 0 : 1;
}
