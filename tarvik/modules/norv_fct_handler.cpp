#include "tarvik/modules/norv_fct_handler.h"

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
    : m_cards(std::move(cards), kMaxCards) {}

bool CNorvFctHandler::Prepare() {
    if (m_cards.empty()) {
        return false;
    }
    m_cards.selectFirst();
    selectCard();
    m_starts = StepStarts{};
    m_stepKind = 0;
    return true;
}

void CNorvFctHandler::selectCard() {
    m_loop.start(kChannelsPerCard, m_cards.current().channelBase);
}

// The first card writes every template step once plus the loop repetitions (28); each further
// card writes the card section again (every template step but the two outside it) with its
// loop.
int CNorvFctHandler::GetAddedSteps(int templateSteps) {
    const long long n = std::min(m_cards.size(), kMaxCards);
    if (n == 0) {
        return 0;
    }
    const long long added = 33 * n + (n - 1) * (templateSteps - 7LL) - 5;
    return static_cast<int>(std::clamp<long long>(added, INT_MIN, INT_MAX));
}

void CNorvFctHandler::OnDataLine(std::string& line) {
    if (const int kind = takeStepKind(line, kKindMarkers); kind != 0) {
        m_stepKind = kind;
    }
    kw::replaceAll(line, "{c}", std::to_string(m_cards.index()));
    kw::replaceAll(line, "{g}", std::to_string(m_loop.group()));
    kw::replaceAll(line, "{k}", std::to_string(m_loop.channel()));
    kw::replaceAll(line, "{s}", std::to_string(m_loop.globalChannel()));
    kw::replaceAll(line, "{l}", std::to_string(m_cards.current().logicBase));
}

void CNorvFctHandler::OnEndStep(int stepNumber, std::int64_t stepStart) {
    m_starts.remember(m_stepKind, stepStart);
    switch (m_stepKind) {
    case kCardBegin:
        m_numbering.cardBegins(stepNumber);
        break;
    case kChannels:
        endChannelStep(stepNumber, stepStart);
        break;
    case kCardEnd:
        endCard(stepNumber);
        break;
    default: // group steps: only remembered
        break;
    }
    m_stepKind = 0;
}

void CNorvFctHandler::endChannelStep(int stepNumber, std::int64_t stepStart) {
    const int repeatNumber = m_numbering.repeatNumber(stepNumber, m_cards.index());
    if (const auto readFrom =
            m_loop.endChannelStep(stepStart, m_starts.find(kGroups), repeatNumber, m_nextNumber)) {
        SeekInput(*readFrom);
        return;
    }
    m_nextNumber = 0;
}

// The first card's section sizes the block; every further card reads the section again.
void CNorvFctHandler::endCard(int stepNumber) {
    m_numbering.cardEnds(stepNumber, m_cards.index());
    const auto cardBegin = m_starts.find(kCardBegin);
    if (!m_cards.hasNext() || !cardBegin) {
        m_numberOffset = 0;
        m_bodyDone = true;
        return;
    }
    m_cards.selectNext();
    selectCard();
    SeekInput(*cardBegin);
    m_numberOffset = m_numbering.offset(m_cards.index());
}

void CNorvFctHandler::OnBodyLine(std::string& line) {
    const CNorvInfo& card = m_cards.current();
    const int busAddress = familyValue(kBusAddress, card.familyNumber);
    if (line == "  VARIABLE _NORV_1") {
        line = "  VARIABLE _NORV_" + std::to_string(m_cards.index());
    } else if (line.starts_with("  BUSMADDRESS ")) {
        line = "  BUSMADDRESS " + std::to_string(busAddress);
    } else if (line.starts_with("  BUSSADDRESS ")) {
        line = "  BUSSADDRESS " + std::to_string(busAddress);
    } else if (line.starts_with("  BUSSINITSTR {238}")) {
        line = "  BUSSINITSTR {" + std::to_string(239 - m_loop.group()) + "}";
    } else if (line.starts_with("  KVRCHANNEL")) {
        line = "  KVRCHANNEL" + std::to_string(m_loop.globalChannel()) + " 1";
    } else {
        kw::rewriteLogicStatement(line, {card.logicBase, card.cardNumber - 1});
    }
}
