#pragma once

// The generation run's user interface in the desktop program: message boxes with the run's
// texts, buttons and icons, and the progress window with the wait cursor. One object serves
// one run; destroying it removes the progress window and restores the cursor, however the
// run ended.

#include "tarvik/generation/user_interface.h"

#include <QMessageBox>
#include <QPointer>

class CProgressDlg;
class QWidget;

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
    CProgressDlg& progress();

    QWidget* m_parent;
    QPointer<CProgressDlg> m_progress;
    bool m_waitCursor = false;
};
