#include "tarvik/modules/dwb_fct_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/logic_statements.h"
#include "tarvik/modules/module_text.h"

#include <array>
#include <cstdio>

namespace tarvik {

namespace {

// A step marked for other systems than 945, in a 945 system.
constexpr int kDrop = ChannelRangeSteps::firstFree;

constexpr std::string_view kIgnore945 = "{IGNORE_945}";
constexpr std::string_view kShiftMarker = "{DWB_SHIFT}";
constexpr std::string_view kVariablePrefix = "  VARIABLE _DWB_";

// The init string selects the channel under test by one bit of a 16-bit word that the template
// writes twice, high byte first, after 32 characters of fixed settings; the template holds
// the word for channel 1, whose low byte ends in "1" at index 42.
constexpr std::string_view kInitString = "  BUSSINITSTR {0x51}";
constexpr std::size_t kInitFixedPart = 32;
constexpr std::size_t kInitChannelOneDigit = 42;

// Outside the card section the template holds one step; the card section holds six steps
// outside the channel range, one of them for systems other than 945 only.
constexpr int kStepsOutsideCards = 1;
constexpr int kCardStepsOutsideRange = 6;

} // namespace

CDwbFctHandler::CDwbFctHandler(std::vector<CDwbInfo> cards, bool is945)
    : CardSectionHandler(CardFamilies::kDwb, std::move(cards), CardNumbering::derivedBlock(1000)),
      m_is945(is945) {}

bool CDwbFctHandler::Prepare() {
    m_shift = false;
    return startCards();
}

void CDwbFctHandler::selectCard() {
    m_loop.start(m_family.channels, card().channelBase);
}

// Every card writes its card section with the channel range 16 times; in a 945 system the
// step marked for other systems is left out.
int CDwbFctHandler::GetAddedSteps(int templateSteps) {
    const long long cards = writtenCards();
    if (cards == 0) {
        return 0;
    }
    const long long cardSteps = kCardStepsOutsideRange - (m_is945 ? 1 : 0);
    const long long rangeSteps =
        static_cast<long long>(templateSteps) - kStepsOutsideCards - kCardStepsOutsideRange;
    return addedSteps(kStepsOutsideCards + cards * cardSteps +
                          m_family.channels * cards * rangeSteps - templateSteps,
                      templateSteps);
}

void CDwbFctHandler::OnDataLine(std::string& line) {
    takeKind(line, ChannelRangeSteps::markers);
    if (removeAll(line, kIgnore945) > 0 && m_is945) {
        m_stepKind = kDrop;
    }
    if (removeAll(line, kShiftMarker) > 0) {
        m_shift = true;
    }
    replaceLineMarkers(
        line, {{"{c}", cardIndex()}, {"{k}", m_loop.channel()}, {"{p}", m_loop.globalChannel()}});
}

void CDwbFctHandler::endStepOfKind(int kind, int stepNumber, std::int64_t) {
    endChannelRangeStep(kind, stepNumber, m_loop);
    dropSteps(kind == kDrop);
    m_shift = false;
}

// The block is sized by the number the card end was written with: the channel range numbers
// its repetitions on, so the section's written length decides.
int CDwbFctHandler::cardEndNumber(int) const {
    return writtenNumber();
}

void CDwbFctHandler::OnBodyLine(std::string& line) {
    if (rewriteVariable(line, kVariablePrefix, cardIndex()) ||
        rewriteBusAddress(line, " 176", cardBusAddress()) || rewriteInitString(line) ||
        m_loop.globalChannel() <= 1) {
        return;
    }
    const int firstChannel = m_shift ? m_loop.globalChannel() : card().channelBase;
    if (shiftPatternStep(line, "  DWBSTEP", firstChannel)) {
        return;
    }
    rewriteChannelStatement(line);
}

bool CDwbFctHandler::rewriteInitString(std::string& line) const {
    if (!startsWith(line, kInitString)) {
        return false;
    }
    const int channel = m_loop.channel();
    if (line.size() > kInitChannelOneDigit && line[kInitChannelOneDigit] == '1' && channel >= 2) {
        const unsigned word = 1u << ((channel - 1) & 15);
        char bits[32];
        std::snprintf(bits, sizeof bits, "{0x%02x}{0x%02x}{0x%02x}{0x%02x}", word >> 8, word & 0xFF,
                      word >> 8, word & 0xFF);
        line = line.substr(0, kInitFixedPart) + bits;
    }
    return true;
}

// DWBDRIVE, DWBCOMPHI, DWBCOMPLO: channel 1 of a shifted step is the channel under test;
// otherwise the channel numbers move to the card's channels (from the second card on).
bool CDwbFctHandler::rewriteChannelStatement(std::string& line) const {
    for (const std::string_view keyword : {"  DWBDRIVE", "  DWBCOMPHI", "  DWBCOMPLO"}) {
        if (!startsWith(line, keyword)) {
            continue;
        }
        const std::optional<int> channel = numberAfter(line, keyword);
        if (!channel) {
            return true;
        }
        if (m_shift && *channel == 1) {
            renumberStatement(line, keyword, m_loop.globalChannel());
        } else if (cardIndex() >= 2) {
            renumberStatement(line, keyword,
                                  saturatingAdd(card().channelBase, *channel - 1));
        }
        return true;
    }
    return false;
}

} // namespace tarvik
