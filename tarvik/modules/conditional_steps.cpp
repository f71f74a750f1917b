#include "tarvik/modules/conditional_steps.h"

#include "tarvik/modules/module_text.h"

namespace tarvik {

void ConditionalSteps::add(std::string_view marker, bool dropWhenPresent) {
    m_markers.push_back({std::string(marker), dropWhenPresent});
}

void ConditionalSteps::takeMarkers(std::string& line) {
    for (const auto& marker : m_markers) {
        if (removeAll(line, marker.text) > 0 && marker.drop) {
            m_dropNext = true;
        }
    }
}

bool ConditionalSteps::endStep() {
    const bool drop = m_dropNext;
    m_dropNext = false;
    return drop;
}

CConditionalStepHandler::CConditionalStepHandler(int addedSteps) : m_addedSteps(addedSteps) {}

CConditionalStepHandler::CConditionalStepHandler(int addedSteps, bool ist, bool withCalMarker)
    : CConditionalStepHandler(addedSteps) {
    addCondition(StepMarker::ignoreIst, ist);
    if (withCalMarker) {
        addCondition(StepMarker::ignoreCal, !ist);
    }
}

bool CConditionalStepHandler::Prepare() {
    m_conditions.reset();
    return true;
}

int CConditionalStepHandler::GetAddedSteps(int) {
    return m_addedSteps;
}

void CConditionalStepHandler::OnDataLine(std::string& line) {
    m_conditions.takeMarkers(line);
}

void CConditionalStepHandler::OnEndStep(int, std::int64_t) {
    dropSteps(m_conditions.endStep());
}

} // namespace tarvik
