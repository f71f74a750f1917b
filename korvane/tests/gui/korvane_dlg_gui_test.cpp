#include "korvane/tool/gui/korvane_dlg.h"

#include "korvane/tool/gui/action_list_ctrl.h"
#include "korvane/tool/gui/qt_front_end.h"
#include "korvane/tool/gui/qt_interface_services.h"
#include "korvane/tool/gui/up_down_control.h"

#include "fake_bus.h"
#include "gui_test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace korvane;

namespace {

// The dialog over a fake INT41-like bus, shown offscreen.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto bus = std::make_unique<FakeBus>("INT41 (Test)");
        bus->externalLog = &busLog;
        m_bus = bus.get();
        InterfaceList list;
        list.shown.push_back(std::move(bus));
        list.current = list.shown.front().get();
        dlg = std::make_unique<CKorvaneDlg>(std::move(list), services, false);
        ASSERT_FALSE(dlg->initialise("").has_value());
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        m_dir = fs::temp_directory_path() / ("korvane-gui-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        dlg.reset();
        fs::remove_all(m_dir);
    }

    // Types into a field as the user does, and leaves it with Tab.
    void enter(DialogField field, const QString& text) {
        QLineEdit* line = dlg->field(field);
        line->setFocus();
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key_Tab);
    }
    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Ends the label edit in progress with a key; the list takes the edit over once the
    // events have been handled.
    static void finishEdit(Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key);
        QApplication::processEvents();
    }

    std::vector<std::string> rows() {
        std::vector<std::string> lines;
        ActionListModel& actions = dlg->model().actions();
        for (int i = 0; i < actions.count(); ++i) {
            lines.push_back(actions.action(i).toText());
        }
        return lines;
    }
    // Answers the file dialog the next click opens with the path.
    static void answerFileDialog(const fs::path& path) {
        whenModal([path](QWidget* modal) {
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                files->selectFile(QString::fromStdString(path.string()));
                QMetaObject::invokeMethod(files, "accept");
            }
        });
    }

    QtInterfaceServices services;
    std::unique_ptr<CKorvaneDlg> dlg;
    std::vector<std::string> busLog;
    fs::path m_dir;
    FakeBus* m_bus = nullptr;
};

TEST_F(DialogTest, LayoutTitlesAndUpDownRanges) {
    EXPECT_EQ(dlg->windowTitle(), "Korvane");
    EXPECT_EQ(dlg->interfaceBox()->currentText(), "INT41 (Test)");
    EXPECT_EQ(dlg->settingsGroup()->title(), "Einstellungen");
    EXPECT_EQ(dlg->sequenceGroup()->title(), "Ablauf");
    EXPECT_EQ(dlg->field(DialogField::Delay)->text(), "10");
    EXPECT_FALSE(dlg->alternateBox()->isEnabled());
    EXPECT_FALSE(dlg->testButton()->isEnabled());
    EXPECT_EQ(dlg->upDown(DialogField::FunctionAddress)->maximum(), 15);
    EXPECT_EQ(dlg->upDown(DialogField::DataA)->maximum(), 255);
    EXPECT_FALSE(dlg->upDown(DialogField::DataB)->isHidden());

    // The arrow keys step within the range.
    QLineEdit* function = dlg->field(DialogField::FunctionAddress);
    function->setText("14");
    QTest::keyClick(function, Qt::Key_Up);
    QTest::keyClick(function, Qt::Key_Up);
    EXPECT_EQ(function->text(), "15");

    // Only the height can change; the bottom widgets follow it.
    const int width = dlg->width();
    const QRect list = dlg->actionList()->geometry();
    const QPoint load = dlg->loadButton()->pos();
    dlg->resize(width + 50, dlg->height() + 80);
    EXPECT_EQ(dlg->width(), width);
    EXPECT_EQ(dlg->actionList()->geometry().bottom(), list.bottom() + 80);
    EXPECT_EQ(dlg->actionList()->geometry().top(), list.top());
    EXPECT_EQ(dlg->loadButton()->pos(), load + QPoint(0, 80));
    dlg->resize(width, dlg->height() - 200);
    EXPECT_EQ(dlg->actionList()->geometry(), list);
}

TEST_F(DialogTest, SendAndReceiveThroughTheControls) {
    enter(DialogField::CardAddress, "5");
    enter(DialogField::FunctionAddress, "3");
    enter(DialogField::DataA, "170");
    click(dlg->sendAButton());
    EXPECT_EQ(busLog, std::vector<std::string>{"W 0 5 3 170"});
    EXPECT_FALSE(dlg->sendAButton()->isChecked());

    m_bus->memory[{0, 5, 4}] = 66;
    enter(DialogField::FunctionAddress, "4");
    click(dlg->receiveButton());
    EXPECT_EQ(busLog.back(), "R 0 5 4 66");
    EXPECT_EQ(dlg->field(DialogField::ReceivedValue)->text(), "66");
    EXPECT_FALSE(dlg->receiveButton()->isChecked());
}

