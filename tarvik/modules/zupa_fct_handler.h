#pragma once

// CZupaFctHandler: the current-monitor module "zu_pa.fct". Without a ZUPA card the module is
// left as copied. With one, each step's upper limit comes from {OG(ZUPA)=...}, or from
// {OG(5VNG)=...} for the ZUPA with 5 V supply, whose "{IGNORE_5VNG}" steps are dropped.

#include "tarvik/modules/conditional_steps.h"
#include "tarvik/modules/module_file_handler.h"
#include "tarvik/modules/value_slot.h"

namespace tarvik {

class CZupaFctHandler : public CModuleFileHandler {
public:
    // 0 no ZUPA card, 1 a ZUPA card, 2 a ZUPA card with 5 V supply ("ZUPA (5V-NG)").
    explicit CZupaFctHandler(int zupaMode);

    bool Prepare() override;

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;

private:
    bool with5VSupply() const { return m_zupaMode == 2; }

    int m_zupaMode;
    ConditionalSteps m_conditions;
    ValueSlot m_ogValue; // "OG"
};

} // namespace tarvik
