#include "tarvik/modules/norv_fct_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/logic_statements.h"
#include "tarvik/modules/module_text.h"

#include <algorithm>

namespace tarvik {

namespace {

enum Kind {
    kGroups = CardSteps::firstFree,
    kChannels,
};

// In search order: the first marker a data line holds gives the step its kind.
constexpr StepKindMarker kKindMarkers[] = {{"{TEST_CHANNELS}", kChannels},
                                           {"{TEST_GROUPS}", kGroups}};

} // namespace

CNorvFctHandler::CNorvFctHandler(std::vector<CNorvInfo> cards)
    : CardSectionHandler(CardFamilies::kNorv, std::move(cards), CardNumbering::derivedBlock(1000)) {
}

void CNorvFctHandler::selectCard() {
    m_loop.start(m_family.channels, card().channelBase);
}

// The first card writes every template step once plus the loop repetitions (28); each further
// card writes the card section again (every template step but the two outside it) with its
// loop.
int CNorvFctHandler::GetAddedSteps(int templateSteps) {
    const long long n = writtenCards();
    if (n == 0) {
        return 0;
    }
    return addedSteps(33 * n + (n - 1) * (templateSteps - 7LL) - 5, templateSteps);
}

void CNorvFctHandler::OnDataLine(std::string& line) {
    takeKind(line, kKindMarkers);
    replaceCardMarkers(line, kCardLoopMarkers, m_loop, {{"{l}", card().logicBase}});
}

void CNorvFctHandler::endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) {
    switch (kind) {
    case kChannels:
        endLoopChannelStep(m_loop, kGroups, stepNumber, stepStart);
        break;
    default: // group steps: only remembered
        break;
    }
}

// The first rule that applies: variable, bus address, group init value, matrix channel,
// digital pattern statements.
void CNorvFctHandler::OnBodyLine(std::string& line) {
    const CNorvInfo& norv = card();
    rewriteVariable(line, "  VARIABLE _NORV_", cardIndex()) ||
        rewriteInitValue(line, "238", 239 - m_loop.group()) ||
        rewriteSwitchOn(line, "  KVRCHANNEL", m_loop.globalChannel()) ||
        rewriteBusAddress(line, " ", cardBusAddress()) ||
        rewriteLogicStatement(
            line, {.firstChannel = norv.logicBase, .statementSet = norv.cardNumber - 1});
}

} // namespace tarvik
