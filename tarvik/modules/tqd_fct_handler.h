#pragma once

// CTqdFctHandler: the TQD function-test module "tqd.fct". Its template describes the test of
// one TQD card: a card section from the step marked "{CARD_BEGIN}" to the one marked
// "{CARD_END}" with group and channel steps (48 channels, 72 on the TQD76, in groups of 4) and
// the steps of up to two power supplies with voltage, current and monitor. The card section is
// written once per TQD card (at most 8), card c numbered 2000 x (c-1) higher:
//  - every channel gets its channel step, every group its group step (numbered on by 10);
//  - a matrix card or a TQD76 writes no supply steps; "NG+-" writes the positive and the
//    negative steps once each, "NG++" the positive steps twice; from the positive step on the
//    steps are numbered consecutively;
//  - steps marked "{IGNORE_SENSE}" are written only for the cards with sense lines (the "NS"
//    variants), steps marked "{IGNORE_NOSENSE}" only for the others;
//  - bus address, channel, supply and monitor numbers and the values for the system type are
//    written into the statements; "Mng" columns of cards without supplies are hidden.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/supply_card_handler.h"

#include <vector>

namespace tarvik {

class CTqdFctHandler : public SupplyCardHandler<CTqdInfo> {
public:
    CTqdFctHandler(std::vector<CTqdInfo> cards, int systemType);

    bool Prepare() override;

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) override;
    void OnBodyLine(std::string& line) override;
    bool IsColumnHidden(const std::string& header) override;
    void selectCard() override;

private:
    void takeMarkers(std::string& line);
    void replaceTextMarkers(std::string& line);
    void endPositiveSupply(int stepNumber);
    void endNegativeSupply(int stepNumber, std::int64_t stepStart);
    bool replaceSupplyLine(std::string& line) const;
    int supplyBase() const { return m_supplyNo + 2 * m_cards.index(); }

    ChannelLoop m_loop{4};
    bool m_dropping = false; // steps are dropped while set (a card without supplies)
    ValueSlot m_nuValue;     // "NU", supply voltage for the system type
    ValueSlot m_niValue;     // "NI", supply current for the system type
};

} // namespace tarvik
