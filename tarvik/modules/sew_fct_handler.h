#pragma once

// CSewFctHandler: the SEW relay-card module "sew.fct". The template holds the steps of a
// first card whose relays are numbered from 1 (steps 20, 30, 40) and the steps of every
// further card (2020, 2030, 2040), then the closing step 100000; the steps are recognised by
// these template numbers. For every card the high-to-low step is written once per further
// relay of the card ("HIGH" at the card's first relay, "LOW" at relay 2, 3 ...), then the
// low-to-high step with the roles exchanged. A first card whose relays do not start at 1
// (their first numbers went to SEQ cards) drops the first-card steps and is written through
// the further-card steps; further cards are numbered 2000 higher each.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/card_sequence.h"
#include "tarvik/modules/data_line_plans.h"
#include "tarvik/modules/template_file_handler.h"

#include <optional>
#include <vector>

namespace tarvik {

class CSewFctHandler : public CTemplateFileHandler {
public:
    CSewFctHandler(int systemType, std::vector<CSewInfo> cards);

    // False (module left as copied) without SEW cards; otherwise starts at the first card.
    bool Prepare() override;

    // Where relay `relay` (2 ... relayCount) of a card lies on the card ("{rl}"), for the
    // high-to-low steps (`highToLow`) or the low-to-high ones; -1 outside the card or for an
    // unknown relay kind.
    static int relayLocation(const CSewInfo& card, int relay, bool highToLow);

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnEndStep(int stepNumber, std::int64_t stepStart) override;
    void OnBodyLine(std::string& line) override;
    bool keepsHookResults() const override { return true; }

private:
    void selectCard();
    void endFirstCardHighToLow(std::int64_t stepStart);
    void endFirstCardLowToHigh(std::int64_t stepStart);
    void endFurtherCardHighToLow(std::int64_t stepStart);
    void endFurtherCardLowToHigh(std::int64_t stepStart);
    void repeatStep(int& relay, std::int64_t stepStart);
    void startLowToHigh();
    bool pairsLeft() const;
    int cardIndex() const { return m_finished ? 0 : m_cards.index(); }

    CardList<CSewInfo> m_cards;
    bool m_finished = false; // the last card was finished in the first-card steps
    int m_pairNo = 2;        // relay of the current pairing within the card
    int m_runningRelay = 0;  // that relay's number in the run's relay numbering
    int m_highRelay = 0;
    int m_lowRelay = 0;
    std::optional<std::int64_t> m_furtherCardStart; // where step 2020 began
    DataLinePlans m_linePlans;
};

} // namespace tarvik
