#include "korvane/tool/gui/qt_front_end.h"

#include "common/desktop/qt_german.h"
#include "common/platform/display.h"

#include "korvane/tool/gui/korvane_dlg.h"
#include "korvane/tool/usb_adapter_finder.h"
#include "korvane/tool/usb_device_watch.h"

#include <QMessageBox>

namespace korvane {

QtKorvaneFrontEnd::QtKorvaneFrontEnd(int& argc, char** argv, std::ostream& out, std::ostream& err)
    : m_argc(argc), m_argv(argv), m_console(out, err, nullptr) {}

QtKorvaneFrontEnd::~QtKorvaneFrontEnd() = default;

QApplication* QtKorvaneFrontEnd::application() {
    if (!m_application && QCoreApplication::instance() == nullptr && kw::hasDisplay()) {
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
        kw::installQtGerman(*m_application);
    }
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

void QtKorvaneFrontEnd::showHelp(const std::string& text) {
    if (application() == nullptr) {
        m_console.showHelp(text);
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

// The interfaces may show message boxes while the list is built: with a display they are the
// dialog's, without one the console's.
InterfaceContext QtKorvaneFrontEnd::dialogContext() {
    return application() ? m_services.context() : m_console.dialogContext();
}

int QtKorvaneFrontEnd::runDialog(InterfaceList interfaces, const std::string& loadFile) {
    if (application() == nullptr) {
        return m_console.runDialog(std::move(interfaces), loadFile);
    }
    UsbAdapterFinderOnDevices finder(m_services.context());
    UsbDeviceWatch notices;
    CKorvaneDlg dialog(std::move(interfaces), m_services, m_ctrlAtStart, &finder, &notices);
    return dialog.run(loadFile);
}

} // namespace korvane
