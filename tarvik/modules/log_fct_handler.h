#pragma once

// CLogFctHandler: the logic-card function-test module "logik.fct" for AGAT520 and GAT860
// cards. The template's card section, from "{CARD_BEGIN}" to "{CARD_END}", is written once
// per card (at most 8), numbered in blocks of the first section's template length rounded up
// to a multiple of 1000; each step marked "{TEST_CHANNELS}" is written 32 times, once per
// channel of the card (the repetitions numbered on in steps of 10). Steps marked
// "{IGNORE_GAT520}" are dropped for an AGAT520.
//
// Values per system type: nominal value and limits (SW, UG, OG) as in every template module,
// and the drive and compare-low levels TH and CL ({TH(860)=5.0}), which replace the levels of
// LOGDRIVEHIGH and LOGCOMPLOW and the default tokens "{th,5.0}" and "{cl,0.8}" of data lines.
// Data-line markers: {c} card index, {k} channel of the card, {l} digital channel.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/card_section_handler.h"
#include "tarvik/modules/template_file_handler.h"

#include <vector>

namespace tarvik {

class CLogFctHandler : public CardSectionHandler<CLogInfo, CTemplateFileHandler> {
public:
    CLogFctHandler(std::vector<CLogInfo> cards, int systemType);

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;
    void endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) override;
    void selectCard() override;

private:
    bool rewriteInitString(std::string& line) const;

    ChannelLoop m_loop;
    ValueSlot m_driveHigh;  // "TH"
    ValueSlot m_compareLow; // "CL"
};

} // namespace tarvik
