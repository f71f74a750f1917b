#include "tarvik/modules/zupa_fct_handler.h"

namespace tarvik {

// The one step marked "{IGNORE_5VNG}" goes for the ZUPA with 5 V supply.
CZupaFctHandler::CZupaFctHandler(int zupaMode)
    : CConditionalStepHandler(with5VSupply(zupaMode) ? -1 : 0), m_zupaMode(zupaMode) {
    addCondition(StepMarker::ignore5Vng, with5VSupply());
}

// Without a ZUPA card the module stays as copied.
bool CZupaFctHandler::Prepare() {
    return m_zupaMode != 0 && CConditionalStepHandler::Prepare();
}

void CZupaFctHandler::OnDataLine(std::string& line) {
    ParseValueToken(m_ogValue, line, "OG", with5VSupply() ? "5VNG" : "ZUPA");
    CConditionalStepHandler::OnDataLine(line);
}

void CZupaFctHandler::OnBodyLine(std::string& line) {
    ReplaceStatement(line, "  UPPER ", m_ogValue);
}

void CZupaFctHandler::OnEndStep(int stepNumber, std::int64_t stepStart) {
    m_ogValue.clear();
    CConditionalStepHandler::OnEndStep(stepNumber, stepStart);
}

} // namespace tarvik
