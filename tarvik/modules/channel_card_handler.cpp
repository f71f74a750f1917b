#include "tarvik/modules/channel_card_handler.h"

#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/module_text.h"

namespace tarvik {

namespace {

// The template holds one step outside the card section and three card steps outside the
// channel range.
constexpr int kStepsOutsideCards = 1;
constexpr int kCardStepsOutsideRange = 3;

using Table = ChannelCardTable;
using Value = CardMarker::Value;

constexpr Table::ChannelLine kBaqChannels[] = {
    {"  BAQCHANNEL1 1", 0}, {"  BAQCHANNEL17 1", 16}, {"  BAQCHANNEL33 1", 32}};
constexpr CardMarker kBaqMarkers[] = {{"{c}", Value::cardIndex},
                                      {"{cs}", Value::familyNumber},
                                      {"{k1}", Value::channel, 0},
                                      {"{k2}", Value::channel, 16},
                                      {"{k3}", Value::channel, 32}};
constexpr Table kBaq{
    .variablePrefix = "  VARIABLE _BAQ_",
    .busAddressAfter = " 224",
    .family = CardFamilies::kBaq,
    .channelKeyword = "  BAQCHANNEL",
    .channelLines = kBaqChannels,
    .markers = kBaqMarkers,
};

constexpr Table::ChannelLine kYotChannels[] = {{"  YOTCHANNEL1 1", 0}};
constexpr CardMarker kYotMarkers[] = {
    {"{c}", Value::cardIndex}, {"{k}", Value::channel}, {"{h}", Value::globalChannel}};
constexpr Table kYot{
    .variablePrefix = "  VARIABLE _YOT_",
    .busAddressAfter = " 24",
    .family = CardFamilies::kYot,
    .channelKeyword = "  YOTCHANNEL",
    .channelLines = kYotChannels,
    .markers = kYotMarkers,
};

constexpr Table::ChannelLine kGivChannels[] = {{"  GIVCHANNEL1 1", 0}};
constexpr CardMarker kGivMarkers[] = {{"{c}", Value::cardIndex},
                                      {"{cs}", Value::familyNumber},
                                      {"{k}", Value::channel},
                                      {"{p}", Value::globalChannel}};
constexpr Table kGiv{
    .variablePrefix = "  VARIABLE _GIV_",
    .busAddressAfter = " 224",
    .family = CardFamilies::kGiv,
    .channelKeyword = "  GIVCHANNEL",
    .channelLines = kGivChannels,
    .markers = kGivMarkers,
};

} // namespace

ChannelCardHandler::ChannelCardHandler(const ChannelCardTable& table,
                                       std::vector<ChannelCard> cards)
    : CardSectionHandler(table.family, std::move(cards), CardNumbering::derivedBlock(1000)),
      m_table(table) {}

void ChannelCardHandler::selectCard() {
    m_loop.start(kChannels, card().channelBase);
}

int ChannelCardHandler::GetAddedSteps(int templateSteps) {
    const long long cards = writtenCards();
    if (cards == 0) {
        return 0;
    }
    const long long rangeSteps =
        static_cast<long long>(templateSteps) - kStepsOutsideCards - kCardStepsOutsideRange;
    return addedSteps(kStepsOutsideCards + cards * kCardStepsOutsideRange +
                          kChannels * cards * rangeSteps - templateSteps,
                      templateSteps);
}

void ChannelCardHandler::OnDataLine(std::string& line) {
    takeKind(line, ChannelRangeSteps::markers);
    replaceCardMarkers(line, m_table.markers, m_loop);
}

void ChannelCardHandler::endStepOfKind(int kind, int stepNumber, std::int64_t) {
    endChannelRangeStep(kind, stepNumber, m_loop);
}

void ChannelCardHandler::OnBodyLine(std::string& line) {
    // The init string names the channel under test; the template holds channel 1.
    if (rewriteVariable(line, m_table.variablePrefix, cardIndex()) ||
        rewriteBusAddress(line, m_table.busAddressAfter, cardBusAddress()) ||
        rewriteInitValue(line, "1", m_loop.channel())) {
        return;
    }
    if (m_loop.globalChannel() >= 2) {
        rewriteChannelLine(line);
    }
}

bool ChannelCardHandler::rewriteChannelLine(std::string& line) const {
    for (const auto& channelLine : m_table.channelLines) {
        if (startsWith(line, channelLine.prefix)) {
            line = std::string(m_table.channelKeyword) +
                   std::to_string(saturatingAdd(m_loop.globalChannel(), channelLine.add)) +
                   " 1";
            return true;
        }
    }
    return false;
}

CBaqFctHandler::CBaqFctHandler(const std::vector<CBaqInfo>& cards)
    : ChannelCardHandler(kBaq, channelCards(cards)) {}

CYotFctHandler::CYotFctHandler(const std::vector<CYotInfo>& cards)
    : ChannelCardHandler(kYot, channelCards(cards)) {}

CGivFctHandler::CGivFctHandler(const std::vector<CGivInfo>& cards)
    : ChannelCardHandler(kGiv, channelCards(cards)) {}

} // namespace tarvik
