#pragma once

// The function-test modules of the channel cards BAQ44 ("baq.fct"), YOT860 ("yot.fct") and
// GIV12 ("giv.fct"). Their templates describe the test of one card: a card section from
// "{CARD_BEGIN}" to "{CARD_END}" holding a channel range from "{TEST_CHANNEL_BEGIN}" to
// "{TEST_CHANNEL_END}". The card section is written once per card (at most 8), numbered in
// blocks of the first section's template length rounded up to a multiple of 1000, and the
// channel range 16 times per card (the repetitions numbered on in steps of 10). The three
// generators differ only in their table: variable line, bus addresses, channel statements and
// data-line markers.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/card_section_handler.h"
#include "tarvik/modules/module_file_handler.h"

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace tarvik {

// What a channel-card record tells the generator.
struct ChannelCard {
    int channelBase = 0; // first system-wide channel of the card
    int familyNumber = 0;
};

// One family's differences.
struct ChannelCardTable {
    // A channel statement of the template ("  BAQCHANNEL17 1") and how far its channel lies
    // from the channel under test.
    struct ChannelLine {
        std::string_view prefix;
        int add = 0;
    };

    std::string_view variablePrefix;  // what the card's number follows, "  VARIABLE _BAQ_"
    std::string_view busAddressAfter; // text after BUSMADDRESS/BUSSADDRESS, " 224"
    const CardFamilyTable& family;    // bus addresses, channels and how many cards
    std::string_view channelKeyword;  // "  BAQCHANNEL"
    std::span<const ChannelLine> channelLines;
    std::span<const CardMarker> markers;
};

class ChannelCardHandler : public CardSectionHandler<ChannelCard, CModuleFileHandler> {
public:
    // Passes of the channel range per card (a BAQ44 tests three channels 16 apart in each).
    static constexpr int kChannels = 16;

protected:
    ChannelCardHandler(const ChannelCardTable& table, std::vector<ChannelCard> cards);

    // The fields of any channel-card record.
    template <typename Info>
    static std::vector<ChannelCard> channelCards(const std::vector<Info>& cards) {
        std::vector<ChannelCard> list;
        list.reserve(cards.size());
        for (const Info& info : cards) {
            list.push_back({info.channelBase, info.familyNumber});
        }
        return list;
    }

    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;
    void endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) override;
    void selectCard() override;

private:
    bool rewriteChannelLine(std::string& line) const;

    const ChannelCardTable& m_table;
    ChannelLoop m_loop;
};

// BAQ44: each pass tests three channels 16 apart. Markers {c} card index, {cs} family number,
// {k1}, {k2}, {k3} the three channels of the card.
class CBaqFctHandler : public ChannelCardHandler {
public:
    explicit CBaqFctHandler(const std::vector<CBaqInfo>& cards);
};

// YOT860. Markers {c} card index, {k} channel of the card, {h} system-wide channel.
class CYotFctHandler : public ChannelCardHandler {
public:
    explicit CYotFctHandler(const std::vector<CYotInfo>& cards);
};

// GIV12. Markers {c} card index, {cs} family number, {k} channel of the card, {p}
// system-wide channel.
class CGivFctHandler : public ChannelCardHandler {
public:
    explicit CGivFctHandler(const std::vector<CGivInfo>& cards);
};

} // namespace tarvik
