#pragma once

// Answers, in order, the windows that a test action opens: modal dialogs and message boxes
// (QApplication::activeModalWidget) and popup menus (QApplication::activePopupWidget). Arm
// the script before the action; each step waits for its window and acts on it from the
// event loop, so that an action may itself open the next window. A step whose window does
// not come within the time limit fails the test and closes whatever is open, so that
// nothing hangs.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <ostream>

class QMenu;
class QMessageBox;
class QWidget;

namespace tarvik {

class WindowScript : public QObject {
    Q_OBJECT

public:
    using Action = std::function<void(QWidget*)>;

    WindowScript();
    ~WindowScript() override;

    // The next modal window with this title.
    WindowScript& modal(const QString& title, Action action);
    // The next popup menu.
    WindowScript& popup(Action action);

    // Steps still waiting; 0 when all windows came and were answered.
    int pending() const { return static_cast<int>(m_steps.size()); }

private:
    struct Step {
        bool popup;
        QString title;
        Action action;
    };

    void poll();
    QWidget* candidate(const Step& step) const;
    void giveUp();

    std::deque<Step> m_steps;
    QTimer m_timer;
    QPointer<QWidget> m_lastHandled;
    int m_waitedMs = 0;
    bool m_acting = false;
};

// Clicks the button of a message box that carries this text.
void clickButton(QWidget* window, const QString& text);

// Triggers the entry of a popup menu with this text (the menu closes as after a click).
void chooseEntry(QWidget* menu, const QString& text);

// The text of a message box.
QString messageText(QWidget* window);

// Presses Escape in a window.
void pressEscape(QWidget* window);

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

} // namespace tarvik
