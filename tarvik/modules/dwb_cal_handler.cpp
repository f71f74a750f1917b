#include "tarvik/modules/dwb_cal_handler.h"

#include "tarvik/modules/card_statements.h"

namespace tarvik {

namespace {

enum Kind {
    kIstOnly = CardSteps::firstFree,
};

constexpr StepKindMarker kKindMarkers[] = {
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
    replaceMarker(line, "{c}", cardIndex());
}

void CDwbCalHandler::endStepOfKind(int kind, int, std::int64_t) {
    dropSteps(m_ist && kind == kIstOnly);
}

// The actual-value twin drops steps inside the card section: the written number of the card
// end sizes the block.
int CDwbCalHandler::cardEndNumber(int) const {
    return writtenNumber();
}

void CDwbCalHandler::OnBodyLine(std::string& line) {
    rewriteBusAddress(line, " 176", cardBusAddress());
}

} // namespace tarvik
