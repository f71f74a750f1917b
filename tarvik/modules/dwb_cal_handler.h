#pragma once

// CDwbCalHandler: the DWB calibration module ("dwb_cal.fct", or "dwb_cal_3458.fct" for the
// 3458A). The template's card section, from "{CARD_BEGIN}" to "{CARD_END}", is written once
// per DWB card (at most 8) with the card's bus address, in blocks of the first section's
// length rounded up to a multiple of 1000. In the actual-value twin the steps marked
// "{IGNORE_IST}" are dropped. Data-line marker: {c} card index.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/card_section_handler.h"
#include "tarvik/modules/module_file_handler.h"

#include <vector>

namespace tarvik {

class CDwbCalHandler : public CardSectionHandler<CDwbInfo, CModuleFileHandler> {
public:
    CDwbCalHandler(std::vector<CDwbInfo> cards, bool ist);

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;
    void endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) override;
    int cardEndNumber(int stepNumber) const override;

private:
    bool m_ist;
};

} // namespace tarvik
