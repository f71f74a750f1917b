// Qt's own texts as both programs show them after start: German when Qt's translation is
// there, Qt's English (and a program that still runs) when it is missing.

#include "common/desktop/qt_german.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

TEST(QtGerman, StandardTextsFollowTheTranslationFile) {
    const QTemporaryDir withoutTranslation;
    struct Row {
        QString folder;
        bool installed;
        std::string yes, no, cancel, replace;
    };
    const Row rows[] = {
        {withoutTranslation.path(), false, "&Yes", "&No", "Cancel",
         "%1 already exists.\nDo you want to replace it?"},
        {QString(), true, "&Ja", "&Nein", "Abbrechen",
         "Die Datei %1 existiert bereits.\nSoll sie überschrieben werden?"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder.toStdString());
        int argc = 1;
        char name[] = "desktop_tests";
        char* argv[] = {name, nullptr};
        QApplication application(argc, argv);
        EXPECT_EQ(row.installed, kw::installQtGerman(application, row.folder));
        const QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No |
                                   QDialogButtonBox::Cancel);
        EXPECT_EQ(row.yes, box.button(QDialogButtonBox::Yes)->text().toStdString());
        EXPECT_EQ(row.no, box.button(QDialogButtonBox::No)->text().toStdString());
        EXPECT_EQ(row.cancel, box.button(QDialogButtonBox::Cancel)->text().toStdString());
        EXPECT_EQ(row.replace,
                  QCoreApplication::translate("QFileDialog",
                                              "%1 already exists.\nDo you want to replace it?")
                      .toStdString());
    }
}
