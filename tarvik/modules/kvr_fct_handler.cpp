#include "tarvik/modules/kvr_fct_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/module_text.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace tarvik {

namespace {

enum Kind {
    kGroups = CardSteps::firstFree,
    kChannels,
    kSupplyPos,
    kSupplyNeg,
    kKvrSelectionEnd,
    kGroupsHigh,
    kChannelsHigh,
    kGroupsLow,
    kChannelsLow,
    kSupplyPosTqd,
    kSupplyNegTqd,
    kTqdSelectionEnd,
};

// In search order: the first marker a data line holds gives the step its kind.
constexpr StepKindMarker kKindMarkers[] = {
    {"{TEST_CHANNELS}", kChannels},        {"{TEST_CHANNELS_HIGH}", kChannelsHigh},
    {"{TEST_CHANNELS_LOW}", kChannelsLow}, {"{TEST_GROUPS}", kGroups},
    {"{TEST_GROUPS_HIGH}", kGroupsHigh},   {"{TEST_GROUPS_LOW}", kGroupsLow},
    {"{TEST_NG_POS}", kSupplyPos},         {"{TEST_NG_NEG}", kSupplyNeg},
    {"{TEST_NG_POS_TQD}", kSupplyPosTqd},  {"{TEST_NG_NEG_TQD}", kSupplyNegTqd},
    {"{SEL_KVR_END}", kKvrSelectionEnd},   {"{SEL_TQD_END}", kTqdSelectionEnd}};

// Number of the first power supply by cardNumber; the second is the next one.
constexpr std::array<int, 8> kFirstSupply{5, 7, 9, 11, 23, 25, 27, 29};

// The text before the step number of a fail-data line, and the first step number that is
// not raised with the card (the closing steps after the card section).
constexpr std::string_view kFailDataText = "Modul: KVR, Schritt: ";
constexpr int kMaxFailDataNumber = 100000;

} // namespace

CKvrFctHandler::CKvrFctHandler(std::vector<CKvrInfo> cards, int systemType)
    : SupplyCardHandler(CardFamilies::kKvr, std::move(cards), CardNumbering::fixedBlock(2000),
                        systemType) {}

// The counters start afresh for the card now current; its selection code decides which
// "SEL" values apply: a card generated as a TQD card that shares its family number with
// another card of the list takes the TQD values.
void CKvrFctHandler::selectCard() {
    const CKvrInfo& card = m_cards.current();
    m_loop.start(m_family.channels, card.channelBase);
    m_supplyNo = 1;
    bool sharedNumber = false;
    for (int i = 1; i <= m_cards.size(); ++i) {
        sharedNumber = sharedNumber ||
                       (i != m_cards.index() && m_cards.at(i)->familyNumber == card.familyNumber);
    }
    m_selCode = card.asTqd != 0 && sharedNumber ? "TQD" : "KVR";
}

// Each written card writes 100 steps from the template's card section when it has no supply;
// a card with supplies writes every template step of the section once, plus the loop
// repetitions. Two steps stand outside the section. Only the cards that are written count.
int CKvrFctHandler::GetAddedSteps(int templateSteps) {
    return supplyCardsAddedSteps(templateSteps, 2, 18, [](const CKvrInfo&) { return 100; });
}

void CKvrFctHandler::OnDataLine(std::string& line) {
    parseStepValues(line, {{&m_nuValue, "NU", m_selector},
                           {&m_urValue, "UR", m_selector},
                           {&m_selValue, "SEL", m_selCode}});
    takeKind(line, kKindMarkers);
    replaceTextMarkers(line);
    ReplaceValueToken(m_nuValue, line, "{nu,");
    ReplaceValueToken(m_nominal, line, "{sw,");
}

void CKvrFctHandler::replaceTextMarkers(std::string& line) {
    if (line.find('{') == std::string::npos) {
        return;
    }
    // The supply's name: the card's letter and the supply number.
    char supply[16] = {static_cast<char>('A' + card().cardNumber - 1)};
    const auto end = std::to_chars(supply + 1, supply + sizeof supply, m_supplyNo).ptr;
    replaceCardMarkers(
        line, kCardMarkers, m_loop,
        {{"{n}", 0, std::string_view(supply, static_cast<std::size_t>(end - supply)), true},
         {"{pmin}", 0, m_supplyNo == 1 ? "P1" : "P2", true},
         {"{pmax}", 0, m_supplyNo == 1 ? "P4" : "P3", true}});
}

