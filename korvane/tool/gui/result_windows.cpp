#include "korvane/tool/gui/result_windows.h"

#include "korvane/tool/gui/dialog_units.h"
#include "korvane/tool/gui/result_elements.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

namespace korvane {

namespace {

// The result windows stand 20 pixels inside the main window's top right corner.
constexpr int kInset = 20;

void placeInsideTopRight(QWidget& window, QWidget* mainWindow) {
    if (mainWindow == nullptr) {
        return;
    }
    const QRect main = mainWindow->frameGeometry();
    const int width = window.frameGeometry().width();
    window.move(main.x() + main.width() - kInset - width, main.y() + kInset);
}

// How long a newly shown window is waited for to come on the screen.
constexpr int kExposeWaitMs = 1000;

// Shows the window and paints it before the caller goes on. The self-tests run on this
// thread without returning to the event loop for long: a window that is only shown would
// reach the screen, and so be paintable, only after the run. Input waits meanwhile.
void showAndPaintNow(QWidget& window) {
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) &&
           waited.elapsed() < kExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(2);
    }
    window.repaint();
}

QGroupBox* group(QWidget* parent, const QString& title, const QRect& rect) {
    auto* box = new QGroupBox(title, parent);
    box->setGeometry(rect);
    return box;
}

template <typename Element> Element* element(QWidget* parent, const QRect& rect) {
    auto* created = new Element(parent);
    created->setGeometry(rect);
    return created;
}

} // namespace

// ---------------------------------------------------------------- ResultDialogWidget

ResultDialogWidget::ResultDialogWidget(QWidget* parent, const QString& title,
                                       std::function<void()> closeRequest)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_closeRequest(std::move(closeRequest)) {
    setWindowTitle(title);
    setModal(false);
}

void ResultDialogWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        m_closeRequest();
        return;
    }
    // Enter does not close a result window either.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        return;
    }
    QDialog::keyPressEvent(event);
}

void ResultDialogWidget::closeEvent(QCloseEvent* event) {
    // The owner closes the window itself when it may.
    event->ignore();
    m_closeRequest();
}

// ---------------------------------------------------------------- BitsResultDialogBase

template <typename Window> BitsResultDialogBase<Window>::~BitsResultDialogBase() {
    delete m_window.data();
}

template <typename Window> CBitsResult* BitsResultDialogBase<Window>::item(int index) const {
    if (m_window == nullptr || index < 0 || index >= static_cast<int>(m_items.size())) {
        return nullptr;
    }
    return m_items[index];
}

template <typename Window>
ResultDialogWidget* BitsResultDialogBase<Window>::newWindow(const QString& title, int widthUnits,
                                                            int heightUnits) {
    auto* window = new ResultDialogWidget(m_host.mainWindow(), title, [this] { closeRequested(); });
    const DialogUnits units(window->font());
    window->setFixedSize(units.x(widthUnits), units.y(heightUnits));
    return window;
}

template <typename Window> void BitsResultDialogBase<Window>::destroyWindow() {
    if (m_window == nullptr) {
        return;
    }
    ResultDialogWidget* window = m_window;
    m_window = nullptr;
    m_verdictElement = nullptr;
    window->hide();
    // The request may come from inside the window's own event handling.
    window->deleteLater();
}

template <typename Window> void BitsResultDialogBase<Window>::open() {
    if (m_window != nullptr) {
        return;
    }
    m_window = createWindow();
    placeInsideTopRight(*m_window, m_host.mainWindow());
    showAndPaintNow(*m_window);
}

template <typename Window> void BitsResultDialogBase<Window>::resetResults() {
    for (int i = 0; i < static_cast<int>(m_items.size()); ++i) {
        if (CBitsResult* result = item(i)) {
            result->reset();
            result->repaint();
        }
    }
    m_verdict.reset();
    if (m_verdictElement) {
        m_verdictElement->setState(m_verdict.state());
        m_verdictElement->repaint();
    }
}

template <typename Window> void BitsResultDialogBase<Window>::setRunning() {
    m_verdict.setRunning();
    if (m_verdictElement) {
        m_verdictElement->setState(m_verdict.state());
        m_verdictElement->update();
    }
}

template <typename Window>
void BitsResultDialogBase<Window>::setItemLabel(int index, const std::string& text) {
    if (index < 0 || index >= static_cast<int>(m_items.size())) {
        return;
    }
    if (pumpsOnLabel()) {
        QCoreApplication::processEvents();
    }
    if (CBitsResult* result = item(index)) {
        result->setLabel(QString::fromStdString(text));
        result->update();
    }
}

template <typename Window>
void BitsResultDialogBase<Window>::setItemProgress(int index, int percent) {
    if (CBitsResult* result = item(index)) {
        result->setPercent(percent);
        result->repaint();
    }
}

template <typename Window>
void BitsResultDialogBase<Window>::setItemBits(int index, const std::string& text,
                                               unsigned errorMask) {
    if (CBitsResult* result = item(index)) {
        result->setLabel(QString::fromStdString(text));
        result->showBits(errorMask);
        result->repaint();
    }
}

template <typename Window> void BitsResultDialogBase<Window>::setError() {
    m_verdict.setError();
    if (m_verdictElement) {
        m_verdictElement->setState(m_verdict.state());
        m_verdictElement->update();
    }
}

template <typename Window> void BitsResultDialogBase<Window>::finishRun() {
    m_verdict.finish();
    if (m_verdictElement) {
        m_verdictElement->setState(m_verdict.state());
        m_verdictElement->repaint();
    }
}

template class BitsResultDialogBase<Int41ResultWindow>;
template class BitsResultDialogBase<BitsResultWindow>;

// ---------------------------------------------------------------- CResultInt41TestDlg

