#pragma once

// The generation run's user interface in the desktop program: message boxes with the run's
// texts, buttons and icons, and the progress window with the wait cursor. One object serves
// one run; destroying it removes the progress window and restores the cursor, however the
// run ended.
//
// The run may call it from a worker thread: every window is still touched only on the
// user-interface thread. Messages and questions are handed over there and the worker waits
// for the answer; progress reports only leave the newest state of the window behind and ask
// the user-interface thread to show it, so that a fast run neither waits for painting nor
// floods the event queue. Calls on the user-interface thread itself act at once.

#include "tarvik/generation/user_interface.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>

#include <mutex>

class QWidget;

namespace tarvik {

class CProgressDlg;

// The caption of tarvik's message boxes.
extern const char* const kMessageCaption;

// A message box with German buttons: OK; OK and Abbrechen (Abbrechen the default); Ja and
// Nein (Nein the default). True for OK or Ja.
bool showMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                    UserInterface::Buttons* buttons);

class QtUserInterface : public UserInterface {
public:
    explicit QtUserInterface(QWidget* parent);
    ~QtUserInterface() override;
    QtUserInterface(const QtUserInterface&) = delete;
    QtUserInterface& operator=(const QtUserInterface&) = delete;

    void message(const std::string& text, Icon icon) override;
    bool question(const std::string& text, Buttons buttons) override;
    void setStep(const std::optional<std::string>& text, int percent) override;
    void detailReport(int done, int total) override;
    void hideProgress() override;
    void endProgress() override;

    // The progress window while there is one (for tests and screenshots).
    CProgressDlg* progressWindow() const;

private:
    // What the progress window is to show.
    struct ProgressState {
        bool shown = false;
        std::optional<std::string> text; // none: the window's text stays
        int percent = 0;
        int detailDone = 0;
        int detailTotal = 0;
    };

    bool onUiThread() const;
    // Records the change and has it shown on the user-interface thread.
    template <typename Change> void changeProgress(Change change);
    void showProgressState();
    CProgressDlg& progress();

    QWidget* m_parent;
    QObject m_uiThread; // lives on the user-interface thread; calls are handed to it
    QPointer<CProgressDlg> m_progress;
    bool m_waitCursor = false;

    std::mutex m_stateMutex;
    ProgressState m_state;
    bool m_stateShowPending = false;
};

} // namespace tarvik
