#pragma once

// Test doubles for the front end of the interfaces: result windows that record every call,
// and a user that records messages and answers questions from a script.

#include "korvane/interfaces/message_guard.h"
#include "korvane/interfaces/result_window.h"

#include <memory>
#include <string>
#include <vector>

namespace korvane {

// Records every call as one text ("setItemBits 3 Systemadresse 0x4"); progress calls are
// counted instead, they are many.
class RecordingResultWindow : public Int41ResultWindow, public TextResultWindow {
public:
    explicit RecordingResultWindow(std::vector<std::string>& log) : m_log(log) {}

    bool isOpen() const override { return m_open; }
    void open() override;
    void resetResults() override;
    void setRunning() override;
    void setItemLabel(int index, const std::string& text) override;
    void setItemProgress(int index, int percent) override;
    void setItemBits(int index, const std::string& text, unsigned errorMask) override;
    void setError() override;
    void finishRun() override;
    void setWaitLabel(const std::string& text) override;
    void setWaitProgress(int percent) override;
    bool isOk() const override { return m_state == 3; }
    void pumpMessages() override { m_log.push_back("pumpMessages"); }
    bool offerContinuous() override;
    void requestNextRun() override { m_log.push_back("requestNextRun"); }
    void setFinished(bool finished) override;
    void appendText(const std::string& text) override { m_log.push_back(text); }

    // The user checks "Dauer".
    bool continuousChecked = false;
    int progressCalls = 0;
    int lastWaitPercent = -1;
    // Verdict: 0 reset, 1 running, 2 error while running, 3 OK, 4 failed.
    int state() const { return m_state; }

private:
    std::vector<std::string>& m_log;
    bool m_open = false;
    int m_state = 0;
};

class RecordingWindowFactory : public ResultWindowFactory {
public:
    std::unique_ptr<Int41ResultWindow> makeInt41Window() override;
    std::unique_ptr<BitsResultWindow> makeUsb860Window() override;
    std::unique_ptr<TextResultWindow> makeTextWindow() override;

    // The last window made, and how many were made.
    RecordingResultWindow* last = nullptr;
    int made = 0;
    std::vector<std::string> log;
};

class RecordingUser : public InterfaceUserInterface {
public:
    bool showMessage(MessageFamily family, const std::string& text) override;
    bool askOkCancel(const std::string& text) override;

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    bool answerOk = true;
    // False: a message box stays standing (as in a headless run).
    bool closesBoxes = true;
};

} // namespace korvane
