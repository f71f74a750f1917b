#include "korvane/tool/help_box.h"

#include <QApplication>
#include <QMessageBox>

void showHelpBox(const std::string& text) {
    int argc = 1;
    char name[] = "korvane";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QMessageBox::information(nullptr, QStringLiteral("Korvane"), QString::fromStdString(text));
}
