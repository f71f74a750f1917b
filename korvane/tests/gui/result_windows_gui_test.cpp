#include "korvane/interfaces/int41_interface.h"
#include "korvane/interfaces/usb_self_test.h"
#include "korvane/tool/gui/about_dlg.h"
#include "korvane/tool/gui/dialog_units.h"
#include "korvane/tool/gui/qt_interface_services.h"
#include "korvane/tool/gui/result_elements.h"
#include "korvane/tool/gui/result_windows.h"

#include "gui_test_support.h"
#include "register_card.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <array>

using namespace korvane;

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 200, 0);
const QColor kBlue(0, 0, 255);

// Digit colours of a bit result as painted: "R" or "G" per bit, bit 7 first; "?" where the
// digit shows in neither colour or in both.
std::string paintedBits(CBitsResult& item) {
    const QImage image = item.grab().toImage();
    const PixelRect frame = item.frameInWidget();
    std::string bits;
    for (int bit = 7; bit >= 0; --bit) {
        const int x = bitDigitCentreX(frame, bit);
        const QRect cell(x - frame.width() / 20, frame.top + 1, frame.width() / 10,
                         frame.height() - 2);
        const bool red = countColour(image, cell, kRed) > 0;
        const bool green = countColour(image, cell, kGreen) > 0;
        bits += red == green ? '?' : (red ? 'R' : 'G');
    }
    return bits;
}

// The services make the window the card keeps; this factory double lets the test see it.
class SeeingServices : public QtInterfaceServices {
public:
    std::unique_ptr<Int41ResultWindow> makeInt41Window() override {
        auto window = QtInterfaceServices::makeInt41Window();
        last = static_cast<CResultInt41TestDlg*>(window.get());
        return window;
    }
    CResultInt41TestDlg* last = nullptr;
};

class Int41WindowTest : public ::testing::Test {
protected:
    Int41WindowTest() : card(services.context()) {
        services.setMainWindow(nullptr, [this] { ++requestedRuns; });
    }
    CResultInt41TestDlg& window() { return *services.last; }
    static void pressEscape(QWidget* window) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(window, &escape);
    }

    SeeingServices services;
    RegisterCard card;
    int requestedRuns = 0;
};

TEST_F(Int41WindowTest, PassingRunShowsGreenBitsAndOk) {
    card.runSelfTest();
    ASSERT_NE(services.last, nullptr);
    CResultInt41TestDlg& dlg = window();
    ASSERT_TRUE(dlg.isOpen());
    EXPECT_EQ(dlg.window()->windowTitle(), "Int41-Test");
    EXPECT_EQ(dlg.verdictState(), 3);
    EXPECT_TRUE(dlg.finished());
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(paintedBits(*dlg.item(i)), "GGGGGGGG") << i;
    }
    EXPECT_EQ(dlg.item(5)->label(), "Datenbus <-> Kontrollbus");
    EXPECT_TRUE(dlg.waitResult()->label().startsWith("Durchschnitt: "));
    EXPECT_EQ(dlg.waitResult()->percent(), 99);
    // "OK" in green, and "Dauer" offered.
    EXPECT_GT(
        countColour(dlg.verdict()->grab().toImage(), dlg.verdict()->rect(), QColor(0, 255, 0)), 20);
    EXPECT_FALSE(dlg.continuousButton()->isHidden());
}

TEST_F(Int41WindowTest, FailingRunShowsTheStuckBitsInRed) {
    card.stuckHigh[kw::int41::reg::Data] = 0x81;
    card.runSelfTest();
    CResultInt41TestDlg& dlg = window();
    EXPECT_EQ(paintedBits(*dlg.item(0)), "RGGGGGGR");
    EXPECT_EQ(paintedBits(*dlg.item(1)), "GGGGGGGG");
    EXPECT_EQ(dlg.verdictState(), 4);
    EXPECT_GT(countColour(dlg.verdict()->grab().toImage(), dlg.verdict()->rect(), kRed), 20);
    EXPECT_TRUE(dlg.continuousButton()->isHidden());
    // A failed run cannot be repeated continuously.
    dlg.continuousButton()->click();
    EXPECT_FALSE(dlg.continuousButton()->isChecked());
    EXPECT_EQ(requestedRuns, 0);
}

TEST_F(Int41WindowTest, ContinuousTestAndTheEscapeRules) {
    card.runSelfTest();
    CResultInt41TestDlg& dlg = window();
    // Checking "Dauer" after a passing run asks the main window for the next run.
    dlg.continuousButton()->click();
    EXPECT_TRUE(dlg.continuousButton()->isChecked());
    EXPECT_EQ(requestedRuns, 1);
    card.runSelfTest(); // the requested run
    EXPECT_EQ(requestedRuns, 2);
    EXPECT_FALSE(dlg.finished());

    // Escape while the next run is pending only ends the continuous test.
    pressEscape(dlg.window());
    EXPECT_TRUE(dlg.isOpen());
    EXPECT_FALSE(dlg.continuousButton()->isChecked());
    card.runSelfTest();
    EXPECT_EQ(requestedRuns, 2);
    EXPECT_TRUE(dlg.finished());

    // Now it closes, and the next run makes a new window.
    QPointer<QDialog> old = dlg.window();
    pressEscape(dlg.window());
    EXPECT_FALSE(dlg.isOpen());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    card.runSelfTest();
    EXPECT_TRUE(dlg.isOpen());
    EXPECT_NE(dlg.window(), old.data());
}

