#include "korvane/tool/gui/qt_interface_services.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>

#include <algorithm>

namespace korvane {

void QtInterfaceServices::setMainWindow(QWidget* window, std::function<void()> requestTestRun) {
    m_mainWindow = window;
    m_requestTestRun = std::move(requestTestRun);
}

bool QtInterfaceServices::showMessage(MessageFamily, const std::string& text) {
    QMessageBox::warning(m_mainWindow, kKorvaneTitle, QString::fromStdString(text));
    return true;
}

namespace {

// The text's own line breaks stand: the box is made as wide as its longest line, which it
// would otherwise break again at about half the screen's width.
void keepLinesWhole(QMessageBox& box) {
    auto* label = box.findChild<QLabel*>("qt_msgbox_label");
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (label == nullptr || grid == nullptr || grid->indexOf(label) < 0) {
        return;
    }
    int widest = 0;
    for (const QString& line : box.text().split('\n')) {
        widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
    }
    int row = 0;
    int column = 0;
    int rowSpan = 0;
    int columnSpan = 0;
    grid->getItemPosition(grid->indexOf(label), &row, &column, &rowSpan, &columnSpan);
    // (with room for the label's own margins)
    widest += 2 * label->fontMetrics().averageCharWidth();
    grid->addItem(new QSpacerItem(widest, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), column);
}

} // namespace

bool QtInterfaceServices::askOkCancel(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, kKorvaneTitle, QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, m_mainWindow);
    box.setDefaultButton(QMessageBox::Cancel);
    keepLinesWhole(box);
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

} // namespace korvane
