#include "tarvik/app/gui/qt_user_interface.h"

#include "tarvik/app/gui/progress_dlg.h"

#include <QApplication>
#include <QPushButton>
#include <QThread>

namespace tarvik {

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

bool QtUserInterface::onUiThread() const {
    return QThread::currentThread() == m_uiThread.thread();
}

void QtUserInterface::message(const std::string& text, Icon icon) {
    const auto show = [&] {
        showMessageBox(m_parent, QString::fromStdString(text),
                       icon == Icon::Information ? QMessageBox::Information : QMessageBox::Warning,
                       nullptr);
    };
    if (onUiThread()) {
        show();
    } else {
        QMetaObject::invokeMethod(&m_uiThread, show, Qt::BlockingQueuedConnection);
    }
}

bool QtUserInterface::question(const std::string& text, Buttons buttons) {
    // A question to confirm (OK/Abbrechen) carries the warning sign, a Yes/No question the
    // question mark.
    const auto ask = [&] {
        const auto icon =
            buttons == Buttons::OkCancel ? QMessageBox::Warning : QMessageBox::Question;
        return showMessageBox(m_parent, QString::fromStdString(text), icon, &buttons);
    };
    if (onUiThread()) {
        return ask();
    }
    bool answer = false;
    QMetaObject::invokeMethod(&m_uiThread, ask, Qt::BlockingQueuedConnection, &answer);
    return answer;
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

// A question or message handed over later is queued behind the request posted here, so the
// window has its newest state (hidden, as the run hides it before asking) when the box opens.
template <typename Change> void QtUserInterface::changeProgress(Change change) {
    bool post = false;
    {
        std::lock_guard lock(m_stateMutex);
        change(m_state);
        if (!m_stateShowPending) {
            m_stateShowPending = true;
            post = true;
        }
    }
    if (onUiThread()) {
        showProgressState();
    } else if (post) {
        QMetaObject::invokeMethod(
            &m_uiThread, [this] { showProgressState(); }, Qt::QueuedConnection);
    }
}

void QtUserInterface::showProgressState() {
    ProgressState state;
    {
        std::lock_guard lock(m_stateMutex);
        state = m_state;
        m_stateShowPending = false;
    }
    if (!state.shown) {
        if (m_progress) {
            m_progress->hide();
        }
        return;
    }
    std::optional<QString> line;
    if (state.text) {
        line = QString::fromStdString(*state.text);
    }
    CProgressDlg& window = progress();
    window.SetStep(line, state.percent);
    window.detailReport(state.detailDone, state.detailTotal);
}

void QtUserInterface::setStep(const std::optional<std::string>& text, int percent) {
    changeProgress([&](ProgressState& state) {
        state.shown = true;
        if (text) {
            state.text = text;
        }
        state.percent = percent;
        // An empty detail bar of range 0 … 100.
        state.detailDone = 0;
        state.detailTotal = 100;
    });
}

void QtUserInterface::detailReport(int done, int total) {
    changeProgress([&](ProgressState& state) {
        state.shown = true;
        state.detailDone = done;
        state.detailTotal = total;
    });
}

void QtUserInterface::hideProgress() {
    changeProgress([](ProgressState& state) { state.shown = false; });
}

void QtUserInterface::endProgress() {
    {
        std::lock_guard lock(m_stateMutex);
        m_state = ProgressState{};
    }
    const auto end = [this] {
        delete m_progress;
        if (m_waitCursor) {
            QApplication::restoreOverrideCursor();
            m_waitCursor = false;
        }
    };
    if (onUiThread()) {
        end();
    } else {
        QMetaObject::invokeMethod(&m_uiThread, end, Qt::BlockingQueuedConnection);
    }
}

} // namespace tarvik
