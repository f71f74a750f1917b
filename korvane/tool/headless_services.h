#pragma once

// What the bus interfaces see of the user in a run without a display: messages go to the
// error stream and stay "standing" (nobody closes them, so the guard drops later messages of
// the same family); questions are answered from the command line; self-test windows are
// printed as text.

#include "korvane/interfaces/interface_context.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace korvane {

class StreamUserInterface : public InterfaceUserInterface {
public:
    // okAnswer: how questions are answered.
    StreamUserInterface(std::ostream& err, bool okAnswer) : m_err(err), m_okAnswer(okAnswer) {}

    bool showMessage(MessageFamily family, const std::string& text) override;
    bool askOkCancel(const std::string& text) override;

private:
    std::ostream& m_err;
    bool m_okAnswer;
};

// How a printed self-test went, for the exit code.
struct PrintedSelfTest {
    bool opened = false;
    bool failed = false;
};

// Prints a self-test window: one line per finished item with its label and faulty bits, the
// wait-time texts and the verdict; text windows print their lines.
class TextResultPrinter : public Int41ResultWindow, public TextResultWindow {
public:
    TextResultPrinter(std::ostream& out, std::string title, PrintedSelfTest& outcome)
        : m_out(out), m_title(std::move(title)), m_outcome(outcome) {}

    bool isOpen() const override { return m_open; }
    void open() override;
    void resetResults() override {}
    void setRunning() override { m_error = false; }
    void setItemLabel(int, const std::string&) override {}
    void setItemProgress(int, int) override {}
    void setItemBits(int index, const std::string& text, unsigned errorMask) override;
    void setError() override;
    void finishRun() override;
    void setWaitLabel(const std::string& text) override;
    void setWaitProgress(int) override {}
    bool isOk() const override { return m_finished && !m_error; }
    void pumpMessages() override {}
    bool offerContinuous() override { return false; }
    void requestNextRun() override {}
    void setFinished(bool) override {}
    void appendText(const std::string& text) override;

private:
    std::ostream& m_out;
    std::string m_title;
    PrintedSelfTest& m_outcome;
    bool m_open = false;
    bool m_error = false;
    bool m_finished = false;
};

class TextResultPrinterFactory : public ResultWindowFactory {
public:
    explicit TextResultPrinterFactory(std::ostream& out) : m_out(out) {}

    std::unique_ptr<Int41ResultWindow> makeInt41Window() override;
    std::unique_ptr<BitsResultWindow> makeUsb860Window() override;
    std::unique_ptr<TextResultWindow> makeTextWindow() override;

    const PrintedSelfTest& outcome() const { return m_outcome; }

private:
    std::ostream& m_out;
    PrintedSelfTest m_outcome;
};

// A guard, a stream user and a printer factory bundled for one headless run.
class HeadlessServices {
public:
    HeadlessServices(std::ostream& out, std::ostream& err, bool okAnswer)
        : m_user(err, okAnswer), m_guard(m_user), m_windows(out) {}

    InterfaceContext context() { return InterfaceContext{m_guard, m_windows}; }
    MessageGuard& guard() { return m_guard; }
    const PrintedSelfTest& selfTest() const { return m_windows.outcome(); }

private:
    StreamUserInterface m_user;
    MessageGuard m_guard;
    TextResultPrinterFactory m_windows;
};

// "Bits 7, 0" style list of the faulty bits of a mask, highest first.
std::string faultyBitsText(unsigned errorMask);

} // namespace korvane
