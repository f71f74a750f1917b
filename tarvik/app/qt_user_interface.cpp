#include "tarvik/app/qt_user_interface.h"

#include "tarvik/app/progress_dlg.h"

#include <QApplication>
#include <QPushButton>

const char* const kMessageCaption = "Tarvik";

namespace {

// Boxes of a run show the normal cursor over the wait cursor of the run.
class ArrowCursorWhileOpen {
public:
    ArrowCursorWhileOpen() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowCursorWhileOpen() { QApplication::restoreOverrideCursor(); }
    ArrowCursorWhileOpen(const ArrowCursorWhileOpen&) = delete;
    ArrowCursorWhileOpen& operator=(const ArrowCursorWhileOpen&) = delete;
};

void addButton(QMessageBox& box, QMessageBox::StandardButton button, const char* text) {
    box.addButton(button)->setText(text);
}

} // namespace

bool showMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                    UserInterface::Buttons* buttons) {
    QMessageBox box(icon, kMessageCaption, text, QMessageBox::NoButton, parent);
    box.setObjectName("tarvikMessageBox");
    QMessageBox::StandardButton yes = QMessageBox::Ok;
    if (buttons == nullptr) {
        addButton(box, QMessageBox::Ok, "OK");
        box.setDefaultButton(QMessageBox::Ok);
    } else if (*buttons == UserInterface::Buttons::OkCancel) {
        addButton(box, QMessageBox::Ok, "OK");
        addButton(box, QMessageBox::Cancel, "Abbrechen");
        box.setDefaultButton(QMessageBox::Cancel);
    } else {
        yes = QMessageBox::Yes;
        addButton(box, QMessageBox::Yes, "Ja");
        addButton(box, QMessageBox::No, "Nein");
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    }
    ArrowCursorWhileOpen arrow;
    box.exec();
    return box.clickedButton() == box.button(yes);
}

QtUserInterface::QtUserInterface(QWidget* parent) : m_parent(parent) {}

QtUserInterface::~QtUserInterface() {
    endProgress();
}

void QtUserInterface::message(const std::string& text, Icon icon) {
    showMessageBox(m_parent, QString::fromStdString(text),
                   icon == Icon::Information ? QMessageBox::Information : QMessageBox::Warning,
                   nullptr);
}

bool QtUserInterface::question(const std::string& text, Buttons buttons) {
    // A question to confirm (OK/Abbrechen) carries the warning sign, a Yes/No question the
    // question mark.
    const auto icon = buttons == Buttons::OkCancel ? QMessageBox::Warning : QMessageBox::Question;
    return showMessageBox(m_parent, QString::fromStdString(text), icon, &buttons);
}

CProgressDlg* QtUserInterface::progressWindow() const {
    return m_progress;
}

CProgressDlg& QtUserInterface::progress() {
    if (!m_progress) {
        m_progress = new CProgressDlg(m_parent);
    }
    if (!m_waitCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursor = true;
    }
    return *m_progress;
}

void QtUserInterface::setStep(const std::optional<std::string>& text, int percent) {
    std::optional<QString> line;
    if (text) {
        line = QString::fromStdString(*text);
    }
    progress().SetStep(line, percent);
}

void QtUserInterface::detailReport(int done, int total) {
    progress().detailReport(done, total);
}

void QtUserInterface::hideProgress() {
    if (m_progress) {
        m_progress->hide();
    }
}

void QtUserInterface::endProgress() {
    delete m_progress;
    if (m_waitCursor) {
        QApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
}