void CKvrFctHandler::endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) {
    m_nuValue.clear();
    m_urValue.clear();
    m_selValue.clear();
    switch (kind) {
    case kChannels:
        endChannelStep(stepNumber, stepStart, kGroups);
        break;
    case kChannelsHigh:
        endChannelStep(stepNumber, stepStart, kGroupsHigh);
        break;
    case kChannelsLow:
        endChannelStep(stepNumber, stepStart, kGroupsLow);
        break;
    case kSupplyPos:
        endPositiveSupply(kKvrSelectionEnd);
        break;
    case kSupplyPosTqd:
        endPositiveSupply(kTqdSelectionEnd);
        break;
    case kSupplyNeg:
        endNegativeSupply(stepStart, kSupplyPos);
        break;
    case kSupplyNegTqd:
        endNegativeSupply(stepStart, kSupplyPosTqd);
        break;
    case kKvrSelectionEnd:
        endSelection(stepStart, true);
        break;
    case kTqdSelectionEnd:
        endSelection(stepStart, false);
        break;
    case CardSteps::cardEnd:
        dropSteps(false);
        break;
    default: // group steps: only remembered
        break;
    }
}

// The channel step is read again for the next channel, after the group step when a new group
// begins. After the high channels the low loop starts again at channel 1.
void CKvrFctHandler::endChannelStep(int stepNumber, std::int64_t stepStart, int groupKind) {
    if (!endLoopChannelStep(m_loop, groupKind, stepNumber, stepStart) &&
        m_stepKind == kChannelsHigh) {
        m_loop.restart();
    }
}

// Without a supply the supply steps are dropped: straight on to the selection end when its
// step is known from an earlier card, else step by step until the selection end clears it.
void CKvrFctHandler::endPositiveSupply(int selectionEndKind) {
    if (hasSupply()) {
        dropSteps(false);
        return;
    }
    dropSteps(true);
    if (const auto selectionEnd = m_starts.find(selectionEndKind)) {
        SeekInput(*selectionEnd);
    }
}

// The negative step is read for each supply: for "NG+-" it is dropped for the first supply and
// written for the second; for "NG++" it sends the input back to the positive step, which is
// written again for the second supply (90 higher, or following the previous step in the TQD
// pass), and is dropped both times.
void CKvrFctHandler::endNegativeSupply(std::int64_t stepStart, int positiveKind) {
    bool drop = droppingSteps();
    const NegativeSupply done =
        SupplyCardHandler::endNegativeSupply(stepStart, m_starts.find(positiveKind), drop);
    dropSteps(drop);
    switch (done) {
    case NegativeSupply::secondSupply:
        stopNumbering();
        break;
    case NegativeSupply::positiveAgain:
        if (positiveKind == kSupplyPos) {
            raiseNumbersBy(saturatingAdd(cardOffset(), 90));
        } else {
            numberAfterPreviousStep();
        }
        break;
    default:
        break;
    }
}

// The selection end is written with the card's own offset: when a supply pass left another
// offset in place, the step is dropped once and read again with the card's offset.
void CKvrFctHandler::endSelection(std::int64_t stepStart, bool resetCounters) {
    if (numberOffset() == cardOffset()) {
        dropSteps(false);
        if (resetCounters) {
            m_loop.restart();
            m_supplyNo = 1;
        }
        return;
    }
    raiseNumbersBy(cardOffset());
    dropSteps(true);
    SeekInput(stepStart);
}

