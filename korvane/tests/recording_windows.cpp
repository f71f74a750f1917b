#include "recording_windows.h"

#include "korvane/interfaces/text_format.h"

namespace korvane {

void RecordingResultWindow::open() {
    m_log.push_back(m_open ? "open (already)" : "open");
    m_open = true;
}

void RecordingResultWindow::resetResults() {
    m_log.push_back("resetResults");
    m_state = 0;
}

void RecordingResultWindow::setRunning() {
    m_log.push_back("setRunning");
    m_state = 1;
}

void RecordingResultWindow::setItemLabel(int index, const std::string& text) {
    m_log.push_back("setItemLabel " + std::to_string(index) + " " + text);
}

void RecordingResultWindow::setItemProgress(int, int) {
    ++progressCalls;
}

void RecordingResultWindow::setItemBits(int index, const std::string& text, unsigned mask) {
    m_log.push_back("setItemBits " + std::to_string(index) + " " + text + " 0x" + formatHex(mask));
}

void RecordingResultWindow::setError() {
    m_log.push_back("setError");
    m_state = 2;
}

void RecordingResultWindow::finishRun() {
    m_log.push_back("finishRun");
    m_state = m_state == 2 ? 4 : 3;
}

void RecordingResultWindow::setWaitLabel(const std::string& text) {
    m_log.push_back("setWaitLabel " + text);
}

void RecordingResultWindow::setWaitProgress(int percent) {
    lastWaitPercent = percent;
}

bool RecordingResultWindow::offerContinuous() {
    m_log.push_back("offerContinuous");
    return continuousChecked;
}

void RecordingResultWindow::setFinished(bool finished) {
    m_log.push_back(finished ? "setFinished true" : "setFinished false");
}

std::unique_ptr<Int41ResultWindow> RecordingWindowFactory::makeInt41Window() {
    auto window = std::make_unique<RecordingResultWindow>(log);
    last = window.get();
    ++made;
    return window;
}

std::unique_ptr<BitsResultWindow> RecordingWindowFactory::makeUsb860Window() {
    return makeInt41Window();
}

std::unique_ptr<TextResultWindow> RecordingWindowFactory::makeTextWindow() {
    auto window = std::make_unique<RecordingResultWindow>(log);
    last = window.get();
    ++made;
    return window;
}

bool RecordingUser::showMessage(MessageFamily, const std::string& text) {
    messages.push_back(text);
    return closesBoxes;
}

bool RecordingUser::askOkCancel(const std::string& text) {
    questions.push_back(text);
    return answerOk;
}

} // namespace korvane
