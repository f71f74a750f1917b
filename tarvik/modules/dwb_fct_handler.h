#pragma once

// CDwbFctHandler: the DWB function-test module "dwb.fct". The template describes the test of
// one DWB860 (a digital pattern card with 16 channels): a card section from "{CARD_BEGIN}" to
// "{CARD_END}" holding a channel range from "{TEST_CHANNEL_BEGIN}" to "{TEST_CHANNEL_END}".
// The card section is written once per DWB card (at most 8), the channel range 16 times per
// card (the repetitions numbered on in steps of 10), and the card sections in blocks of the
// first section's written length rounded up to a multiple of 1000.
//
// Statements follow the card and channel: variable, bus addresses, the channel bit of the
// init string, and the pattern statements, which the template holds for channel 1 of the
// first card: DWBSTEP patterns move right by one dot per channel before the card's first
// channel (before the channel under test in steps marked "{DWB_SHIFT}"), DWBDRIVE, DWBCOMPHI
// and DWBCOMPLO take the channel numbers of the card (channel 1 of a "{DWB_SHIFT}" step the
// channel under test). Steps marked "{IGNORE_945}" are dropped in a 945 system.
//
// Data-line markers: {c} card index, {k} channel of the card, {p} system-wide DWB channel.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/card_section_handler.h"
#include "tarvik/modules/module_file_handler.h"

#include <vector>

namespace tarvik {

class CDwbFctHandler : public CardSectionHandler<CDwbInfo, CModuleFileHandler> {
public:
    CDwbFctHandler(std::vector<CDwbInfo> cards, bool is945);

    bool Prepare() override;

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;
    void endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) override;
    int cardEndNumber(int stepNumber) const override;
    void selectCard() override;

private:
    bool rewriteInitString(std::string& line) const;
    bool rewriteChannelStatement(std::string& line) const;

    bool m_is945;
    ChannelLoop m_loop;
    bool m_shift = false; // the step carries "{DWB_SHIFT}"
};

} // namespace tarvik
