#include "tarvik/modules/seq_fct_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/logic_statements.h"
#include "tarvik/modules/module_text.h"

#include <algorithm>

namespace tarvik {

namespace {

enum Kind {
    kGroups = CardSteps::firstFree,
    kChannels,
    kFirstSetHighToLow,
    kFirstSetLowToHigh,
    kOtherSetHighToLow,
    kOtherSetLowToHigh,
};

// In search order: the first marker a data line holds gives the step its kind.
constexpr StepKindMarker kKindMarkers[] = {
    {"{TEST_CHANNELS}", kChannels},         {"{TEST_GROUPS}", kGroups},
    {"{TEST_SEW1_HL}", kFirstSetHighToLow}, {"{TEST_SEW1_LH}", kFirstSetLowToHigh},
    {"{TEST_SEWn_HL}", kOtherSetHighToLow}, {"{TEST_SEWn_LH}", kOtherSetLowToHigh}};

constexpr int kRelaysPerCard = CardFamilies::kSeq.relays;

// Relay lines by relay index 1 ... 32: while HIGH lies below LOW, and otherwise.
constexpr std::array<int, 32> kRelayLinesHighBelowLow{36, 35, 52, 51, 64, 63, 80, 79, 81, 82, 83,
                                                      65, 53, 39, 38, 37, 41, 40, 55, 54, 67, 66,
                                                      85, 84, 86, 87, 88, 68, 56, 44, 43, 42};
constexpr std::array<int, 32> kRelayLinesOtherwise{26, 25, 46, 45, 58, 57, 70, 69, 71, 72, 73,
                                                   59, 47, 29, 28, 27, 31, 30, 49, 48, 61, 60,
                                                   75, 74, 76, 77, 78, 62, 50, 34, 33, 32};

} // namespace

CSeqFctHandler::CSeqFctHandler(int systemType, std::vector<CSeqInfo> cards)
    : CardSectionHandler(CardFamilies::kSeq, std::move(cards), CardNumbering::fixedBlock(2000),
                         systemType) {}

bool CSeqFctHandler::Prepare() {
    m_highRelay = 0;
    m_lowRelay = 0;
    return startCards();
}

void CSeqFctHandler::selectCard() {
    m_loop.start(m_family.channels, card().channelBase);
    m_relayIndex = 2;
    m_relayNo = saturatingAdd(relayBase(), 1);
}

int CSeqFctHandler::relayLine(int relayIndex, bool highBelowLow) {
    const auto& table = highBelowLow ? kRelayLinesHighBelowLow : kRelayLinesOtherwise;
    return relayIndex >= 1 && relayIndex <= kRelaysPerCard ? familyValue(table, relayIndex) : -1;
}

// The first card writes every template step once, its loop repetitions (28) and 31 writes of
// each of its two relay steps in place of the four relay steps of the template (58); each
// further card writes the card section again (all template steps but one outside it).
int CSeqFctHandler::GetAddedSteps(int templateSteps) {
    const long long n = writtenCards();
    if (n == 0) {
        return 0;
    }
    return addedSteps(92 * n + (n - 1) * (templateSteps - 7LL) - 6, templateSteps);
}

void CSeqFctHandler::OnDataLine(std::string& line) {
    CTemplateFileHandler::OnDataLine(line);
    takeKind(line, kKindMarkers);
    replaceTextMarkers(line);
}

void CSeqFctHandler::replaceTextMarkers(std::string& line) {
    replaceCardMarkers(line, kCardLoopMarkers, m_loop,
                       {{"{j}", m_relayIndex},
                        {"{l}", card().logicBase},
                        {"{r}", m_relayNo},
                        {"{rl}", relayLine(m_relayIndex, m_highRelay < m_lowRelay)}});
}

void CSeqFctHandler::endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) {
    switch (kind) {
    case kChannels:
        endLoopChannelStep(m_loop, kGroups, stepNumber, stepStart);
        break;
    case kFirstSetHighToLow:
        endFirstSetHighToLow(stepNumber, stepStart);
        break;
    case kFirstSetLowToHigh:
        endFirstSetLowToHigh(stepStart);
        break;
    case kOtherSetHighToLow:
        endOtherSetHighToLow(stepStart);
        break;
    case kOtherSetLowToHigh:
        endOtherSetLowToHigh(stepStart);
        break;
    case CardSteps::cardEnd:
        dropSteps(false);
        break;
    default: // group steps: only remembered
        break;
    }
}

