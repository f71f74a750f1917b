// The choice dialogs, the progress window and the message boxes of a run.

#include "tarvik/app/gui/progress_dlg.h"
#include "tarvik/app/gui/qt_user_interface.h"
#include "tarvik/app/gui/systype_dlg.h"
#include "tarvik/app/gui/tarvik_app.h"

#include "window_script.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

QRadioButton* radio(QWidget* window, const QString& text) {
    for (QRadioButton* button : window->findChildren<QRadioButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    ADD_FAILURE() << "no radio button " << text.toStdString();
    return nullptr;
}

QCheckBox* box(QWidget* window, const char* name) {
    return window->findChild<QCheckBox*>(name);
}

QPushButton* okButton(QWidget* window) {
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->text() == "OK") {
            return button;
        }
    }
    return nullptr;
}

CTarvikApp app() {
    return CTarvikApp(RunInputs{}, {});
}

} // namespace

TEST(SystypeDlg, EnablingRulesAndUkprqKeepingTheBoxes) {
    WindowScript script;
    script.modal("Systemauswahl", [](QWidget* dialog) {
        EXPECT_FALSE(okButton(dialog)->isEnabled());
        EXPECT_FALSE(box(dialog, "expansion1")->isEnabled());
        EXPECT_FALSE(box(dialog, "expansion2")->isEnabled());
        radio(dialog, "KPRQ860")->click();
        EXPECT_TRUE(okButton(dialog)->isEnabled());
        EXPECT_TRUE(box(dialog, "expansion1")->isEnabled());
        EXPECT_FALSE(box(dialog, "expansion2")->isEnabled());
        box(dialog, "expansion1")->click();
        EXPECT_TRUE(box(dialog, "expansion2")->isEnabled());
        box(dialog, "expansion2")->click();
        radio(dialog, "UKPRQ")->click();
        EXPECT_FALSE(box(dialog, "expansion1")->isEnabled());
        EXPECT_FALSE(box(dialog, "expansion2")->isEnabled());
        EXPECT_TRUE(box(dialog, "expansion1")->isChecked());
        EXPECT_TRUE(box(dialog, "expansion2")->isChecked());
        okButton(dialog)->click();
    });
    const SystemChoice choice = app().chooseSystem();
    EXPECT_EQ(SystemKind::Ukprq, choice.choice);
    EXPECT_TRUE(choice.expansion1); // as the boxes stand; the configuration ignores them
    EXPECT_TRUE(choice.expansion2);
}

TEST(SystypeDlg, EscapeLeavesWithoutAChoice) {
    WindowScript script;
    script.modal("Systemauswahl", [](QWidget* dialog) {
        EXPECT_EQ("Für welchen Systemtyp soll der Selbsttest generiert werden?",
                  dialog->findChild<QLabel*>()->text());
        radio(dialog, "PRQ990")->click();
        box(dialog, "expansion1")->click();
        pressEscape(dialog);
    });
    const SystemChoice choice = app().chooseSystem();
    EXPECT_EQ(SystemKind::None, choice.choice);
    EXPECT_FALSE(choice.expansion1);
}

TEST(StartQuestion, NoIsTheDefaultAnswer) {
    WindowScript script;
    script.modal(kMessageCaption, [](QWidget* window) {
        auto* messageBox = qobject_cast<QMessageBox*>(window);
        ASSERT_NE(nullptr, messageBox);
        EXPECT_EQ(QString::fromUtf8(kNoSystemQuestion), messageBox->text());
        EXPECT_EQ("Nein", messageBox->defaultButton()->text());
        EXPECT_EQ(QMessageBox::Question, messageBox->icon());
        QTest::keyClick(window, Qt::Key_Return);
    });
    EXPECT_FALSE(app().askYesNo(kNoSystemQuestion));
}

TEST(ProgressDlg, StepsAndDetailReports) {
    CProgressDlg progress;
    EXPECT_EQ("Statisch", progress.text());
    EXPECT_EQ("Generierung", progress.windowTitle());
    progress.SetStep(QString("Anlegen der Testsystem-Selbsttest-Testmappe"), 10);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(10, progress.mainBar()->value());
    progress.detailReport(3, 12);
    EXPECT_EQ(12, progress.detailBar()->maximum());
    EXPECT_EQ(3, progress.detailBar()->value());
    progress.SetStep(std::nullopt, 20); // the text stays, the detail bar empties
    EXPECT_EQ("Anlegen der Testsystem-Selbsttest-Testmappe", progress.text());
    EXPECT_EQ(0, progress.detailBar()->value());
    EXPECT_EQ(100, progress.detailBar()->maximum());
    progress.detailReport(0, 0); // an empty range shows nothing (no busy indicator)
    EXPECT_LT(progress.detailBar()->minimum(), progress.detailBar()->maximum());
    EXPECT_EQ(0, progress.detailBar()->value());
}

TEST(QtUserInterface, QuestionsMessagesAndTheProgressWindow) {
    QWidget parent;
    auto ui = std::make_unique<QtUserInterface>(&parent);
    ui->setStep("Vorbereitung", 0);
    QPointer<CProgressDlg> progress = ui->progressWindow();
    ASSERT_TRUE(progress);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(Qt::WaitCursor, QApplication::overrideCursor()->shape());

    WindowScript script;
    script
        .modal(kMessageCaption,
               [](QWidget* window) {
                   auto* messageBox = qobject_cast<QMessageBox*>(window);
                   EXPECT_EQ("Abbrechen", messageBox->defaultButton()->text());
                   EXPECT_EQ(Qt::ArrowCursor, QApplication::overrideCursor()->shape());
                   clickButton(window, "OK");
               })
        .modal(kMessageCaption,
               [](QWidget* window) {
                   EXPECT_EQ(QMessageBox::Information, qobject_cast<QMessageBox*>(window)->icon());
                   EXPECT_EQ("fertig", messageText(window));
                   clickButton(window, "OK");
               })
        .modal(kMessageCaption, [](QWidget* window) { pressEscape(window); });
    ui->hideProgress();
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(ui->question("Löschen?", UserInterface::Buttons::OkCancel));
    ui->message("fertig", UserInterface::Icon::Information);
    EXPECT_FALSE(ui->question("Ja?", UserInterface::Buttons::YesNo)); // Escape gives No
    ui.reset();
    EXPECT_FALSE(progress); // destroyed with the run's interface
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
}
