#pragma once

// The desktop front end of korvane's start: the help box, the Ctrl key at start, and the main
// dialog with its message boxes and result windows. The QApplication is made only when one of
// these is needed and there is a display; without one, everything goes to the console front
// end (help on the output stream, no dialog), so that the unattended paths ("-exec", "--list",
// "--selftest") run without a display and never make a QApplication.

#include "korvane/tool/console_front_end.h"
#include "korvane/tool/gui/qt_interface_services.h"
#include "korvane/tool/korvane_app.h"

#include <QApplication>

#include <iosfwd>
#include <memory>

namespace korvane {

class QtKorvaneFrontEnd : public KorvaneFrontEnd {
public:
    // argc and argv must outlive the front end (QApplication keeps them). out and err take the
    // help text and the messages when there is no display.
    QtKorvaneFrontEnd(int& argc, char** argv, std::ostream& out, std::ostream& err);
    ~QtKorvaneFrontEnd() override;

    void showHelp(const std::string& text) override;
    bool ctrlHeldAtStart() override;
    InterfaceContext dialogContext() override;
    int runDialog(InterfaceList interfaces, const std::string& loadFile) override;

private:
    // The application, made on first need; none without a display.
    QApplication* application();

    int& m_argc;
    char** m_argv;
    ConsoleFrontEnd m_console;
    std::unique_ptr<QApplication> m_application;
    QtInterfaceServices m_services;
    bool m_ctrlAtStart = false;
};

} // namespace korvane