// The statements of a group or supply vary with the loop within a card, a channel statement
// is kept with its number left open; the others come out the same for every channel.
void CKvrFctHandler::OnBodyLine(std::string& line) {
    CTemplateFileHandler::OnBodyLine(line);
    if (rewriteVariable(line, "  VARIABLE _KVR_", card().cardNumber) || replaceAddressLine(line)) {
        return;
    }
    if (replaceInitString(line)) {
        hookResultVaries();
        return;
    }
    if (rewriteLoopSwitchOn(line, "  KVRCHANNEL", m_loop, CardMarker::Value::globalChannel)) {
        return;
    }
    if (replaceSupplyLine(line)) {
        hookResultVaries();
        return;
    }
    if (ReplaceStatement(line, "  URANGE ", m_urValue) || replaceSelectionValue(line)) {
        return;
    }
    if (m_cards.index() >= 2) {
        renumberFailData(line);
    }
}

// The template addresses the KVR part of the card with 112 and its TQD part, which answers at
// the TQD addresses, with 144.
bool CKvrFctHandler::replaceAddressLine(std::string& line) const {
    const int familyNumber = card().familyNumber;
    return rewriteBusAddress(line, " 112", cardBusAddress()) ||
           rewriteBusAddress(line, " 144", familyBusAddress(CardFamilies::kTqd, familyNumber));
}

// The init string selects the group (238, 222, 216) or the supply (248, 232; 131 ... 140 in
// steps of 10) of the template's first group and supply; other values stay.
bool CKvrFctHandler::replaceInitString(std::string& line) const {
    constexpr std::string_view prefix = "  BUSSINITSTR {";
    if (!startsWith(line, prefix)) {
        return false;
    }
    const unsigned long value = std::strtoul(line.c_str() + prefix.size(), nullptr, 0);
    long long changed = static_cast<long long>(value);
    if (value == 238 || value == 222 || value == 216) {
        changed = changed - m_loop.group() + 1;
    } else if (value == 248 || value == 232) {
        changed = changed - m_supplyNo + 1;
    } else if (value >= 131 && value <= 140) {
        changed = changed - 10 * m_supplyNo + 10;
    }
    if (changed != static_cast<long long>(value)) {
        line = std::string(prefix) + std::to_string(changed) + "}";
    }
    return true;
}

bool CKvrFctHandler::replaceSupplyLine(std::string& line) const {
    if (rewriteSwitchOn(line, "  NGON", supplyNumber())) {
        return true;
    }
    constexpr std::string_view voltage = "  NGVOLTAGE";
    if (!startsWith(line, voltage)) {
        return false;
    }
    // The template's own voltage follows the keyword and a one-digit supply number.
    const std::string text = valueOrTemplateText(m_nuValue, line, voltage.size() + 1);
    line = std::string(voltage) + std::to_string(supplyNumber()) + " " + text;
    return true;
}

bool CKvrFctHandler::replaceSelectionValue(std::string& line) const {
    return ReplaceStatement(line, "  VALUE ", m_selValue) ||
           ReplaceStatement(line, "  LOWER ", m_selValue) ||
           ReplaceStatement(line, "  UPPER ", m_selValue);
}

// A fail-data line names its step ("  TESTFAILDATA0 Modul: KVR, Schritt: 120, ..."); for a
// later card the number is raised by the card's offset. The number is taken right after the
// text wherever the keyword's index makes it stand; a line without a number there is left as
// it is.
void CKvrFctHandler::renumberFailData(std::string& line) const {
    const auto step = numberAfterText(line, kFailDataText, 1);
    const std::size_t comma = step ? line.find(',', step->begin + 1) : std::string::npos;
    if (comma == std::string::npos || step->value >= kMaxFailDataNumber) {
        return;
    }
    replaceWithNumber(line, step->begin, comma, saturatingAdd(step->value, cardOffset()));
}

// "Mng" columns are always hidden; an "Ng" column whose third letter names a card of the list
// ("A" the first) is shown only when that card has power supplies.
bool CKvrFctHandler::IsColumnHidden(const std::string& header) {
    return startsWith(header, "Mng") || supplyColumnHidden(header, "Ng");
}

// A cardNumber beyond the table has no supply of its own: 0 names none, so that the test
// system rejects the statement instead of switching another card's supply.
int CKvrFctHandler::supplyNumber() const {
    const int first = familyValue(kFirstSupply, m_cards.current().cardNumber);
    return first == 0 ? 0 : first + m_supplyNo - 1;
}

} // namespace tarvik
