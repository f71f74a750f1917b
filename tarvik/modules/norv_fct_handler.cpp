#include "tarvik/modules/norv_fct_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/logic_statements.h"
#include "tarvik/modules/module_text.h"

#include <algorithm>

namespace {

enum Kind {
    kCardBegin = 1,
    kGroups = 2,
    kChannels = 3,
    kCardEnd = 4,
};

// In search order: the first marker a data line holds gives the step its kind.
constexpr StepKindMarker kKindMarkers[] = {
    {"{TEST_CHANNELS}", kChannels},
    {"{TEST_GROUPS}", kGroups},
    {"{CARD_BEGIN}", kCardBegin},
    {"{CARD_END}", kCardEnd},
};

constexpr int kChannelsPerCard = 24;
constexpr std::array<int, 8> kBusAddress{128, 130, 132, 134, 136, 138, 140, 142};

} // namespace

CNorvFctHandler::CNorvFctHandler(std::vector<CNorvInfo> cards)
    : CardSectionHandler(std::move(cards), kMaxCards, CardNumbering::derivedBlock(1000)) {}

bool CNorvFctHandler::Prepare() {
    m_starts = StepStarts{};
    m_stepKind = 0;
    return startCards();
}

void CNorvFctHandler::selectCard() {
    m_loop.start(kChannelsPerCard, card().channelBase);
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
    if (const int kind = takeStepKind(line, kKindMarkers); kind != 0) {
        m_stepKind = kind;
    }
    kw::replaceMarker(line, "{c}", cardIndex());
    kw::replaceMarker(line, "{g}", m_loop.group());
    kw::replaceMarker(line, "{k}", m_loop.channel());
    kw::replaceMarker(line, "{s}", m_loop.globalChannel());
    kw::replaceMarker(line, "{l}", card().logicBase);
}

void CNorvFctHandler::OnEndStep(int stepNumber, std::int64_t stepStart) {
    m_starts.remember(m_stepKind, stepStart);
    switch (m_stepKind) {
    case kCardBegin:
        cardBegins(stepNumber, stepStart);
        break;
    case kChannels:
        endChannelStep(stepNumber, stepStart);
        break;
    case kCardEnd:
        // The first card's section sizes the block; every further card reads it again.
        cardEnds(stepNumber);
        break;
    default: // group steps: only remembered
        break;
    }
    m_stepKind = 0;
}

void CNorvFctHandler::endChannelStep(int stepNumber, std::int64_t stepStart) {
    const int repeatNumber = this->repeatNumber(stepNumber);
    if (const auto readFrom =
            m_loop.endChannelStep(stepStart, m_starts.find(kGroups), repeatNumber, m_nextNumber)) {
        SeekInput(*readFrom);
        return;
    }
    m_nextNumber = 0;
}

// The first rule that applies: variable, bus address, group init value, matrix channel,
// digital pattern statements.
void CNorvFctHandler::OnBodyLine(std::string& line) {
    const CNorvInfo& norv = card();
    if (line == "  VARIABLE _NORV_1") {
        line = "  VARIABLE _NORV_" + std::to_string(cardIndex());
    } else if (line.starts_with("  BUSSINITSTR {238}")) {
        line = "  BUSSINITSTR {" + std::to_string(239 - m_loop.group()) + "}";
    } else if (line.starts_with("  KVRCHANNEL")) {
        line = "  KVRCHANNEL" + std::to_string(m_loop.globalChannel()) + " 1";
    } else if (!kw::rewriteBusAddress(line, " ", familyValue(kBusAddress, norv.familyNumber))) {
        kw::rewriteLogicStatement(
            line, {.firstChannel = norv.logicBase, .statementSet = norv.cardNumber - 1});
    }
}
