#include "tarvik/app/progress_dlg.h"

#include "tarvik/app/progress_bar_state.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

// Detail reports come after every written step, many thousands per module; painting at
// this pace is smooth without slowing the run down.
constexpr int kPaintIntervalMs = 30;

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
    // Closing it would not stop the run; the run removes it when it is over.
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
    showAndPaint(true);
}

void CProgressDlg::detailReport(int done, int total) {
    const ProgressBarState state = progressBarState(done, total);
    m_detailBar->setRange(0, state.maximum);
    m_detailBar->setValue(state.value);
    showAndPaint(false);
}

void CProgressDlg::showAndPaint(bool force) {
    if (!isVisible()) {
        show();
        force = true;
    }
    if (!force && m_sincePaint.isValid() && m_sincePaint.elapsed() < kPaintIntervalMs) {
        return;
    }
    m_sincePaint.start();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
