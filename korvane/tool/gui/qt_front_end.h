#pragma once

// The desktop front end of korvane's start: the help box, the Ctrl key at start, and the main
// dialog with its message boxes and result windows. The QApplication is made only when one of
// these is needed, so that the unattended paths ("-exec", "--list", "--selftest") run without
// a display and never make one.

#include "korvane/tool/gui/qt_interface_services.h"
#include "korvane/tool/korvane_app.h"

#include <QApplication>

#include <iosfwd>
#include <memory>

class QtKorvaneFrontEnd : public KorvaneFrontEnd {
public:
    // The dialog cannot run without a display.
    static constexpr int kExitNoDisplay = 3;

    // argc and argv must outlive the front end (QApplication keeps them). out and err take the
    // help text and the messages when there is no display.
    QtKorvaneFrontEnd(int& argc, char** argv, std::ostream& out, std::ostream& err);
    ~QtKorvaneFrontEnd() override;

    void showHelp(const std::string& text) override;
    bool ctrlHeldAtStart() override;
    InterfaceContext dialogContext() override { return m_services.context(); }
    int runDialog(InterfaceList interfaces, const std::string& loadFile) override;

    // Whether a QApplication can be made: a window system is named in the environment (or a
    // Qt platform is chosen explicitly).
    static bool displayAvailable();

private:
    QApplication* application();

    int& m_argc;
    char** m_argv;
    std::ostream& m_out;
    std::ostream& m_err;
    std::unique_ptr<QApplication> m_application;
    QtInterfaceServices m_services;
    bool m_ctrlAtStart = false;
};
