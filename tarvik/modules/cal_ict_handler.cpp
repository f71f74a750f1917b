#include "tarvik/modules/cal_ict_handler.h"

namespace tarvik {

namespace {

// Steps of the sample and installed template marked "{IGNORE_IST}".
constexpr int kIstSteps = -2;

} // namespace

CCalIctHandler::CCalIctHandler(int systemType, bool ist, bool with3458)
    : CTemplateFileHandler(systemType), m_ist(ist) {
    m_conditions.add(StepMarker::ignoreIst, ist);
    m_conditions.add(StepMarker::ignore3458, with3458);
}

bool CCalIctHandler::Prepare() {
    m_conditions.reset();
    return true;
}

// Only the actual-value steps are announced; a 3458 step that goes is corrected by the count
// patch at the end.
int CCalIctHandler::GetAddedSteps(int) {
    return m_ist ? kIstSteps : 0;
}

void CCalIctHandler::OnDataLine(std::string& line) {
    parseStepValues(line, {{&m_tNominal, "TSW", m_selector},
                           {&m_tLower, "TUG", m_selector},
                           {&m_tUpper, "TOG", m_selector}});
    m_conditions.takeMarkers(line);
}

void CCalIctHandler::OnBodyLine(std::string& line) {
    CTemplateFileHandler::OnBodyLine(line);
    ReplaceStatement(line, "  TVALUE ", m_tNominal) ||
        ReplaceStatement(line, "  TLOWER ", m_tLower) ||
        ReplaceStatement(line, "  TUPPER ", m_tUpper);
}

void CCalIctHandler::OnEndStep(int stepNumber, std::int64_t stepStart) {
    CTemplateFileHandler::OnEndStep(stepNumber, stepStart);
    m_tNominal.clear();
    m_tLower.clear();
    m_tUpper.clear();
    dropSteps(m_conditions.endStep());
}

} // namespace tarvik
