#pragma once

// CKvrFctHandler: the KVR function-test module "kvr.fct". Its template describes the test of
// one KVR860 card: a card section from the step marked "{CARD_BEGIN}" to the one marked
// "{CARD_END}" with a KVR selection part (group and channel steps, positive and negative
// power-supply steps, ending at "{SEL_KVR_END}") and a TQD selection part (high and low group
// and channel steps, the supply steps of the TQD pass, ending at "{SEL_TQD_END}"). The card
// section is written once per KVR card (at most 8), the steps of card c numbered 2000 x (c-1)
// higher:
//  - every channel (24, in 6 groups of 4) gets its channel step and every group its group
//    step, the repetitions numbered on in steps of 10;
//  - the supply steps follow the card's supply fit: none (the supply steps and the steps
//    between them up to the selection end are dropped), "NG+-" (the positive and the
//    negative step once each) or "NG++" (the positive step twice, once per supply);
//  - bus addresses, channel and supply numbers and the values for the system type are
//    written into the statements; result columns of supplies no card has are hidden.
// Steps before the card section are written with the first card's values, steps after it are
// written as the template holds them.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/supply_card_handler.h"

#include <vector>

namespace tarvik {

class CKvrFctHandler : public SupplyCardHandler<CKvrInfo> {
public:
    CKvrFctHandler(std::vector<CKvrInfo> cards, int systemType);

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) override;
    void OnBodyLine(std::string& line) override;
    bool IsColumnHidden(const std::string& header) override;
    void selectCard() override;
    bool keepsHookResults() const override { return true; }

private:
    void replaceTextMarkers(std::string& line);
    void endChannelStep(int stepNumber, std::int64_t stepStart, int groupKind);
    void endPositiveSupply(int selectionEndKind);
    void endNegativeSupply(std::int64_t stepStart, int positiveKind);
    void endSelection(std::int64_t stepStart, bool resetCounters);
    bool replaceAddressLine(std::string& line) const;
    bool replaceInitString(std::string& line) const;
    bool replaceSupplyLine(std::string& line) const;
    bool replaceSelectionValue(std::string& line) const;
    void renumberFailData(std::string& line) const;
    int supplyNumber() const;
    int cardOffset() const { return m_numbering.offset(m_cards.index()); }

    ChannelLoop m_loop{4};
    std::string m_selCode = "KVR";
    ValueSlot m_nuValue;  // "NU", supply voltage for the system type
    ValueSlot m_urValue;  // "UR", measuring range for the system type
    ValueSlot m_selValue; // "SEL", value of the KVR or the TQD pass
};

} // namespace tarvik