TEST_F(DialogTest, OutOfRangeEntryIsRefusedWithItsMessage) {
    QString message;
    dlg->field(DialogField::CardAddress)->setText("64");
    answerMessageBox(&message);
    click(dlg->receiveButton());
    EXPECT_EQ(message, "Geben Sie eine ganze Zahl zwischen 0 und 63 ein.");
    EXPECT_TRUE(busLog.empty());
    EXPECT_EQ(dlg->field(DialogField::CardAddress)->text(), "63");
}

// A refused entry shows its message once, however the field is left; a button pressed to
// leave it is not left drawn pressed, and its action does not take place.
TEST_F(DialogTest, ARefusedEntryShowsOneMessage) {
    QStringList messages;
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&messages] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            messages << box->text();
            box->accept();
        }
    });
    boxes.start(5);
    struct Case {
        DialogField field;
        QString text;
        bool byButton; // left by pressing "Senden A", else by Tab
        QString message;
    } const cases[] = {
        {DialogField::CardAddress, "64", false, "Geben Sie eine ganze Zahl zwischen 0 und 63 ein."},
        {DialogField::Delay, "x", false, "Geben Sie eine positive ganze Zahl ein."},
        {DialogField::DataA, "abc", true, "Geben Sie eine ganze Zahl ein."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        messages.clear();
        dlg->field(c.field)->setText(c.text);
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        QLineEdit* left = dlg->field(DialogField::CardAddress);
        left->setFocus();
        if (c.byButton) {
            // Through the window, as the platform delivers a click: the focus moves first.
            QWindow* window = dlg->windowHandle();
            const QPoint at = dlg->sendAButton()->mapTo(dlg.get(), QPoint(5, 5));
            QTest::mousePress(window, Qt::LeftButton, {}, at);
            EXPECT_FALSE(dlg->sendAButton()->isDown());
            QTest::mouseRelease(window, Qt::LeftButton, {}, at);
        } else {
            QTest::keyClick(left, Qt::Key_Tab);
        }
        QTest::qWait(50);
        EXPECT_EQ(QStringList{c.message}, messages);
        EXPECT_TRUE(busLog.empty());
        dlg->field(c.field)->setText(c.field == DialogField::CardAddress ? "1" : "10");
        dlg->model().exchange(KorvaneDialogModel::Direction::Save);
    }
    // Ctrl+K in a field unlocks "Test" only; the field keeps its text.
    QLineEdit* card = dlg->field(DialogField::CardAddress);
    card->setFocus();
    card->home(false);
    QTest::keyClick(card, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(card->text(), "1");
}

TEST_F(DialogTest, RepeatedSendStoppedByEscape) {
    enter(DialogField::Delay, "2");
    enter(DialogField::DataA, "7");
    click(dlg->repeatBox());
    EXPECT_TRUE(dlg->alternateBox()->isEnabled());
    click(dlg->sendAButton());
    EXPECT_TRUE(dlg->sendAButton()->isChecked());
    EXPECT_TRUE(QTest::qWaitFor([&] { return busLog.size() >= 6; }, 5000));
    EXPECT_EQ(busLog.back(), "W 0 0 0 7");

    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible()); // Escape never closes the dialog
    EXPECT_FALSE(dlg->sendAButton()->isChecked());
    EXPECT_FALSE(dlg->ticker().isRunning());
    const std::size_t written = busLog.size();
    QTest::qWait(30);
    EXPECT_EQ(busLog.size(), written);
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(DialogTest, ActionsRecordedEditedDraggedSavedLoadedAndExecuted) {
    CActionListCtrl* list = dlg->actionList();
    enter(DialogField::CardAddress, "1");
    enter(DialogField::DataA, "11");
    click(dlg->newSendButton());
    // The new row's label is being edited: the name typed goes into the action.
    QTest::keyClicks(QApplication::focusWidget(), "Relais ein");
    finishEdit(Qt::Key_Return);
    enter(DialogField::CardAddress, "2");
    click(dlg->newReceiveButton());
    finishEdit(Qt::Key_Escape); // keeps "Neue Aktion"
    enter(DialogField::CardAddress, "3");
    enter(DialogField::DataA, "33");
    click(dlg->newSendButton());
    finishEdit(Qt::Key_Return);
    EXPECT_EQ(rows(),
              (std::vector<std::string>{"0,1,0,11,10; Relais ein", "0,2,0,?,10; Neue Aktion",
                                        "0,3,0,33,10; Neue Aktion"}));

    // F2 on the selected row renames it.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(1).center());
    EXPECT_EQ(dlg->settingsGroup()->title(), "Einstellungen (Neue Aktion)");
    EXPECT_EQ(dlg->field(DialogField::CardAddress)->text(), "2");
    QTest::keyClick(list, Qt::Key_F2);
    QTest::keyClicks(QApplication::focusWidget(), "Status");
    finishEdit(Qt::Key_Return);
    EXPECT_EQ(rows()[1], "0,2,0,?,10; Status");

    // Dragging row 0 onto row 2 puts it before that row.
    const QPoint from = list->rowRect(0).center();
    const QPoint to = list->rowRect(2).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(list->viewport(), from + QPoint(0, 12));
    EXPECT_TRUE(list->isDragging());
    QTest::mouseMove(list->viewport(), to);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, to);
    EXPECT_FALSE(list->isDragging());
    EXPECT_EQ(rows(), (std::vector<std::string>{"0,2,0,?,10; Status", "0,1,0,11,10; Relais ein",
                                                "0,3,0,33,10; Neue Aktion"}));
    EXPECT_EQ(dlg->model().actions().selectedIndex(), 2);

    const fs::path file = m_dir / "ablauf.txt";
    answerFileDialog(file);
    click(dlg->saveButton());
    std::ifstream saved(file, std::ios::binary);
    std::stringstream bytes;
    bytes << saved.rdbuf();
    EXPECT_EQ(bytes.str(), "0,2,0,?,10; Status\r\n0,1,0,11,10; Relais ein\r\n"
                           "0,3,0,33,10; Neue Aktion\r\n");
    EXPECT_EQ(dlg->sequenceGroup()->title(), "Ablauf (ablauf.txt)");

    // Delete removes the selected row and leaves none selected: no row is highlighted and
    // the title names none. Loading replaces the list with the file, likewise.
    EXPECT_EQ(dlg->settingsGroup()->title(), "Einstellungen (Neue Aktion)");
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(rows().size(), 2u);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(dlg->settingsGroup()->title(), "Einstellungen");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(1).center());
    EXPECT_EQ(dlg->settingsGroup()->title(), "Einstellungen (Relais ein)");
    answerFileDialog(file);
    click(dlg->loadButton());
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_EQ(list->topLevelItemCount(), 3);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(dlg->settingsGroup()->title(), "Einstellungen");

    m_bus->memory[{0, 2, 0}] = 99;
    busLog.clear();
    click(dlg->executeButton());
    EXPECT_EQ(busLog, (std::vector<std::string>{"R 0 2 0 99", "W 0 1 0 11", "W 0 3 0 33"}));
    EXPECT_EQ(list->topLevelItem(0)->text(1), "99");
    EXPECT_EQ(list->topLevelItem(1)->text(1), "0");
}