TEST_F(Int41WindowTest, IndexesBeyondTheItemsAndTheWaitBarAtAHundredPercent) {
    CResultInt41TestDlg dlg(services);
    dlg.open();
    dlg.resetResults();
    dlg.setItemProgress(11, 50);
    dlg.setItemBits(11, "x", 1);
    dlg.setItemLabel(-1, "x");
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(dlg.item(i)->percent(), 0);
        EXPECT_FALSE(dlg.item(i)->showsBits());
    }
    dlg.setItemProgress(3, 50);
    const QImage half = dlg.item(3)->grab().toImage();
    EXPECT_GT(countColour(half, half.rect(), kBlue), 0);

    dlg.setWaitLabel("Wartezeit zu lang, Zeit-Test abgebrochen");
    dlg.setWaitProgress(50);
    CWaitTimeResult& wait = *dlg.waitResult();
    const QRect client = wait.contentsRect();
    EXPECT_GT(countColour(wait.grab().toImage(), client, Qt::white), 0);
    dlg.setWaitProgress(100);
    const QImage full = wait.grab().toImage();
    EXPECT_EQ(countColour(full, client, Qt::white), 0);
    EXPECT_EQ(countColour(full, client, kBlue), 0);
}

TEST(Usb860Window, VerdictAndClosingAtAnyTime) {
    QtInterfaceServices services;
    CResultUsb860TestDlg dlg(services);
    dlg.open();
    EXPECT_EQ(dlg.window()->windowTitle(), "USB860-Test");
    dlg.resetResults();
    dlg.setRunning();
    dlg.setItemBits(0, "Kartenadresse", 0);
    dlg.setItemBits(1, "Funktionsadresse", 0x30);
    dlg.setItemProgress(2, 70); // beyond the two items
    dlg.setError();
    EXPECT_EQ(dlg.verdictState(), 2);
    dlg.finishRun();
    EXPECT_EQ(dlg.verdictState(), 4);
    EXPECT_EQ(paintedBits(*dlg.item(1)), "GGRRGGGG");

    dlg.resetResults();
    dlg.setRunning();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dlg.window(), &escape);
    EXPECT_FALSE(dlg.isOpen());
    // The run goes on without a window.
    dlg.setItemBits(0, "Kartenadresse", 0);
    dlg.finishRun();
    EXPECT_EQ(dlg.verdictState(), 3);
}

// Each window is on the screen (exposed, so painted) as soon as open returns, before the
// test run goes on without the event loop; every verdict text fits its element.
TEST(ResultWindows, OpenPaintsAtOnceAndVerdictsFit) {
    QtInterfaceServices services;
    CResultInt41TestDlg int41(services);
    CResultUsb860TestDlg usb860(services);
    int41.open();
    usb860.open();
    for (CTestResult* verdict : {int41.verdict(), usb860.verdict()}) {
        SCOPED_TRACE(verdict->window()->windowTitle().toStdString());
        EXPECT_TRUE(verdict->window()->windowHandle()->isExposed());
        const int width = verdict->contentsRect().width();
        for (int state = 1; state <= 4; ++state) {
            const QString text = QString::fromStdString(verdictLook(state)->text);
            EXPECT_LE(QFontMetrics(verdict->verdictFont(state, width)).horizontalAdvance(text),
                      width)
                << text.toStdString();
        }
    }
}

// Boxes and captions sized to their texts: the about box shows its whole caption, and the
// warning before the USB860 self-test keeps its own line breaks (no line is broken again).
TEST(ResultWindows, TextsAreSizedToFit) {
    CAboutDlg about;
    about.show();
    EXPECT_GE(about.width(), captionWidth(about));
    about.close();

    QtInterfaceServices services;
    whenModal([](QWidget* modal) {
        auto* label = modal->findChild<QLabel*>("qt_msgbox_label");
        ASSERT_NE(label, nullptr);
        const QStringList lines = label->text().split('\n');
        for (const QString& line : lines) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(line), label->contentsRect().width())
                << line.toStdString();
        }
        qobject_cast<QMessageBox*>(modal)->reject();
    });
    EXPECT_FALSE(services.askOkCancel(kUsbSelfTestWarning));
}

TEST(TestResultWindow, ClosingHidesAndEmpties) {
    QWidget main;
    main.show();
    QtInterfaceServices services;
    services.setMainWindow(&main, nullptr);
    CTestResultWnd window(services);
    window.appendText("erster Code erwartet: 0x33, gelesen: 0x33\r\n");
    window.appendText("Test beendet\r\n");
    ASSERT_NE(window.window(), nullptr);
    EXPECT_EQ(window.window()->windowTitle(), "Test-Ablauf");
    EXPECT_TRUE(window.window()->windowHandle()->isExposed());
    // Owned by the main window: a dialog-type window (transient for it on the desktop),
    // without a task-bar entry of its own.
    EXPECT_EQ(window.window()->windowType(), Qt::Dialog);
    EXPECT_EQ(window.window()->windowHandle()->transientParent(), main.windowHandle());
    EXPECT_EQ(window.window()->width(), 400);
    EXPECT_EQ(window.text(), "erster Code erwartet: 0x33, gelesen: 0x33\nTest beendet\n");
    window.window()->close();
    EXPECT_TRUE(window.window()->isHidden());
    window.appendText("Test beendet\r\n");
    EXPECT_FALSE(window.window()->isHidden());
    EXPECT_EQ(window.text(), "Test beendet\n");
}

} // namespace
