// The main dialog against the in-process simulator: bus words the rack sees, and USB860
// adapters unplugged and plugged back in while a repetition runs.

#include "korvane/interfaces/interface_list.h"
#include "korvane/tool/gui/korvane_dlg.h"
#include "korvane/tool/gui/qt_interface_services.h"
#include "korvane/tool/usb_adapter_finder.h"
#include "korvane/tool/usb_device_watch.h"

#include "common/sync/named_mutex.h"
#include "gui_test_support.h"
#include "sim/in_process_simulator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

using namespace korvane;

namespace {

std::string privateName(const std::string& kind) {
    return "KorvaneGuiTest" + kind + std::to_string(::getpid());
}

// Answers every message box while it exists, keeping their texts.
class MessageBoxAnswerer : public QObject {
public:
    MessageBoxAnswerer() {
        m_poll.setInterval(5);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.push_back(box->text().toStdString());
                box->accept();
            }
        });
        m_poll.start();
    }
    bool saw(const std::string& text) const {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    std::vector<std::string> texts;

private:
    QTimer m_poll;
};

class SimDialogTest : public ::testing::Test {
protected:
    SimDialogTest()
        : int41Mutex(privateName("Int41")), usbMutex(privateName("Usb")),
          services(BusMutexes{int41Mutex, usbMutex}) {}
    ~SimDialogTest() override {
        kw::NamedMutex::removeTestName(privateName("Int41"));
        kw::NamedMutex::removeTestName(privateName("Usb"));
    }

    void open(std::initializer_list<std::vector<std::string>> racks) {
        std::vector<kw::sim::Rack> parsed;
        for (const auto& lines : racks) {
            parsed.push_back(kw::sim::parseRack(lines).rack.value());
        }
        sim = std::make_unique<kw::sim::InProcessSimulator>(parsed);
        finder = std::make_unique<UsbAdapterFinderOnDevices>(services.context());
        watch = std::make_unique<UsbDeviceWatch>();
        dlg = std::make_unique<CKorvaneDlg>(buildInterfaceList(services.context(), false), services,
                                            false, finder.get(), watch.get());
        ASSERT_FALSE(dlg->initialise("").has_value());
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        sim->clearBusLog();
    }
    void TearDown() override {
        dlg.reset();
        watch.reset();
        sim.reset();
    }

    void set(DialogField field, const QString& text) {
        dlg->field(field)->setText(text);
        dlg->model().onFieldLeft();
    }
    std::string currentDevice() {
        CInterface* current = dlg->model().currentInterface();
        return current ? current->deviceName() : std::string();
    }
    long writes() {
        const auto log = sim->busLog();
        return std::count_if(log.begin(), log.end(),
                             [](const std::string& line) { return line.rfind("W ", 0) == 0; });
    }

    kw::NamedMutex int41Mutex;
    kw::NamedMutex usbMutex;
    QtInterfaceServices services;
    std::unique_ptr<kw::sim::InProcessSimulator> sim;
    std::unique_ptr<UsbAdapterFinderOnDevices> finder;
    std::unique_ptr<UsbDeviceWatch> watch;
    std::unique_ptr<CKorvaneDlg> dlg;
};

TEST_F(SimDialogTest, SendAndReceiveReachTheRack) {
    open({{"adapter usb860 serial=4711"}});
    EXPECT_EQ(dlg->interfaceBox()->currentText().toStdString(), "Usb860 (4711)");
    set(DialogField::CardAddress, "5");
    set(DialogField::FunctionAddress, "3");
    set(DialogField::DataA, "170");
    QTest::mouseClick(dlg->sendAButton(), Qt::LeftButton);
    EXPECT_EQ(sim->busLog(), std::vector<std::string>{"W 0 5 3 170"});
    // The rack remembers the word and answers it.
    QTest::mouseClick(dlg->receiveButton(), Qt::LeftButton);
    EXPECT_EQ(sim->busLog().back(), "R 0 5 3 170");
    EXPECT_EQ(dlg->field(DialogField::ReceivedValue)->text(), "170");
}

TEST_F(SimDialogTest, UnplugAndReplugTheCurrentAdapterDuringARepetition) {
    open({{"adapter usb860 serial=4711"}, {"adapter usb860 serial=4712"}});
    const std::string path = sim->devicePath(0);
    ASSERT_EQ(currentDevice(), path);
    set(DialogField::Delay, "2");
    dlg->repeatBox()->click();
    dlg->sendAButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return writes() >= 3; }, 5000));

    MessageBoxAnswerer boxes;
    sim->unplug(0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return boxes.saw("Die aktuelle Schnittstelle wurde entfernt!"); }, 10000));
    EXPECT_FALSE(dlg->ticker().isRunning());
    EXPECT_FALSE(dlg->sendAButton()->isChecked());
    EXPECT_EQ(dlg->interfaceBox()->count(), 1);
    EXPECT_EQ(currentDevice(), sim->devicePath(1));
    const long written = writes();
    QTest::qWait(20);
    EXPECT_EQ(writes(), written);

    sim->plug(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return currentDevice() == path; }, 10000));
    EXPECT_EQ(dlg->interfaceBox()->count(), 2);
    EXPECT_EQ(dlg->interfaceBox()->currentIndex(), 1);
    EXPECT_EQ(dlg->interfaceBox()->currentText().toStdString(), "Usb860 (4711)");
    // The adapter taken up again carries bus words.
    sim->clearBusLog();
    dlg->repeatBox()->click();
    dlg->sendAButton()->click();
    EXPECT_EQ(writes(), 1);
}

TEST_F(SimDialogTest, AnAdapterGoneInTheMiddleOfATransfer) {
    // The adapter drops out while it serves a bus word: the transfer's error box and the
    // removal notice meet; the adapter must not be destroyed under its own transfer.
    open({{"adapter usb860 serial=4711", "fault unplug after=4"}, {"adapter usb860 serial=4712"}});
    MessageBoxAnswerer boxes;
    set(DialogField::Delay, "1");
    dlg->repeatBox()->click();
    dlg->sendAButton()->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return boxes.saw("Die aktuelle Schnittstelle wurde entfernt!"); }, 10000));
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[0].rfind("Fehler beim Schreiben (", 0), 0u);
    EXPECT_FALSE(dlg->ticker().isRunning());
    EXPECT_EQ(currentDevice(), sim->devicePath(1));
    EXPECT_EQ(dlg->interfaceBox()->count(), 1);
}

} // namespace
