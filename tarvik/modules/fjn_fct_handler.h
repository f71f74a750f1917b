#pragma once

// CFjnFctHandler: the FJN function-test module "fjn.fct". The template describes the test of
// one FJN860 card (8 channels, 4 in its 4-channel variant):
//  - a card section from "{CARD_BEGIN}" to "{CARD_END}", written once per FJN card (at most
//    4), numbered in blocks of the first section's template length rounded up to a multiple
//    of 1000;
//  - steps measuring one channel each, named by their "  HIGH H<x>" statement; such a step
//    is read once more after its channel became the measured one (so that "{m}" in its data
//    lines names it), and dropped, together with the unmarked steps after it, for a channel
//    the card lacks;
//  - a stimulus part from the step marked "{TEST_STIM}" to the last unmarked step before the
//    card end, written once per channel of the card as the stimulated one. Its "FJNCHANNEL"
//    statements are reordered so that the stimulated channel comes first; the stimulus passes
//    are numbered on in steps of 10.
// Data-line markers: {c} card index, {k} stimulated channel of the card, {m} measured and {l}
// stimulated channel in the system-wide FJN numbering.
//
// The values that tell where the stimulus part ends (the last unmarked step before the first
// card end, and whether a card end was seen) belong to the handler object, so every module
// starts afresh and the same configuration always gives the same module.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/card_section_handler.h"
#include "tarvik/modules/module_file_handler.h"

#include <optional>
#include <vector>

namespace tarvik {

class CFjnFctHandler : public CardSectionHandler<CFjnInfo, CModuleFileHandler> {
public:
    explicit CFjnFctHandler(std::vector<CFjnInfo> cards);

    bool Prepare() override;

    // Channels of a card: 4 for the 4-channel variant (channels 2), else 8.
    static int channelCount(const CFjnInfo& card);

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;
    void endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) override;
    void selectCard() override;

private:
    void endPlainStep(int stepNumber);
    void endCardSection();
    bool nextStimulus();
    void rewriteChannelLine(std::string& line) const;
    void rewriteMeasuredChannel(std::string& line);
    int measuredSlot() const;

    ChannelLoop m_stimulus; // stimulated channel of the card and in the FJN numbering
    int m_measChannel = 0;
    std::optional<int> m_lastPlainNumber;
    bool m_cardEndSeen = false;
    bool m_highSeen = false; // a "  HIGH H" statement of this reading of the step was seen
};

} // namespace tarvik
