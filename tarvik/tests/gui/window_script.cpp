#include "window_script.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

namespace tarvik {

namespace {

constexpr int kPollMs = 5;
constexpr int kPatienceMs = 10000;

} // namespace

WindowScript::WindowScript() {
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &WindowScript::poll);
    m_timer.start();
}

WindowScript::~WindowScript() {
    m_timer.stop();
    EXPECT_EQ(0, pending()) << "a window did not come: "
                            << (m_steps.empty() ? "" : m_steps.front().title.toStdString());
}

WindowScript& WindowScript::modal(const QString& title, Action action) {
    m_steps.push_back({false, title, std::move(action)});
    return *this;
}

WindowScript& WindowScript::popup(Action action) {
    m_steps.push_back({true, "popup", std::move(action)});
    return *this;
}

QWidget* WindowScript::candidate(const Step& step) const {
    QWidget* window =
        step.popup ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
    if (window == nullptr || !window->isVisible()) {
        return nullptr;
    }
    if (!step.popup && window->windowTitle() != step.title) {
        return nullptr;
    }
    return window;
}

void WindowScript::poll() {
    if (m_steps.empty() || m_acting) {
        return;
    }
    QWidget* window = candidate(m_steps.front());
    // The window answered last may still be open (a menu opened from the main dialog).
    if (window != nullptr && window == m_lastHandled) {
        window = nullptr;
    }
    if (window == nullptr) {
        m_waitedMs += kPollMs;
        if (m_waitedMs > kPatienceMs) {
            giveUp();
        }
        return;
    }
    m_waitedMs = 0;
    m_acting = true;
    Action action = std::move(m_steps.front().action);
    m_steps.pop_front();
    m_lastHandled = window;
    // Acting from the event loop and not from this timer keeps the script running when the
    // action opens the next window.
    QTimer::singleShot(0, this, [this, window = QPointer<QWidget>(window), action] {
        m_acting = false;
        if (window) {
            action(window);
        }
    });
}

void WindowScript::giveUp() {
    ADD_FAILURE() << "waited in vain for the window \"" << m_steps.front().title.toStdString()
                  << "\"";
    m_steps.clear();
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    while (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        if (QApplication::activeModalWidget() == modal) {
            modal->hide();
        }
    }
}

void clickButton(QWidget* window, const QString& text) {
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->text() == text && button->isVisible()) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button \"" << text.toStdString() << "\" in "
                  << window->windowTitle().toStdString();
    window->close();
}

void chooseEntry(QWidget* menuWidget, const QString& text) {
    auto* menu = qobject_cast<QMenu*>(menuWidget);
    ASSERT_NE(nullptr, menu);
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
    }
    ADD_FAILURE() << "no menu entry \"" << text.toStdString() << "\"";
    menu->close();
}

QString messageText(QWidget* window) {
    auto* box = qobject_cast<QMessageBox*>(window);
    return box != nullptr ? box->text() : QString("<no message box>");
}

void pressEscape(QWidget* window) {
    QTest::keyClick(window, Qt::Key_Escape);
}

} // namespace tarvik
