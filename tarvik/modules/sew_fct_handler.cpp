#include "tarvik/modules/sew_fct_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/module_text.h"

#include <algorithm>

namespace tarvik {

namespace {

// Template step numbers: the contract with the SEW template module. The first card and the
// further cards each have a begin step and one pairing step per direction.
struct SewCardSteps {
    int begin;
    int highToLow;
    int lowToHigh;
};
constexpr SewCardSteps kFirstCard{20, 30, 40};
constexpr SewCardSteps kFurtherCard{2020, 2030, 2040};
constexpr int kClosingStep = 100000;

constexpr int kBlock = 2000; // step-number distance between two further cards

// Kind-3 cards (SEW84): relays 1 ... 16 of each block of 16 lie at base + step x block; the
// group says how far the high-to-low contacts of relays 65 ... 96 lie from the others.
struct Kind3Position {
    int base;
    int step;
    int group;
};
constexpr std::array<Kind3Position, 16> kKind3Positions{{
    {55, 3, 0},
    {43, 3, 1},
    {25, 5, 2},
    {5, 5, 3},
    {4, 5, 3},
    {24, 5, 2},
    {23, 5, 2},
    {3, 5, 3},
    {1, 5, 3},
    {2, 5, 3},
    {21, 5, 2},
    {22, 5, 2},
    {41, 3, 1},
    {42, 3, 1},
    {53, 3, 0},
    {54, 3, 0},
}};

int kind3Location(int relay, bool highToLow) {
    const int e = (relay - 1) % 16;
    const Kind3Position& position = kKind3Positions[static_cast<std::size_t>(e)];
    if (relay <= 64) {
        return position.base + position.step * ((relay - 1) / 16) + (highToLow ? 64 : 0);
    }
    if (relay > 96) {
        return -1;
    }
    const int shift = highToLow ? (position.group <= 1 ? 6 : 10) : 0;
    return position.base + 192 + position.step * ((relay - 65) / 16) + shift;
}

} // namespace

CSewFctHandler::CSewFctHandler(int systemType, std::vector<CSewInfo> cards)
    : CTemplateFileHandler(systemType), m_cards(std::move(cards), CardList<CSewInfo>::kNoLimit) {}

bool CSewFctHandler::Prepare() {
    if (m_cards.empty()) {
        return false;
    }
    m_cards.selectFirst();
    m_finished = false;
    m_furtherCardStart.reset();
    selectCard();
    return true;
}

// A card starts with its first relay against its second one, high to low.
void CSewFctHandler::selectCard() {
    newHookContext();
    const int relayBase = m_cards.current().relayBase;
    m_pairNo = 2;
    m_runningRelay = saturatingAdd(relayBase, 1);
    m_highRelay = relayBase;
    m_lowRelay = m_runningRelay;
}

// Every card writes its begin step and both pairing steps once per further relay; the six
// card steps of the template are replaced by that.
int CSewFctHandler::GetAddedSteps(int) {
    if (m_cards.empty()) {
        return 0;
    }
    int added = m_cards.size() - 6;
    for (const CSewInfo& card : m_cards.all()) {
        // A card claiming fewer than two relays still writes each pairing step once.
        added = saturatingAdd(added, 2 * std::max(card.relayCount, 2) - 2);
    }
    return added;
}

void CSewFctHandler::OnDataLine(std::string& line) {
    CTemplateFileHandler::OnDataLine(line);
    // The card's place stays; the pair and its relays change from step to step.
    const bool varies = m_linePlans.replaceMarkers(
        line, InputPosition(),
        {{"{c}", cardIndex()},
         {"{k}", m_pairNo, {}, true},
         {"{r}", m_runningRelay, {}, true},
         {"{rl}", relayLocation(m_cards.current(), m_pairNo, m_highRelay < m_lowRelay), {}, true}});
    if (varies) {
        hookResultVaries();
    }
}

void CSewFctHandler::OnEndStep(int stepNumber, std::int64_t stepStart) {
    CTemplateFileHandler::OnEndStep(stepNumber, stepStart);
    const bool firstCardAtOne = m_cards.current().relayBase == 1;
    switch (stepNumber) {
    case kFirstCard.begin:
        // Dropped, with everything up to the further-card steps, when the relays start later.
        if (!firstCardAtOne) {
            dropSteps(true);
        }
        break;
    case kFirstCard.highToLow:
        if (firstCardAtOne) {
            endFirstCardHighToLow(stepStart);
        }
        break;
    case kFirstCard.lowToHigh:
        endFirstCardLowToHigh(stepStart);
        break;
    case kFurtherCard.begin:
        m_furtherCardStart = stepStart;
        dropSteps(cardIndex() == 0);
        break;
    case kFurtherCard.highToLow:
        endFurtherCardHighToLow(stepStart);
        break;
    case kFurtherCard.lowToHigh:
        endFurtherCardLowToHigh(stepStart);
        break;
    case kClosingStep:
        dropSteps(false);
        break;
    default:
        break;
    }
}

// The card's relays are paired one by one: the relay named (LOW or HIGH) moves on, the step is
// read again.
void CSewFctHandler::repeatStep(int& relay, std::int64_t stepStart) {
    relay = saturatingAdd(relay, 1);
    m_runningRelay = saturatingAdd(m_runningRelay, 1);
    ++m_pairNo;
    SeekInput(stepStart);
}

void CSewFctHandler::startLowToHigh() {
    const int relayBase = m_cards.current().relayBase;
    m_lowRelay = relayBase;
    m_pairNo = 2;
    m_highRelay = m_runningRelay = saturatingAdd(relayBase, 1);
}

// Whether the current card has a relay after the one now paired. A card that claims fewer
// than two relays has none, so its steps are written once instead of without end.
bool CSewFctHandler::pairsLeft() const {
    return m_pairNo < m_cards.current().relayCount;
}

void CSewFctHandler::endFirstCardHighToLow(std::int64_t stepStart) {
    if (!pairsLeft()) {
        startLowToHigh();
        return;
    }
    repeatStep(m_lowRelay, stepStart);
    startNumbering(kFirstCard.lowToHigh);
}

void CSewFctHandler::endFirstCardLowToHigh(std::int64_t stepStart) {
    if (m_cards.current().relayBase != 1) {
        startNumbering(kFirstCard.begin);
        return;
    }
    if (pairsLeft()) {
        repeatStep(m_highRelay, stepStart);
        return;
    }
    stopNumbering();
    if (m_cards.hasNext()) {
        m_cards.selectNext();
        selectCard();
    } else {
        m_finished = true;
        finishBody();
    }
}

void CSewFctHandler::endFurtherCardHighToLow(std::int64_t stepStart) {
    if (cardIndex() == 0) {
        return;
    }
    if (!pairsLeft()) {
        startLowToHigh();
        return;
    }
    repeatStep(m_lowRelay, stepStart);
    startNumbering(kBlock * cardIndex() - 1960);
}

// After a card's last pairing the next card is read through the further-card steps again,
// numbered a block higher.
void CSewFctHandler::endFurtherCardLowToHigh(std::int64_t stepStart) {
    if (cardIndex() == 0) {
        return;
    }
    if (pairsLeft()) {
        repeatStep(m_highRelay, stepStart);
        return;
    }
    stopNumbering();
    if (!m_cards.hasNext() || !m_furtherCardStart) {
        raiseNumbersBy(0);
        return;
    }
    m_cards.selectNext();
    selectCard();
    raiseNumbersBy(kBlock * (cardIndex() - 2));
    SeekInput(*m_furtherCardStart);
}

void CSewFctHandler::OnBodyLine(std::string& line) {
    CTemplateFileHandler::OnBodyLine(line);
    constexpr std::string_view variable = "  VARIABLE _SEW";
    constexpr std::string_view high = "  HIGH ";
    constexpr std::string_view low = "  LOW ";
    // Rewritten in place: the line keeps its storage for the lines that follow.
    if (startsWith(line, variable)) {
        replaceTailWithNumber(line, variable.size(), {}, m_cards.current().relayCount);
        replaceTailWithNumber(line, line.size(), "_", cardIndex());
    } else if (startsWith(line, high)) {
        replaceTailWithNumber(line, high.size(), {}, m_highRelay);
        hookResultVaries();
    } else if (startsWith(line, low)) {
        replaceTailWithNumber(line, low.size(), {}, m_lowRelay);
        hookResultVaries();
    }
}

int CSewFctHandler::relayLocation(const CSewInfo& card, int relay, bool highToLow) {
    if (relay < 1 || relay > card.relayCount) {
        return -1;
    }
    switch (card.relayKind) {
    case RelayKind::sew28:
    case RelayKind::sew28_56:
        return (relay <= 32 ? relay : relay + 64) + (highToLow ? 32 : 0);
    case RelayKind::sew84:
        return kind3Location(relay, highToLow);
    default:
        return -1;
    }
}

} // namespace tarvik
