// The main dialog driven like a user: the questions after it opens, the right-click menus,
// the fields and "Generieren".

#include "tarvik/app/gui/browse_for_folder_dialog.h"
#include "tarvik/app/gui/caption_width.h"
#include "tarvik/app/gui/progress_dlg.h"
#include "tarvik/app/gui/qt_user_interface.h"
#include "tarvik/app/gui/tarvik_dlg.h"
#include "tarvik/app/gui/variant_dlg.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/generation_run.h"
#include "tarvik/generation/user_interface.h"

#include "window_script.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace tarvik;

namespace {

const QString kCaption = "Kontrollwerk SET 9.9";

// A program folder with both (empty) templates and a version file.
class ProgramFolder {
public:
    ProgramFolder() {
        QDir dir(m_dir.path());
        dir.mkdir("TM_SEL_TEMPLATE");
        dir.mkdir("TM_CAL_TEMPLATE");
        QFile version(dir.filePath("version.txt"));
        version.open(QIODevice::WriteOnly);
        version.write("SET 9.9\r\n");
    }
    RunInputs inputs() const {
        RunInputs inputs;
        inputs.setProgramFolder(m_dir.path().toStdString());
        inputs.targetDirectory = (m_dir.path() + "/Testmappen").toStdString();
        return inputs;
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

CSystemInfo manual(int type) {
    CSystemInfo system;
    system.setManual(type, false, false, false);
    return system;
}

QTreeWidget* list(QWidget* dialog) {
    return dialog->findChild<QTreeWidget*>("configurationList");
}

QTreeWidgetItem* row(QWidget* dialog, const QString& position) {
    const auto found = list(dialog)->findItems(position, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.front();
}

// A right click into a column of a row, or below the rows when there is no row.
void rightClick(QWidget* dialog, QTreeWidgetItem* item, int column) {
    QTreeWidget* tree = list(dialog);
    QPoint pos(tree->header()->sectionViewportPosition(column) + 3, tree->viewport()->height() - 3);
    if (item != nullptr) {
        pos.setY(tree->visualItemRect(item).center().y());
    }
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, tree->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(tree->viewport(), &event);
}

void answerXab(WindowScript& script, const QString& answer) {
    script.modal(kMessageCaption, [answer](QWidget* box) {
        EXPECT_EQ("Ist ein XAB-60V im System vorhanden?", messageText(box));
        EXPECT_EQ("Nein", qobject_cast<QMessageBox*>(box)->defaultButton()->text());
        clickButton(box, answer);
    });
}

// Clicks a button once it takes clicks again: right after the message that ended a run, the
// dialog is the active window while its controls stay locked until that run is over (a few
// milliseconds, longer under the sanitizers); a click before would be lost. At most 5 s.
void clickWhenEnabled(QPointer<QPushButton> button, int triesLeft = 500) {
    if (button == nullptr) {
        return;
    }
    if (button->isEnabled() || triesLeft == 0) {
        button->click();
        return;
    }
    QTimer::singleShot(10, button,
                       [button, triesLeft] { clickWhenEnabled(button, triesLeft - 1); });
}

// Types a project name into the main dialog and clicks "Generieren".
WindowScript::Action generateAs(const QString& name) {
    return [name](QWidget* main) {
        main->findChild<QLineEdit*>("projectName")->setText(name);
        clickWhenEnabled(main->findChild<QPushButton*>("generateButton"));
    };
}

// Keeps a message box's text and answers it with OK.
WindowScript::Action keepTextAndOk(QString& text) {
    return [&text](QWidget* box) {
        text = messageText(box);
        clickButton(box, "OK");
    };
}

QRadioButton* radio(QWidget* window, const QString& text) {
    for (QRadioButton* button : window->findChildren<QRadioButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    ADD_FAILURE() << "no radio button " << text.toStdString();
    return nullptr;
}

// Checks a variant dialog and chooses a variant (an empty text: Escape).
WindowScript::Action variant(const QString& line, const QString& choice, QWidget** owner) {
    return [line, choice, owner](QWidget* window) {
        auto* dialog = qobject_cast<CVariantDlg*>(window);
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(line, dialog->positionLine());
        auto* main = qobject_cast<CTarvikDlg*>(*owner);
        EXPECT_EQ(main->variantDialogPosition(), dialog->pos());
        // The card's row is highlighted while its question is open.
        const auto selected = list(main)->selectedItems();
        EXPECT_EQ(1, selected.size());
        EXPECT_EQ(line.section(' ', -1), selected.isEmpty() ? "" : selected.front()->text(0));
        QPushButton* ok = dialog->findChild<QPushButton*>();
        EXPECT_FALSE(ok->isEnabled());
        if (choice.isEmpty()) {
            pressEscape(dialog);
            return;
        }
        radio(dialog, choice)->click();
        clickButton(dialog, "OK");
    };
}

} // namespace

TEST(TarvikDlg, FirstShowAsksForEveryVariantInRowOrderThenForTheXab) {
    ProgramFolder folder;
    CSystemInfo system = manual(860);
    system.slots[1] = {CardType::Kvr860, 0, 0}; // P4
    system.slots[3] = {CardType::Fjn860, 0, 0}; // P6
    system.slots[5] = {CardType::Kvr860, 0, 0}; // P8
    CTarvikDlg dialog(system, folder.inputs(), {});
    QWidget* owner = &dialog;
    WindowScript script;
    script
        .modal("Auswahl der KVR860",
               variant("1. KVR860 in Position P4",
                       "KVR860 mit einem positiven und einem negativen Netzgerät", &owner))
        .modal("Auswahl der FJN860", variant("2. FJN860 in Position P6", "", &owner))
        .modal("Auswahl der KVR860",
               variant("3. KVR860 in Position P8", "KVR860 ohne Netzgeräte", &owner));
    answerXab(script, "Ja");
    script.modal(kCaption, [](QWidget* main) {
        EXPECT_TRUE(list(main)->selectedItems().isEmpty());
        EXPECT_EQ("NG +-", row(main, "P4")->text(2));
        EXPECT_EQ("", row(main, "P6")->text(2));
        EXPECT_EQ("ohne NG", row(main, "P8")->text(2));
        EXPECT_EQ("KVR_1", row(main, "P4")->text(3));
        EXPECT_EQ("FJN", row(main, "P6")->text(3).left(3));
        EXPECT_EQ("KVR_2", row(main, "P8")->text(3));
        EXPECT_TRUE(main->findChild<QLabel*>("xabLabel")->isVisible());
        clickButton(main, "Beenden");
    });
    EXPECT_EQ(QDialog::Rejected, dialog.exec());
    EXPECT_EQ(3, system.slots[1].extra);
    EXPECT_EQ(0, system.slots[3].extra);
    EXPECT_EQ(1, system.slots[5].extra);
    EXPECT_TRUE(system.hasXab60V);
}

TEST(TarvikDlg, SmallSystemsOpenWithoutQuestions) {
    ProgramFolder folder;
    for (const int type : {945, 930}) {
        CSystemInfo system = manual(type);
        system.slots[1] = {CardType::Sew, 0, 0};
        CTarvikDlg dialog(system, folder.inputs(), {});
        WindowScript script;
        script.modal(kCaption, [](QWidget* main) {
            EXPECT_EQ("SEW_1", row(main, "P1")->text(3)); // the fourth column is filled
            EXPECT_FALSE(main->findChild<QLabel*>("xabLabel")->isVisible());
            clickButton(main, "Beenden");
        });
        dialog.exec();
        EXPECT_FALSE(system.hasXab60V);
    }
}

TEST(TarvikDlg, CardAndUsageMenusUpdateTheRowAndTheSelbsttestColumn) {
    ProgramFolder folder;
    CSystemInfo system = manual(860);
    CTarvikDlg dialog(system, folder.inputs(), {});
    WindowScript script;
    answerXab(script, "Nein");
    script.modal(kCaption, [&script](QWidget* main) {
        EXPECT_EQ("", row(main, "P4")->text(1));
        script.popup([](QWidget* menu) { chooseEntry(menu, "KVR860 (NG++)"); });
        rightClick(main, row(main, "P4"), 1);
        EXPECT_EQ("KVR860", row(main, "P4")->text(1));
        EXPECT_EQ("NG ++", row(main, "P4")->text(2));
        EXPECT_EQ("KVR_1", row(main, "P4")->text(3));
        // The fourth column starts below its label "Selbsttest:".
        auto* dlg = qobject_cast<CTarvikDlg*>(main);
        EXPECT_EQ(dlg->moduleLabelOffset(), list(main)->header()->sectionViewportPosition(3));

        script.popup([](QWidget* menu) { chooseEntry(menu, "TQD"); });
        rightClick(main, row(main, "P4"), 3);
        EXPECT_EQ("TQD_1", row(main, "P4")->text(3));
        clickButton(main, "Beenden");
    });
    dialog.exec();
    EXPECT_EQ((CardInfo{CardType::Kvr860, 0, 2}), system.slots[1]);
}

// The keyboard reaches the same menus: Left and Right move the focus between the columns of
// the current row, and the menu key opens the menu of the focused column. Tab walks the
// controls as they stand on screen.
TEST(TarvikDlg, KeyboardMenusFollowTheFocusedColumnAndTabFollowsTheScreen) {
    ProgramFolder folder;
    CSystemInfo system = manual(860);
    CTarvikDlg dialog(system, folder.inputs(), {});
    WindowScript script;
    answerXab(script, "Nein");
    script.modal(kCaption, [&script](QWidget* main) {
        QTreeWidget* tree = list(main);
        tree->setFocus();
        tree->setCurrentItem(row(main, "P4"), 0);
        // What the platform sends for the menu key (or Shift+F10): a keyboard context menu
        // event at the focused cell, to the focus widget.
        const auto menuKey = [tree] {
            const QPoint at = tree->visualRect(tree->currentIndex()).center();
            QContextMenuEvent event(QContextMenuEvent::Keyboard, at, tree->mapToGlobal(at));
            QApplication::sendEvent(tree, &event);
        };
        script.popup([](QWidget* menu) { chooseEntry(menu, "KVR860 (NG++)"); });
        menuKey();
        EXPECT_EQ("KVR860", row(main, "P4")->text(1));
        for (int i = 0; i < 4; ++i) { // one more than needed: the last column stays
            QTest::keyClick(tree, Qt::Key_Right);
        }
        EXPECT_EQ(3, tree->currentIndex().column());
        script.popup([](QWidget* menu) { chooseEntry(menu, "TQD"); });
        menuKey();
        EXPECT_EQ("TQD_1", row(main, "P4")->text(3));
        QTest::keyClick(tree, Qt::Key_Left);
        EXPECT_EQ(2, tree->currentIndex().column());

        QStringList order;
        QWidget* widget = tree;
        for (int i = 0; i < 7; ++i) {
            widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isEnabled()) {
                widget = widget->nextInFocusChain();
            }
            order << widget->objectName();
        }
        // (the instrument buttons are disabled until "CAL-Test generieren" is checked)
        EXPECT_EQ(QStringList({"targetDirectory", "browseButton", "projectName", "generateCal",
                               "aboutButton", "generateButton", "quitButton"}),
                  order);
        // The about box shows its whole caption.
        script.modal("Info über Tarvik", [](QWidget* about) {
            EXPECT_GE(about->width(), captionWidth(*about));
            clickButton(about, "OK");
        });
        main->findChild<QPushButton*>("aboutButton")->click();
        clickButton(main, "Beenden");
    });
    dialog.exec();
}

TEST(TarvikDlg, PositionHinzufuegenOnTheEmptyAreaOf945) {
    ProgramFolder folder;
    CSystemInfo system = manual(945);
    CTarvikDlg dialog(system, folder.inputs(), {});
    WindowScript script;
    script.modal(kCaption, [&script](QWidget* main) {
        ASSERT_EQ(8, list(main)->topLevelItemCount());
        script.popup([](QWidget* menu) {
            EXPECT_EQ(1, menu->actions().size());
            chooseEntry(menu, "Position hinzufügen");
        });
        rightClick(main, nullptr, 0);
        ASSERT_EQ(9, list(main)->topLevelItemCount());
        EXPECT_EQ("P8", list(main)->topLevelItem(8)->text(0));
        EXPECT_EQ("", list(main)->topLevelItem(8)->text(1));
        clickButton(main, "Beenden");
    });
    dialog.exec();
    EXPECT_EQ(9, system.visibleCount());
}

TEST(TarvikDlg, InstrumentButtonsFollowTheCalCheckBox) {
    ProgramFolder folder;
    CSystemInfo system = manual(945);
    RunInputs seen;
    CTarvikDlg dialog(system, folder.inputs(),
                      [&seen](CSystemInfo&, const RunInputs& inputs, UserInterface&) {
                          seen = inputs;
                          return false;
                      });
    auto* cal = dialog.findChild<QCheckBox*>("generateCal");
    QRadioButton* keysight = radio(&dialog, "Keysight 3458A");
    QRadioButton* keithley = radio(&dialog, "Keithley 2000");
    EXPECT_TRUE(keysight->isChecked());
    EXPECT_FALSE(keysight->isEnabled());
    EXPECT_FALSE(keithley->isEnabled());
    cal->click();
    EXPECT_TRUE(keithley->isEnabled());
    keithley->click();
    cal->click();
    EXPECT_FALSE(keithley->isEnabled());
    EXPECT_TRUE(keithley->isChecked());
    dialog.findChild<QLineEdit*>("projectName")->setText("TM_ABC");
    dialog.findChild<QPushButton*>("generateButton")->click();
    EXPECT_FALSE(seen.generateCal);
    EXPECT_EQ(1, seen.instrument);
    EXPECT_EQ("TM_ABC", seen.projectName);
}

TEST(TarvikDlg, MissingTemplatesCloseTheDialogBeforeItShows) {
    QTemporaryDir empty;
    RunInputs inputs;
    inputs.setProgramFolder(empty.path().toStdString());
    CSystemInfo system = manual(860);
    CTarvikDlg dialog(system, inputs, {});
    WindowScript script;
    script
        .modal(kMessageCaption,
               [](QWidget* box) {
                   EXPECT_EQ("Die Vorlagen-Testmappe für den Selbsttest ist nicht vorhanden!",
                             messageText(box));
                   clickButton(box, "OK");
               })
        .modal(kMessageCaption, [](QWidget* box) {
            EXPECT_EQ("Die Vorlagen-Testmappe für die Kalibrierung ist nicht vorhanden!",
                      messageText(box));
            clickButton(box, "OK");
        });
    EXPECT_EQ(QDialog::Rejected, dialog.exec());
    EXPECT_FALSE(dialog.isVisible());
}

TEST(TarvikDlg, FolderChooserStartsAtTheFieldAndFillsIt) {
    ProgramFolder folder;
    QDir(folder.path()).mkpath("Testmappen/Neu");
    CSystemInfo system = manual(945);
    CTarvikDlg dialog(system, folder.inputs(), {});
    WindowScript script;
    script.modal("Geben Sie hier den Pfad zur Testmappe an.", [&folder](QWidget* window) {
        auto* chooser = qobject_cast<CBrowseForFolderDialog*>(window);
        ASSERT_NE(nullptr, chooser);
        EXPECT_EQ(folder.path() + "/Testmappen", chooser->selectedFolder());
        EXPECT_EQ(chooser->selectedFolder(), chooser->findChild<QLabel*>("selectionPath")->text());
        // The folders above it are opened and it is in sight once they have been read.
        auto* tree = chooser->findChild<QTreeView*>();
        EXPECT_TRUE(QTest::qWaitFor(
            [tree] {
                return tree->isExpanded(tree->currentIndex().parent()) &&
                       tree->viewport()->rect().contains(
                           tree->visualRect(tree->currentIndex()).center());
            },
            5000));
        // Its caption fits into the title bar.
        EXPECT_GE(chooser->width(), captionWidth(*chooser));
        chooser->selectFolder(folder.path() + "/Testmappen/Neu");
        clickButton(chooser, "OK");
    });
    dialog.findChild<QPushButton*>("browseButton")->click();
    EXPECT_EQ(folder.path() + "/Testmappen/Neu",
              dialog.findChild<QLineEdit*>("targetDirectory")->text());
    EXPECT_EQ(folder.path().toStdString() + "/Testmappen/Neu",
              dialog.model().inputs().targetDirectory.string());
}

// "Generieren" with the real run on the sample templates: an existing Testmappe is named in
// the question and replaced after OK, the success message comes, and the dialog closes.
TEST(TarvikDlg, GenerierenReplacesAnExistingTestmappeAfterOk) {
    QTemporaryDir target;
    const QString oldFile = target.path() + "/TM_BANK/alt.txt";
    QDir(target.path()).mkpath("TM_BANK");
    QFile(oldFile).open(QIODevice::WriteOnly);
    CSystemInfo system = manual(945);
    RunInputs inputs;
    inputs.setProgramFolder(KW_TEMPLATES_DIR);
    inputs.targetDirectory = target.path().toStdString();
    CTarvikDlg dialog(system, inputs, generateTestmappen);
    QString refused;
    QString question;
    QString done;
    WindowScript script;
    // A name that cannot be a folder is refused with its reason first.
    script.modal("Kontrollwerk 3.2.0", generateAs("BANK/2"))
        .modal(kMessageCaption, keepTextAndOk(refused))
        .modal("Kontrollwerk 3.2.0", generateAs("BANK"))
        .modal(kMessageCaption, keepTextAndOk(question))
        .modal(kMessageCaption, keepTextAndOk(done));
    EXPECT_EQ(QDialog::Accepted, dialog.exec());
    EXPECT_EQ(0, script.pending());
    EXPECT_EQ("Der Name der Testmappe darf keinen Schrägstrich (\"/\" oder \"\\\") enthalten!",
              refused);
    EXPECT_TRUE(question.contains("TM_BANK\" existiert bereits")) << question.toStdString();
    EXPECT_EQ("Die Selbsttest-Testmappen wurden erfolgreich generiert.", done);
    EXPECT_FALSE(QFile::exists(oldFile));
    EXPECT_TRUE(QFile::exists(target.path() + "/TM_BANK/tarvik.sysinfo"));
    EXPECT_TRUE(QFile::exists(target.path() + "/TM_BANK_IST/tarvik.sysinfo"));
}

// The run works on a worker thread: while it waits, the progress window is shown with its
// text and bars by the user-interface thread and the dialog is locked; the window refuses
// to close; the run's questions and messages come in order, each after the window has been
// hidden.
TEST(TarvikDlg, TheRunWorksBesideAPaintedProgressWindow) {
    ProgramFolder folder;
    CSystemInfo system = manual(945);
    std::atomic<bool> seen{false};
    std::vector<std::string> events;
    const auto starter = [&](CSystemInfo&, const RunInputs&, UserInterface& ui) {
        ui.setStep(std::string("Anlegen der Testmappe"), 40);
        ui.detailReport(3, 12);
        // The window is seen from the user-interface thread while this thread still runs.
        for (int waited = 0; !seen && waited < 5000; waited += 5) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        events.push_back(seen ? "shown while running" : "not shown");
        ui.hideProgress();
        events.push_back(ui.question("weiter?", UserInterface::Buttons::OkCancel) ? "OK" : "-");
        ui.message("fertig", UserInterface::Icon::Information);
        events.push_back("end");
        return true;
    };
    CTarvikDlg dialog(system, folder.inputs(), starter);
    WindowScript script;
    QTimer watch;
    script
        .modal(kCaption,
               [&](QWidget* main) {
                   QObject::connect(&watch, &QTimer::timeout, [&, main] {
                       auto* progress = main->findChild<CProgressDlg*>();
                       if (seen || progress == nullptr || !progress->isVisible()) {
                           return;
                       }
                       EXPECT_EQ("Anlegen der Testmappe", progress->text());
                       EXPECT_EQ(40, progress->mainBar()->value());
                       EXPECT_EQ(3, progress->detailBar()->value());
                       EXPECT_EQ(12, progress->detailBar()->maximum());
                       EXPECT_FALSE(main->findChild<QPushButton*>("quitButton")->isEnabled());
                       progress->close();
                       EXPECT_TRUE(progress->isVisible());
                       seen = true;
                   });
                   watch.start(5);
                   main->findChild<QPushButton*>("generateButton")->click();
               })
        .modal(kMessageCaption,
               [&](QWidget* box) {
                   auto* progress = box->parentWidget()->findChild<CProgressDlg*>();
                   EXPECT_TRUE(progress == nullptr || !progress->isVisible());
                   events.push_back(messageText(box).toStdString());
                   clickButton(box, "OK");
               })
        .modal(kMessageCaption, [&](QWidget* box) {
            events.push_back(messageText(box).toStdString());
            clickButton(box, "OK");
        });
    EXPECT_EQ(QDialog::Accepted, dialog.exec());
    EXPECT_EQ((std::vector<std::string>{"shown while running", "weiter?", "OK", "fertig", "end"}),
              events);
    EXPECT_EQ(nullptr, dialog.findChild<CProgressDlg*>());
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
}
