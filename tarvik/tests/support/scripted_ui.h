#pragma once

// A user interface for tests: records every text it is shown and answers questions from a
// script (Cancel/No when the script is used up).

#include "tarvik/generation/user_interface.h"

#include <deque>
#include <string>
#include <vector>

namespace tarvik {

class ScriptedUi : public UserInterface {
public:
    std::deque<bool> answers;
    std::vector<std::string> messages;  // "I: text" or "W: text"
    std::vector<std::string> questions;
    std::vector<std::string> steps;     // "text|percent"
    std::vector<std::string> events;    // everything in order
    int detailReports = 0;

    void message(const std::string& text, Icon icon) override {
        messages.push_back((icon == Icon::Information ? "I: " : "W: ") + text);
        events.push_back("message " + messages.back());
    }
    bool question(const std::string& text, Buttons) override {
        questions.push_back(text);
        events.push_back("question " + text);
        if (answers.empty()) {
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void setStep(const std::optional<std::string>& text, int percent) override {
        steps.push_back(text.value_or("") + "|" + std::to_string(percent));
        events.push_back("step " + steps.back());
    }
    void detailReport(int, int) override { ++detailReports; }
    void hideProgress() override { events.push_back("hide"); }
    void endProgress() override { events.push_back("end"); }
};

} // namespace tarvik
