#include "tarvik/modules/zupa_fct_handler.h"

namespace tarvik {

CZupaFctHandler::CZupaFctHandler(int zupaMode) : m_zupaMode(zupaMode) {
    m_conditions.add(StepMarker::ignore5Vng, with5VSupply());
}

bool CZupaFctHandler::Prepare() {
    if (m_zupaMode == 0) {
        return false;
    }
    m_conditions.reset();
    return true;
}

int CZupaFctHandler::GetAddedSteps(int) {
    return with5VSupply() ? -1 : 0;
}

void CZupaFctHandler::OnDataLine(std::string& line) {
    ParseValueToken(m_ogValue, line, "OG", with5VSupply() ? "5VNG" : "ZUPA");
    m_conditions.takeMarkers(line);
}

void CZupaFctHandler::OnBodyLine(std::string& line) {
    ReplaceStatement(line, "  UPPER ", m_ogValue);
}

void CZupaFctHandler::OnEndStep(int, std::int64_t) {
    m_ogValue.clear();
    dropSteps(m_conditions.endStep());
}

} // namespace tarvik
