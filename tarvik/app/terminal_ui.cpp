#include "tarvik/app/terminal_ui.h"

#include <cstdio>
#include <ostream>

namespace tarvik {

TerminalUi::TerminalUi(std::ostream& err, bool answerYes, bool showProgress)
    : m_err(err), m_answerYes(answerYes), m_showProgress(showProgress) {}

void TerminalUi::endProgressLine() {
    if (m_lineOpen) {
        m_err << '\n';
        m_lineOpen = false;
    }
}

void TerminalUi::message(const std::string& text, Icon icon) {
    endProgressLine();
    m_err << (icon == Icon::Information ? "" : "Warnung: ") << text << '\n';
}

bool TerminalUi::question(const std::string& text, Buttons buttons) {
    endProgressLine();
    const bool ok = buttons == Buttons::OkCancel;
    const char* answer = m_answerYes ? (ok ? "OK" : "Ja") : (ok ? "Abbrechen" : "Nein");
    m_err << text << "\n-> " << answer << (m_answerYes ? " (--yes)" : " (Vorgabe)") << '\n';
    return m_answerYes;
}

void TerminalUi::setStep(const std::optional<std::string>& text, int percent) {
    if (text) {
        m_stepText = *text;
    }
    m_percent = percent;
    detailReport(0, 0);
}

void TerminalUi::detailReport(int done, int total) {
    if (!m_showProgress) {
        return;
    }
    char bar[32];
    if (total > 0) {
        std::snprintf(bar, sizeof bar, " (%d/%d)", done, total);
    } else {
        bar[0] = '\0';
    }
    // One line per step, rewritten in place while its detail bar moves.
    m_err << "\r\x1b[K[" << (m_percent < 10 ? "  " : m_percent < 100 ? " " : "") << m_percent
          << "%] " << m_stepText << bar << std::flush;
    m_lineOpen = true;
}

void TerminalUi::hideProgress() { endProgressLine(); }

} // namespace tarvik
