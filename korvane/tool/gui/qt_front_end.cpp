#include "korvane/tool/gui/qt_front_end.h"

#include "korvane/tool/gui/korvane_dlg.h"
#include "korvane/tool/usb_device_watch.h"

#include <QMessageBox>

#include <ostream>

QtKorvaneFrontEnd::QtKorvaneFrontEnd(int& argc, char** argv, std::ostream& out, std::ostream& err)
    : m_argc(argc), m_argv(argv), m_out(out), m_err(err) {}

QtKorvaneFrontEnd::~QtKorvaneFrontEnd() = default;

bool QtKorvaneFrontEnd::displayAvailable() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QApplication* QtKorvaneFrontEnd::application() {
    if (!m_application && QCoreApplication::instance() == nullptr && displayAvailable()) {
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
    }
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

void QtKorvaneFrontEnd::showHelp(const std::string& text) {
    if (application() == nullptr) {
        m_out << text << std::flush;
        return;
    }
    QMessageBox::information(nullptr, kKorvaneTitle, QString::fromStdString(text));
}

bool QtKorvaneFrontEnd::ctrlHeldAtStart() {
    if (application() == nullptr) {
        return false;
    }
    m_ctrlAtStart = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    return m_ctrlAtStart;
}

int QtKorvaneFrontEnd::runDialog(InterfaceList interfaces, const std::string& loadFile) {
    if (application() == nullptr) {
        m_err << "korvane: Keine Anzeige vorhanden (DISPLAY nicht gesetzt); ohne Anzeige laufen "
                 "nur -exec, --list und --selftest.\n";
        return kExitNoDisplay;
    }
    UsbDeviceWatch notices;
    CKorvaneDlg dialog(std::move(interfaces), m_services, m_ctrlAtStart, nullptr, &notices);
    return dialog.run(loadFile);
}
