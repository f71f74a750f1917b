#include "tarvik/modules/jel_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/module_text.h"

#include <array>

namespace tarvik {

namespace {

constexpr std::string_view kVariablePrefix = "  VARIABLE _NOHK_";
constexpr std::string_view kChannelToken = "{v,";

// One template step stands outside the card section.
constexpr int kStepsOutsideCards = 1;

} // namespace

CJelHandler::CJelHandler(std::vector<CJelInfo> cards)
    : CardSectionHandler(CardFamilies::kJel, std::move(cards), CardNumbering::derivedBlock(500)) {}

int CJelHandler::GetAddedSteps(int templateSteps) {
    return repeatedSectionSteps(templateSteps, kStepsOutsideCards);
}

void CJelHandler::OnDataLine(std::string& line) {
    takeKind(line);
    replaceMarker(line, "{c}", cardIndex());
    replaceChannelToken(line);
}

// The first "{v,n}" of the line (and every copy of it) becomes the card's channel n.
void CJelHandler::replaceChannelToken(std::string& line) const {
    const std::size_t begin = line.find(kChannelToken);
    if (begin == std::string::npos) {
        return;
    }
    const std::size_t end = line.find('}', begin + kChannelToken.size());
    if (end == std::string::npos) {
        return;
    }
    const int channel = leadingInt(std::string_view(line).substr(begin + kChannelToken.size()));
    const std::string token = line.substr(begin, end - begin + 1);
    replaceAll(line, token, std::to_string(saturatingAdd(channel, card().channelBase - 1)));
}

void CJelHandler::OnBodyLine(std::string& line) {
    rewriteVariable(line, kVariablePrefix, card().cardNumber) ||
        rewriteBusAddress(line, "", cardBusAddress()) ||
        rewriteChannelStatement(line, "  HIGH X") || rewriteChannelStatement(line, "  LOW X");
}

// "  HIGH X3" becomes "  HIGH X<channel 3 of the card>"; a statement without a channel number
// stays as it is.
bool CJelHandler::rewriteChannelStatement(std::string& line, std::string_view keyword) const {
    const std::optional<int> channel = numberAfter(line, keyword);
    if (!startsWith(line, keyword)) {
        return false;
    }
    if (channel) {
        line = std::string(keyword) +
               std::to_string(saturatingAdd(*channel, card().channelBase - 1));
    }
    return true;
}

} // namespace tarvik