TEST_F(DialogTest, ClosingTheWindowEndsTheDialogWithZero) {
    QTimer::singleShot(0, dlg.get(), [this] { dlg->close(); });
    EXPECT_EQ(dlg->exec(), 0);
}

} // namespace

namespace {

// The program's start with the desktop front end, on the tests' offscreen application.
class DesktopStartTest : public ::testing::Test {
protected:
    int run(const std::vector<std::string>& arguments, bool withInterface) {
        int argc = 1;
        char name[] = "korvane";
        char* argv[] = {name, nullptr};
        QtKorvaneFrontEnd frontEnd(argc, argv, out, err);
        CKorvaneApp app(
            frontEnd,
            [withInterface](InterfaceContext, bool) {
                InterfaceList list;
                if (withInterface) {
                    list.shown.push_back(std::make_unique<FakeBus>("Usb860 (4711)"));
                    list.current = list.shown.front().get();
                }
                return list;
            },
            out, err);
        return app.run(arguments);
    }

    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(DesktopStartTest, TheDialogOpensWithTheLoadedFileAndEndsWithZero) {
    const fs::path file =
        fs::temp_directory_path() / ("korvane-start-" + std::to_string(::getpid()));
    std::ofstream(file, std::ios::binary) << "0,5,3,170,10; Relais ein\r\n";
    int rows = -1;
    QString title;
    whenModal([&](QWidget* modal) {
        if (auto* dlg = qobject_cast<CKorvaneDlg*>(modal)) {
            rows = dlg->actionList()->topLevelItemCount();
            title = dlg->sequenceGroup()->title();
            dlg->close();
        }
    });
    EXPECT_EQ(run({"-load", file.string()}, true), 0);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(title, "Ablauf");
    fs::remove(file);
}

TEST_F(DesktopStartTest, WithoutInterfaceTheWarningAndMinusOne) {
    QString message;
    answerMessageBox(&message);
    EXPECT_EQ(run({}, false), -1);
    EXPECT_EQ(message, "Kein Testsystem-Interface vorhanden!");
}

} // namespace
