#include "korvane/tool/gui/qt_interface_services.h"

#include <QLabel>
#include <QMessageBox>

void QtInterfaceServices::setMainWindow(QWidget* window, std::function<void()> requestTestRun) {
    m_mainWindow = window;
    m_requestTestRun = std::move(requestTestRun);
}

bool QtInterfaceServices::showMessage(MessageFamily, const std::string& text) {
    QMessageBox::warning(m_mainWindow, kKorvaneTitle, QString::fromStdString(text));
    return true;
}

bool QtInterfaceServices::askOkCancel(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, kKorvaneTitle, QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, m_mainWindow);
    box.setDefaultButton(QMessageBox::Cancel);
    // The text's own line breaks stand; the box grows to its longest line instead of
    // breaking it again.
    if (auto* label = box.findChild<QLabel*>("qt_msgbox_label")) {
        label->setWordWrap(false);
    }
    return box.exec() == QMessageBox::Ok;
}

std::unique_ptr<Int41ResultWindow> QtInterfaceServices::makeInt41Window() {
    return std::make_unique<CResultInt41TestDlg>(*this);
}

std::unique_ptr<BitsResultWindow> QtInterfaceServices::makeUsb860Window() {
    return std::make_unique<CResultUsb860TestDlg>(*this);
}

std::unique_ptr<TextResultWindow> QtInterfaceServices::makeTextWindow() {
    return std::make_unique<CTestResultWnd>(*this);
}

void QtInterfaceServices::requestTestRun() {
    if (m_requestTestRun) {
        m_requestTestRun();
    }
}
