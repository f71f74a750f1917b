#include "tarvik/modules/dwb_cal_handler.h"

#include "tarvik/modules/card_statements.h"

namespace {

enum Kind { kCardBegin = 1, kCardEnd = 2, kIstOnly = 3 };

constexpr StepKindMarker kKindMarkers[] = {
    {"{CARD_BEGIN}", kCardBegin},
    {"{CARD_END}", kCardEnd},
    {"{IGNORE_IST}", kIstOnly},
};

// The template holds two steps outside the card section; each card section holds 15 steps
// that the actual-value twin leaves out.
constexpr int kStepsOutsideCards = 2;
constexpr int kIstSteps = 15;

} // namespace

CDwbCalHandler::CDwbCalHandler(std::vector<CDwbInfo> cards, bool ist)
    : CardSectionHandler(CardFamilies::kDwb, std::move(cards), CardNumbering::derivedBlock(1000)),
      m_ist(ist) {}

int CDwbCalHandler::GetAddedSteps(int templateSteps) {
    return repeatedSectionSteps(templateSteps, kStepsOutsideCards, m_ist ? kIstSteps : 0);
}

void CDwbCalHandler::OnDataLine(std::string& line) {
    takeKind(line, kKindMarkers);
    kw::replaceMarker(line, "{c}", cardIndex());
}

void CDwbCalHandler::endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) {
    if (kind == kCardBegin) {
        cardBegins(stepNumber, stepStart);
    } else if (kind == kCardEnd) {
        cardEnds(m_writtenNumber);
    }
    m_skipStep = m_ist && kind == kIstOnly;
}

void CDwbCalHandler::OnBodyLine(std::string& line) {
    kw::rewriteBusAddress(line, " 176", cardBusAddress());
}
