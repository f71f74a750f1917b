#pragma once

// CCalIctHandler: the component-test module of the calibration Testmappe
// ("bauteiltest0.ict"). Besides nominal value and limits (SW/UG/OG) its steps carry a second
// set for the reference measurement (TSW/TUG/TOG into TVALUE/TLOWER/TUPPER). Steps marked
// "{IGNORE_IST}" are dropped in the actual-value twin, steps marked "{IGNORE_3458}" when the
// Keysight 3458A is the calibration instrument.

#include "tarvik/modules/conditional_steps.h"
#include "tarvik/modules/template_file_handler.h"

namespace tarvik {

class CCalIctHandler : public CTemplateFileHandler {
public:
    CCalIctHandler(int systemType, bool ist, bool with3458);

    bool Prepare() override;

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;

private:
    bool m_ist;
    ConditionalSteps m_conditions;
    ValueSlot m_tNominal; // "TSW"
    ValueSlot m_tLower;   // "TUG"
    ValueSlot m_tUpper;   // "TOG"
};

} // namespace tarvik
