#pragma once

// The user interface of the headless front end: message and question texts go to the error
// stream; questions are answered with their default button (Cancel, No) unless the user
// said yes in advance; progress is shown only when the error stream is a terminal.

#include "tarvik/generation/user_interface.h"

#include <iosfwd>

namespace tarvik {

class TerminalUi : public UserInterface {
public:
    TerminalUi(std::ostream& err, bool answerYes, bool showProgress);

    void message(const std::string& text, Icon icon) override;
    bool question(const std::string& text, Buttons buttons) override;
    void setStep(const std::optional<std::string>& text, int percent) override;
    void detailReport(int done, int total) override;
    void hideProgress() override;

private:
    void endProgressLine();

    std::ostream& m_err;
    bool m_answerYes;
    bool m_showProgress;
    std::string m_stepText;
    int m_percent = 0;
    bool m_lineOpen = false;
};

} // namespace tarvik