// The named relay and the pairing move on; the relay step is read again.
void CSeqFctHandler::nextRelay(int& relay, std::int64_t stepStart) {
    relay = saturatingAdd(relay, 1);
    ++m_relayIndex;
    m_relayNo = saturatingAdd(m_relayNo, 1);
    SeekInput(stepStart);
}

// The card holding relays 1 ... 32: the step is written as the template has it (relays 1 and
// 2), then with HIGH 1 against LOW 3 ... 32; from the first write on the relay steps are
// numbered consecutively. Any other card drops it and starts its own pairing.
void CSeqFctHandler::endFirstSetHighToLow(int stepNumber, std::int64_t stepStart) {
    if (m_highRelay == 0) {
        numberOnFrom(stepNumber);
    }
    const int base = relayBase();
    if (base != 1) {
        m_highRelay = base;
        m_lowRelay = m_relayNo = saturatingAdd(base, 1);
        m_relayIndex = 2;
        dropSteps(true);
        return;
    }
    if (m_highRelay == 0) {
        m_highRelay = 1;
        m_lowRelay = m_relayNo = m_relayIndex = 3;
        SeekInput(stepStart);
    } else if (m_relayNo < kRelaysPerCard) {
        nextRelay(m_lowRelay, stepStart);
    } else {
        m_lowRelay = 1;
        m_highRelay = m_relayNo = m_relayIndex = 2;
    }
}

void CSeqFctHandler::endFirstSetLowToHigh(std::int64_t stepStart) {
    if (relayBase() != 1) {
        return;
    }
    if (m_relayNo < kRelaysPerCard) {
        nextRelay(m_highRelay, stepStart);
        return;
    }
    m_highRelay = 0;
    m_lowRelay = 0;
}

// Any other card: HIGH at its first relay against LOW at each further one, then the roles
// exchanged; the card holding relays 1 ... 32 drops these steps.
void CSeqFctHandler::endOtherSetHighToLow(std::int64_t stepStart) {
    const int base = relayBase();
    if (base == 1) {
        dropSteps(true);
        return;
    }
    dropSteps(false);
    if (m_relayNo - base < kRelaysPerCard - 1) {
        nextRelay(m_lowRelay, stepStart);
        return;
    }
    m_lowRelay = base;
    m_highRelay = m_relayNo = saturatingAdd(base, 1);
    m_relayIndex = 2;
}

void CSeqFctHandler::endOtherSetLowToHigh(std::int64_t stepStart) {
    const int base = relayBase();
    if (base == 1) {
        return;
    }
    if (m_relayNo - base < kRelaysPerCard - 1) {
        nextRelay(m_highRelay, stepStart);
        return;
    }
    m_highRelay = 0;
    m_lowRelay = 0;
}

void CSeqFctHandler::OnBodyLine(std::string& line) {
    CTemplateFileHandler::OnBodyLine(line);
    const CSeqInfo& seq = card();
    if (replaceStatement(line) ||
        rewriteLogicStatement(
            line, {.firstChannel = seq.logicBase, .statementSet = seq.cardNumber - 1})) {
        return;
    }
    if (m_highRelay != 0 && startsWith(line, "  HIGH ")) {
        line = "  HIGH " + std::to_string(m_highRelay);
    } else if (m_lowRelay != 0 && startsWith(line, "  LOW ")) {
        line = "  LOW " + std::to_string(m_lowRelay);
    }
}

// Variable, bus address (any master address, the template's slave address 208), group init
// value and matrix channel.
bool CSeqFctHandler::replaceStatement(std::string& line) const {
    if (rewriteVariable(line, "  VARIABLE _SEQ_", cardIndex()) ||
        rewriteInitValue(line, "238", 239 - m_loop.group()) ||
        rewriteSwitchOn(line, "  KVRCHANNEL", m_loop.globalChannel())) {
        return true;
    }
    if (startsWith(line, "  BUSMADDRESS ") || startsWith(line, "  BUSSADDRESS 208")) {
        rewriteBusAddress(line, " ", cardBusAddress());
        return true;
    }
    return false;
}

} // namespace tarvik
