#pragma once

// What the bus interfaces get from the desktop front end: modal message boxes for their error
// and time-out messages (through the message guard), the OK/Cancel question of the USB860
// self-test, and the Qt result windows. The object lives as long as the interfaces made with
// it; the main dialog makes itself known once it exists.

#include "korvane/interfaces/interface_context.h"
#include "korvane/tool/gui/result_windows.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace korvane {

class QtInterfaceServices : public InterfaceUserInterface,
                            public ResultWindowFactory,
                            public ResultWindowHost {
public:
    // mutexes: the adapters' system-wide mutexes (tests give private ones).
    explicit QtInterfaceServices(BusMutexes mutexes = BusMutexes::system())
        : m_guard(*this), m_mutexes(mutexes) {}

    InterfaceContext context() { return InterfaceContext(m_guard, *this, m_mutexes); }
    MessageGuard& guard() { return m_guard; }

    // The main dialog, and how a self-test run is requested from it.
    void setMainWindow(QWidget* window, std::function<void()> requestTestRun);

    bool showMessage(MessageFamily family, const std::string& text) override;
    bool askOkCancel(const std::string& text) override;

    std::unique_ptr<Int41ResultWindow> makeInt41Window() override;
    std::unique_ptr<BitsResultWindow> makeUsb860Window() override;
    std::unique_ptr<TextResultWindow> makeTextWindow() override;

    QWidget* mainWindow() override { return m_mainWindow; }
    void requestTestRun() override;

private:
    MessageGuard m_guard;
    BusMutexes m_mutexes;
    QPointer<QWidget> m_mainWindow;
    std::function<void()> m_requestTestRun;
};

// The title of korvane's message boxes.
inline constexpr const char* kKorvaneTitle = "Korvane";

} // namespace korvane
