#include "tarvik/modules/log_fct_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/logic_statements.h"
#include "tarvik/modules/module_text.h"

#include <array>

namespace tarvik {

namespace {

enum Kind {
    kChannelStep = CardSteps::firstFree,
    kDrop,
};

constexpr StepKindMarker kKindMarkers[] = {{"{TEST_CHANNELS}", kChannelStep}};
constexpr std::string_view kIgnoreGat520 = "{IGNORE_GAT520}";

constexpr std::string_view kVariablePrefix = "  VARIABLE _AGA_";

// The init string selects the channel under test by a byte index and a bit; the template
// holds channel 1 (byte 0, bit value 1).
constexpr std::string_view kInitString = "  BUSSINITSTR ";
constexpr std::string_view kInitChannelOne = "0x00 0x01}";

// The card section holds 15 steps that a card writes once and 9 channel steps that it writes
// for each of its channels; an AGAT520 drops one step of each.
constexpr int kStepsOnce = 15;
constexpr int kStepsPerChannel = 9;

} // namespace

CLogFctHandler::CLogFctHandler(std::vector<CLogInfo> cards, int systemType)
    : CardSectionHandler(CardFamilies::kLog, std::move(cards), CardNumbering::derivedBlock(1000),
                         systemType) {}

void CLogFctHandler::selectCard() {
    m_loop.start(m_family.channels, card().channelBase);
}

int CLogFctHandler::GetAddedSteps(int templateSteps) {
    long long steps = 0;
    for (int i = 1; i <= writtenCards(); ++i) {
        const int dropped = m_cards.at(i)->agat520 != 0 ? 1 : 0;
        steps += (kStepsOnce - dropped) + (kStepsPerChannel - dropped) * m_family.channels;
    }
    const int sectionSteps = kStepsOnce + kStepsPerChannel;
    return steps == 0 ? 0 : addedSteps(steps - sectionSteps, templateSteps);
}

void CLogFctHandler::OnDataLine(std::string& line) {
    parseStepValues(line, {{&m_driveHigh, "TH", m_selector}, {&m_compareLow, "CL", m_selector}});
    takeKind(line, kKindMarkers);
    if (removeAll(line, kIgnoreGat520) > 0 && card().agat520 != 0) {
        m_stepKind = kDrop;
    }
    replaceLineMarkers(
        line, {{"{c}", cardIndex()}, {"{k}", m_loop.channel()}, {"{l}", m_loop.globalChannel()}});
    ReplaceValueToken(m_driveHigh, line, "{th,");
    ReplaceValueToken(m_compareLow, line, "{cl,");
}

void CLogFctHandler::endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) {
    m_driveHigh.clear();
    m_compareLow.clear();
    switch (kind) {
    case kChannelStep:
        // A channel step is read again for every channel; after the last one the next channel
        // step starts at channel 1 again, and the following steps keep their own numbers.
        if (!endLoopChannelStep(m_loop, 0, stepNumber, stepStart)) {
            m_loop.restart();
        }
        break;
    default:
        break;
    }
    dropSteps(kind == kDrop);
}

void CLogFctHandler::OnBodyLine(std::string& line) {
    CTemplateFileHandler::OnBodyLine(line);
    const CLogInfo& logic = card();
    if (startsWith(line, kVariablePrefix)) {
        replaceTailWithNumber(line, kVariablePrefix.size(), {}, logic.cardNumber);
        return;
    }
    if (rewriteBusAddress(line, " ", cardBusAddress()) || rewriteInitString(line)) {
        return;
    }
    rewriteLogicStatement(line, {.firstChannel = m_loop.globalChannel(),
                                     .statementSet = logic.cardNumber - 1,
                                     .driveHigh = &m_driveHigh,
                                     .compareLow = &m_compareLow});
}

bool CLogFctHandler::rewriteInitString(std::string& line) const {
    if (!startsWith(line, kInitString)) {
        return false;
    }
    const std::size_t at = line.find(kInitChannelOne, 1);
    if (at == std::string::npos) {
        return false;
    }
    // "0xHH 0xBB}": the channel's byte and its bit within it, in upper-case hex.
    const int channel = m_loop.channel() - 1;
    const auto hex = [](unsigned value, char* out) {
        constexpr char digits[] = "0123456789ABCDEF";
        out[0] = '0';
        out[1] = 'x';
        out[2] = digits[(value >> 4) & 0xF];
        out[3] = digits[value & 0xF];
    };
    char bits[10];
    hex(static_cast<unsigned>(channel / 8) & 0xFF, bits);
    bits[4] = ' ';
    hex((1u << (channel % 8)) & 0xFF, bits + 5);
    bits[9] = '}';
    line.replace(at, std::string::npos, bits, sizeof bits);
    return true;
}

} // namespace tarvik
