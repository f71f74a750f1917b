#include "tarvik/modules/tqd_fct_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/module_text.h"

#include <algorithm>
#include <charconv>

namespace tarvik {

namespace {

enum Kind {
    kGroups = CardSteps::firstFree,
    kChannels,
    kSupplyPos,
    kSupplyNeg,
    kDropped, // a sense-dependent step that this card does not get
};

// In search order: the first marker a data line holds gives the step its kind.
constexpr StepKindMarker kKindMarkers[] = {{"{TEST_CHANNELS}", kChannels},
                                           {"{TEST_GROUPS}", kGroups},
                                           {"{TEST_NG_POS}", kSupplyPos},
                                           {"{TEST_NG_NEG}", kSupplyNeg}};

} // namespace

CTqdFctHandler::CTqdFctHandler(std::vector<CTqdInfo> cards, int systemType)
    : SupplyCardHandler(CardFamilies::kTqd, std::move(cards), CardNumbering::fixedBlock(2000),
                        systemType) {}

bool CTqdFctHandler::Prepare() {
    m_dropping = false;
    return SupplyCardHandler::Prepare();
}

void CTqdFctHandler::selectCard() {
    const CTqdInfo& card = m_cards.current();
    m_loop.start(card.supplyFit == SupplyFit::tqd76 ? CardFamilies::kTqd76Channels
                                                    : m_family.channels,
                 card.channelBase);
    m_supplyNo = 1;
}

// Per written card: the channel loop (90 steps on a TQD76, 60 otherwise) and 5 further steps;
// a card with supplies writes every template step of its section but the two it lacks the
// sense variant of. One step stands outside the card section.
int CTqdFctHandler::GetAddedSteps(int templateSteps) {
    return supplyCardsAddedSteps(templateSteps, 1, 10, [](const CTqdInfo& card) {
        return 5 + (card.supplyFit == SupplyFit::tqd76 ? 90 : 60);
    });
}

void CTqdFctHandler::OnDataLine(std::string& line) {
    parseStepValues(line, {{&m_nuValue, "NU", m_selector}, {&m_niValue, "NI", m_selector}});
    takeMarkers(line);
    replaceTextMarkers(line);
    ReplaceValueToken(m_nuValue, line, "{nu,");
    ReplaceValueToken(m_niValue, line, "{ni,");
    ReplaceValueToken(m_nominal, line, "{sw,");
}

// The kind markers, then the sense markers, which are always removed and drop the step for
// the cards they do not fit.
void CTqdFctHandler::takeMarkers(std::string& line) {
    takeKind(line, kKindMarkers);
    const bool sense = m_cards.current().sense != 0;
    if (removeAll(line, "{IGNORE_NOSENSE}") > 0 && sense) {
        m_stepKind = kDropped;
    }
    if (removeAll(line, "{IGNORE_SENSE}") > 0 && !sense) {
        m_stepKind = kDropped;
    }
}

void CTqdFctHandler::replaceTextMarkers(std::string& line) {
    if (line.find('{') == std::string::npos) {
        return;
    }
    // Supply A1, A2- or A2+: card letter by list position, the second supply's sign.
    char supply[16] = {static_cast<char>('A' + m_cards.index() - 1)};
    char* end = std::to_chars(supply + 1, supply + sizeof supply - 1, m_supplyNo).ptr;
    if (m_supplyNo != 1) {
        *end++ = card().supplyFit == SupplyFit::plusMinus ? '-' : '+';
    }
    // The shared markers but the system-wide channel.
    replaceCardMarkers(
        line, std::span(kCardMarkers).first(4), m_loop,
        {{"{n}", 0, std::string_view(supply, static_cast<std::size_t>(end - supply))}});
}

void CTqdFctHandler::endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) {
    m_nuValue.clear();
    m_niValue.clear();
    switch (kind) {
    case kChannels:
        endLoopChannelStep(m_loop, kGroups, stepNumber, stepStart);
        break;
    case kSupplyPos:
        endPositiveSupply(stepNumber);
        break;
    case kSupplyNeg:
        endNegativeSupply(stepNumber, stepStart);
        break;
    case CardSteps::cardEnd:
        m_dropping = false;
        break;
    default: // group and dropped steps
        break;
    }
    dropSteps(m_dropping || kind == kDropped);
}

// With supplies the steps from the positive one on are numbered consecutively; without, they
// are dropped up to the card end (straight there when its step is known from an earlier card).
void CTqdFctHandler::endPositiveSupply(int stepNumber) {
    if (!hasSupply()) {
        m_dropping = true;
        if (const auto cardEnd = m_starts.find(CardSteps::cardEnd)) {
            SeekInput(*cardEnd);
        }
        return;
    }
    m_dropping = false;
    if (m_supplyNo == 1) {
        numberOnFrom(stepNumber);
    }
}

// "NG+-": the negative step is dropped for the first supply and read again for the second.
// "NG++": it sends the input back to the positive step for the second supply and is dropped,
// and the steps after it are dropped up to the card end.
void CTqdFctHandler::endNegativeSupply(int stepNumber, std::int64_t stepStart) {
    switch (
        SupplyCardHandler::endNegativeSupply(stepStart, m_starts.find(kSupplyPos), m_dropping)) {
    case NegativeSupply::secondSupply:
        numberOnFrom(stepNumber);
        break;
    case NegativeSupply::positiveAgain:
        numberAfterPreviousStep();
        break;
    default:
        break;
    }
}

// The first rule that applies: variable, bus address, group init value, channel, supply
// statements, monitor type.
void CTqdFctHandler::OnBodyLine(std::string& line) {
    CTemplateFileHandler::OnBodyLine(line);
    if (rewriteVariable(line, "  VARIABLE _TQD_", cardIndex()) ||
        rewriteInitValue(line, "222", 223 - m_loop.group()) ||
        rewriteSwitchOn(line, "  TQDCHANNEL", m_loop.globalChannel())) {
        return;
    }
    if (line == "  MONITORTYPE 36" || line == "  MONITORTYPE 37") {
        // Two monitor types per supply, counted on by card and supply.
        const int monitor = 2 * supplyBase() + (line.back() == '6' ? 30 : 31);
        line = "  MONITORTYPE " + std::to_string(monitor);
    } else if (!rewriteBusAddress(line, " ", cardBusAddress())) {
        replaceSupplyLine(line);
    }
}

// Supply statements name the supply (31, 32 for the first card ...); voltage and current
// come from the step's values or stay as the template gives them after its two-digit number.
bool CTqdFctHandler::replaceSupplyLine(std::string& line) const {
    if (rewriteSwitchOn(line, "  NGON", supplyBase() + 28)) {
        return true;
    }
    const std::string supply = std::to_string(supplyBase() + 28);
    for (const auto& [keyword, slot] :
         {std::pair<std::string_view, const ValueSlot*>{"  NGCURRENT", &m_niValue},
          {"  NGVOLTAGE", &m_nuValue}}) {
        if (startsWith(line, keyword)) {
            const std::string text = valueOrTemplateText(*slot, line, keyword.size() + 2);
            line = std::string(keyword) + supply + " " + text;
            return true;
        }
    }
    return false;
}

// "Mng" columns belong to a card by their fourth letter ("A" the first of the list) and are
// shown only for a card with supplies; other columns are always shown.
bool CTqdFctHandler::IsColumnHidden(const std::string& header) {
    return supplyColumnHidden(header, "Mng");
}

} // namespace tarvik
