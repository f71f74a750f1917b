#pragma once

// CZupaFctHandler: the current-monitor module "zu_pa.fct". Without a ZUPA card the module is
// left as copied. With one, each step's upper limit comes from {OG(ZUPA)=...}, or from
// {OG(5VNG)=...} for the ZUPA with 5 V supply, whose "{IGNORE_5VNG}" steps are dropped.

#include "tarvik/modules/conditional_steps.h"
#include "tarvik/modules/value_slot.h"

namespace tarvik {

class CZupaFctHandler : public CConditionalStepHandler {
public:
    // 0 no ZUPA card, 1 a ZUPA card, 2 a ZUPA card with 5 V supply ("ZUPA (5V-NG)").
    explicit CZupaFctHandler(int zupaMode);

    bool Prepare() override;

protected:
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;

private:
    static bool with5VSupply(int zupaMode) { return zupaMode == 2; }
    bool with5VSupply() const { return with5VSupply(m_zupaMode); }

    int m_zupaMode;
    ValueSlot m_ogValue; // "OG"
};

} // namespace tarvik
