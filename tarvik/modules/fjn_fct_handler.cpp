#include "tarvik/modules/fjn_fct_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/module_text.h"

#include <array>

namespace tarvik {

namespace {

enum Kind {
    kPlain = 0,
    kMeasured = CardSteps::firstFree,
    kMeasureAgain,
    kStimulus,
};

constexpr StepKindMarker kKindMarkers[] = {{"{TEST_STIM}", kStimulus}};

constexpr std::string_view kVariablePrefix = "  VARIABLE _FJN_";
constexpr std::string_view kChannelKeyword = "  FJNCHANNEL";
constexpr std::string_view kHighKeyword = "  HIGH H";

// The card section of the template holds 23 steps; a card writes 5 of them once and 4 per
// channel (its channel steps and the stimulus part).
constexpr int kSectionSteps = 23;
constexpr int kStepsPerCard = 5;
constexpr int kStepsPerChannel = 4;

} // namespace

CFjnFctHandler::CFjnFctHandler(std::vector<CFjnInfo> cards)
    : CardSectionHandler(CardFamilies::kFjn, std::move(cards), CardNumbering::derivedBlock(1000)) {}

int CFjnFctHandler::channelCount(const CFjnInfo& card) {
    return card.channels == FjnChannels::four ? 4 : 8;
}

bool CFjnFctHandler::Prepare() {
    m_lastPlainNumber.reset();
    m_cardEndSeen = false;
    m_highSeen = false;
    return startCards();
}

void CFjnFctHandler::selectCard() {
    m_stimulus.start(channelCount(card()), card().channelBase);
    m_measChannel = card().channelBase;
}

int CFjnFctHandler::GetAddedSteps(int templateSteps) {
    long long steps = 0;
    for (int i = 1; i <= writtenCards(); ++i) {
        steps += kStepsPerCard + kStepsPerChannel * channelCount(*m_cards.at(i));
    }
    return steps == 0 ? 0 : addedSteps(steps - kSectionSteps, templateSteps);
}

void CFjnFctHandler::OnDataLine(std::string& line) {
    takeKind(line, kKindMarkers);
    replaceLineMarkers(line, {{"{c}", cardIndex()},
                              {"{k}", m_stimulus.channel()},
                              {"{m}", m_measChannel},
                              {"{l}", m_stimulus.globalChannel()}});
}

void CFjnFctHandler::OnBodyLine(std::string& line) {
    if (rewriteVariable(line, kVariablePrefix, card().cardNumber) ||
        rewriteBusAddress(line, "", cardBusAddress()) ||
        rewriteInitValue(line, "241", 240 + m_stimulus.channel())) {
        return;
    }
    if (startsWith(line, kChannelKeyword)) {
        rewriteChannelLine(line);
    } else if (startsWith(line, kHighKeyword)) {
        rewriteMeasuredChannel(line);
    }
}

// The stimulated channel comes first: channel 1 of the template stands for it, and the
// channels before it move up by one. Channels the card lacks are written switched off.
void CFjnFctHandler::rewriteChannelLine(std::string& line) const {
    const std::optional<int> number = numberAfter(line, kChannelKeyword);
    if (!number) {
        return;
    }
    int channel = *number;
    const int stimulated = m_stimulus.channel();
    if (stimulated > 1) {
        if (channel == 1) {
            channel = stimulated;
        } else if (channel >= 2 && channel <= stimulated) {
            channel -= 1;
        }
    }
    const int present = channel <= m_stimulus.channelCount() ? 1 : 0;
    line = std::string(kChannelKeyword) +
           std::to_string(saturatingAdd(card().channelBase, channel - 1)) + " " +
           std::to_string(present);
}

// 0 ... 7: the measured channel's place on its card.
int CFjnFctHandler::measuredSlot() const {
    return ((m_measChannel - 1) % m_family.channels + m_family.channels) % m_family.channels;
}

// The first "  HIGH H" statement of a step decides which channel the step measures: when that
// is not the measured channel yet, the step is dropped and read again with it.
void CFjnFctHandler::rewriteMeasuredChannel(std::string& line) {
    const std::optional<int> number = numberAfter(line, kHighKeyword);
    if (!number) {
        return;
    }
    const int channel = saturatingAdd(*number, card().channelBase - 1);
    if (m_highSeen || *number == measuredSlot() + 1) {
        line = std::string(kHighKeyword) + std::to_string(channel);
        if (!m_highSeen) {
            m_stepKind = kMeasured;
        }
    } else {
        dropSteps(true);
        m_stepKind = kMeasureAgain;
        m_measChannel = channel;
    }
    m_highSeen = true;
}

void CFjnFctHandler::endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) {
    switch (kind) {
    case kPlain:
        endPlainStep(stepNumber);
        break;
    case kMeasured:
        // A channel the card has: written; one it lacks: dropped as it was read.
        if (measuredSlot() < m_stimulus.channelCount()) {
            dropSteps(false);
        }
        break;
    case kMeasureAgain:
        SeekInput(stepStart);
        break;
    case kStimulus:
        dropSteps(false);
        numberOnFrom(stepNumber);
        break;
    case CardSteps::cardEnd:
        endCardSection();
        break;
    default:
        break;
    }
    m_highSeen = false;
}

// Before the first card end the unmarked steps are only noted; afterwards the last of them
// closes the stimulus part.
void CFjnFctHandler::endPlainStep(int stepNumber) {
    if (!m_cardEndSeen) {
        m_lastPlainNumber = stepNumber;
    } else if (m_lastPlainNumber == stepNumber && !nextStimulus()) {
        stopNumbering();
    }
}

// The first time through, the stimulus part is closed by the card end, which is dropped (and
// the card not ended) while channels remain to be stimulated.
void CFjnFctHandler::endCardSection() {
    m_cardEndSeen = true;
    if (m_stimulus.channel() < m_stimulus.channelCount() && m_starts.find(kStimulus)) {
        dropSteps(true);
        holdCardEnd();
        nextStimulus();
    }
}

// Moves on to the next channel to stimulate and reads the stimulus part again; false after
// the last channel.
bool CFjnFctHandler::nextStimulus() {
    const auto stimulusStart = m_starts.find(kStimulus);
    if (!stimulusStart) {
        return false;
    }
    const ChannelLoop::Next next = m_stimulus.advance(*stimulusStart, std::nullopt);
    if (next.finished) {
        return false;
    }
    SeekInput(next.readFrom);
    return true;
}

} // namespace tarvik