ResultDialogWidget* CResultInt41TestDlg::createWindow() {
    ResultDialogWidget* window = newWindow("Int41-Test", 351, 215);
    const DialogUnits u(window->font());
    group(window, "Wartezeit", u.rect(7, 4, 214, 30));
    m_wait = element<CWaitTimeResult>(window, u.rect(14, 15, 200, 14));
    m_verdictElement = element<CTestResult>(window, u.rect(227, 6, 75, 28));
    m_continuous = new QPushButton("Dauer", window);
    m_continuous->setGeometry(u.rect(306, 12, 38, 16));
    m_continuous->setCheckable(true);
    m_continuous->setAutoDefault(false);
    m_continuous->hide();
    QObject::connect(m_continuous, &QPushButton::clicked,
                     [this](bool checked) { continuousClicked(checked); });
    group(window, "Einzelregister", u.rect(7, 38, 165, 170));
    for (int i = 0; i < 5; ++i) {
        m_items[i] = element<CBitsResult>(window, u.rect(14, 50 + i * 31, 151, 26));
    }
    group(window, "Unabhängigkeit", u.rect(179, 38, 165, 170));
    for (int i = 5; i < 11; ++i) {
        m_items[i] = element<CBitsResult>(window, u.rect(186, 50 + (i - 5) * 26, 151, 22));
    }
    return window;
}

void CResultInt41TestDlg::resetResults() {
    BitsResultDialogBase::resetResults();
    if (m_window && m_wait) {
        m_wait->setPercent(0);
        m_wait->setLabel(QString());
        m_wait->repaint();
    }
}

void CResultInt41TestDlg::setRunning() {
    m_finished = false;
    BitsResultDialogBase::setRunning();
}

void CResultInt41TestDlg::setError() {
    BitsResultDialogBase::setError();
    // A failed run ends a continuous test.
    if (m_window && m_continuous) {
        m_continuous->setChecked(false);
        m_continuous->hide();
    }
}

void CResultInt41TestDlg::setWaitLabel(const std::string& text) {
    if (m_window && m_wait) {
        m_wait->setLabel(QString::fromStdString(text));
        m_wait->update();
    }
}

void CResultInt41TestDlg::setWaitProgress(int percent) {
    if (m_window && m_wait && m_wait->percent() != percent) {
        m_wait->setPercent(percent);
        m_wait->repaint();
    }
}

void CResultInt41TestDlg::pumpMessages() {
    QCoreApplication::processEvents();
}

bool CResultInt41TestDlg::offerContinuous() {
    if (!m_window || !m_continuous) {
        return false;
    }
    m_continuous->show();
    return m_continuous->isChecked();
}

void CResultInt41TestDlg::continuousClicked(bool checked) {
    if (checked && m_verdict.isOk()) {
        requestNextRun();
    } else {
        m_continuous->setChecked(false);
    }
}

// While a run is under way (or the next one of a continuous test is pending) the window must
// stay: closing only ends the continuous test after the current run.
void CResultInt41TestDlg::closeRequested() {
    if (m_finished) {
        destroyWindow();
        m_wait = nullptr;
        m_continuous = nullptr;
    } else if (m_continuous) {
        m_continuous->setChecked(false);
    }
}

// ---------------------------------------------------------------- CResultUsb860TestDlg

ResultDialogWidget* CResultUsb860TestDlg::createWindow() {
    ResultDialogWidget* window = newWindow("USB860-Test", 284, 84);
    const DialogUnits u(window->font());
    group(window, "Adressierung", u.rect(7, 4, 180, 74));
    m_items[0] = element<CBitsResult>(window, u.rect(14, 16, 166, 26));
    m_items[1] = element<CBitsResult>(window, u.rect(14, 46, 166, 26));
    m_verdictElement = element<CTestResult>(window, u.rect(194, 20, 83, 40));
    return window;
}

// ---------------------------------------------------------------- CTestResultWnd

namespace {

// Closing the text window hides it and empties it; it is not destroyed. It is a dialog-type
// window of the main dialog: it stays above it and has no task-bar entry of its own.
class TextWindowWidget : public QWidget {
public:
    TextWindowWidget(QWidget* parent, QPlainTextEdit*& edit)
        : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
        setWindowTitle("Test-Ablauf");
        edit = new QPlainTextEdit(this);
        edit->setReadOnly(false);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(edit);
        m_edit = edit;
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        m_edit->clear();
        QWidget::closeEvent(event);
    }

private:
    QPlainTextEdit* m_edit;
};

} // namespace

CTestResultWnd::~CTestResultWnd() {
    delete m_window.data();
}

void CTestResultWnd::create() {
    QWidget* main = m_host.mainWindow();
    m_window = new TextWindowWidget(main, m_edit);
    m_window->resize(400, 200);
    if (main != nullptr) {
        // Beside the main window, as high as it.
        const QRect frame = main->frameGeometry();
        m_window->move(frame.x() + frame.width(), frame.y());
        m_window->resize(400, std::max(200, main->geometry().height()));
    }
}

void CTestResultWnd::appendText(const std::string& text) {
    if (m_window == nullptr) {
        create();
        showAndPaintNow(*m_window);
    }
    QString lines = QString::fromStdString(text);
    lines.replace("\r\n", "\n");
    QTextCursor cursor = m_edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    m_edit->setTextCursor(cursor);
    m_edit->ensureCursorVisible();
    m_edit->insertPlainText(lines);
    if (m_window->isHidden()) {
        showAndPaintNow(*m_window);
    }
    // The report is written while the test blocks the event loop: each line shows at once.
    m_edit->viewport()->repaint();
}

QString CTestResultWnd::text() const {
    return m_edit && m_window ? m_edit->toPlainText() : QString();
}

} // namespace korvane
