#include "tarvik/app/gui/tarvik_app.h"

#include "common/desktop/qt_german.h"
#include "common/files/file_ops.h"
#include "tarvik/app/gui/program_icon.h"
#include "tarvik/app/gui/qt_user_interface.h"
#include "tarvik/app/gui/systype_dlg.h"
#include "tarvik/app/gui/tarvik_dlg.h"
#include "tarvik/app/template_folder.h"

#include <QApplication>

namespace tarvik {

CTarvikApp::CTarvikApp(RunInputs inputs, GenerationStarter starter)
    : m_inputs(std::move(inputs)), m_starter(std::move(starter)) {}

int CTarvikApp::run(const CTarvikCommandLineInfo& commandLine, HardwareSearch& hardware) {
    return runStartSequence(commandLine, hardware, *this);
}

bool CTarvikApp::askYesNo(const char* text) {
    UserInterface::Buttons yesNo = UserInterface::Buttons::YesNo;
    return showMessageBox(nullptr, QString::fromUtf8(text), QMessageBox::Question, &yesNo);
}

SystemChoice CTarvikApp::chooseSystem() {
    CSystypeDlg dialog;
    dialog.setWindowIcon(programIcon());
    dialog.exec();
    return dialog.choice();
}

void CTarvikApp::runMainDialog(CSystemInfo& system) {
    CTarvikDlg dialog(system, m_inputs, m_starter);
    dialog.exec();
}

int runTarvikGui(int& argc, char** argv, const CTarvikCommandLineInfo& commandLine,
                 HardwareSearch& hardware, GenerationStarter starter) {
    // QApplication also sets the C library's locale to the user's; the files the run writes
    // do not depend on it.
    QApplication application(argc, argv);
    kw::installQtGerman(application);
    QApplication::setApplicationName("tarvik");
    QApplication::setDesktopFileName("tarvik");
    QApplication::setWindowIcon(programIcon());
    CTarvikApp app(initialRunInputs(templateFolder(kw::programFolder())), std::move(starter));
    return app.run(commandLine, hardware);
}

} // namespace tarvik
