#include "tarvik/app/gui/progress_dlg.h"

#include "tarvik/app/progress_bar_state.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace tarvik {

namespace {

QProgressBar* newBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

} // namespace

CProgressDlg::CProgressDlg(QWidget* parent)
    : QDialog(parent), m_text(new QLabel("Statisch", this)), m_mainBar(newBar(this)),
      m_detailBar(newBar(this)) {
    setObjectName("progressDialog");
    setWindowTitle("Generierung");
    setModal(false);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_mainBar);
    layout->addWidget(m_detailBar);
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
}

QString CProgressDlg::text() const {
    return m_text->text();
}

void CProgressDlg::SetStep(const std::optional<QString>& text, int percent) {
    if (text) {
        m_text->setText(*text);
    }
    m_mainBar->setRange(0, 100);
    m_mainBar->setValue(std::clamp(percent, 0, 100));
    m_detailBar->setRange(0, 100);
    m_detailBar->setValue(0);
    show();
}

void CProgressDlg::detailReport(int done, int total) {
    const ProgressBarState state = progressBarState(done, total);
    m_detailBar->setRange(0, state.maximum);
    m_detailBar->setValue(state.value);
    show();
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    QApplication::beep();
}

void CProgressDlg::keyPressEvent(QKeyEvent* event) {
    // Escape would close a dialog; here it stops nothing either.
    if (event->key() == Qt::Key_Escape) {
        QApplication::beep();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tarvik
