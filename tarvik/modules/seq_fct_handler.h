#pragma once

// CSeqFctHandler: the SEQ28 module "seq.fct". The card combines a 24-channel matrix (tested in
// 6 groups of 4 like the KVR card), a digital part written with the logic cards' pattern
// statements and 32 relay lines tested in HIGH/LOW pairs. The template's card section (from
// "{CARD_BEGIN}" to "{CARD_END}") is written once per SEQ card (at most 8), card c numbered
// 2000 x (c-1) higher. Its relay steps come in two sets: "{TEST_SEW1_...}" for the card that
// holds relays 1 ... 32 of the system's relay numbering, "{TEST_SEWn_...}" for any other; each
// set has a high-to-low step, written once per further relay with LOW moving on, and a
// low-to-high step with HIGH moving on. A card drops the set that is not its own.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/card_section_handler.h"
#include "tarvik/modules/template_file_handler.h"

#include <vector>

namespace tarvik {

class CSeqFctHandler : public CardSectionHandler<CSeqInfo, CTemplateFileHandler> {
public:
    CSeqFctHandler(int systemType, std::vector<CSeqInfo> cards);

    bool Prepare() override;

    // The relay line written for "{rl}": by relay index 1 ... 32 and direction; -1 otherwise.
    static int relayLine(int relayIndex, bool highBelowLow);

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) override;
    void OnBodyLine(std::string& line) override;
    void selectCard() override;

private:
    void replaceTextMarkers(std::string& line);
    void endFirstSetHighToLow(int stepNumber, std::int64_t stepStart);
    void endFirstSetLowToHigh(std::int64_t stepStart);
    void endOtherSetHighToLow(std::int64_t stepStart);
    void endOtherSetLowToHigh(std::int64_t stepStart);
    void nextRelay(int& relay, std::int64_t stepStart);
    bool replaceStatement(std::string& line) const;
    int relayBase() const { return card().relayBase; }

    ChannelLoop m_loop{4};
    int m_relayIndex = 2; // j: the relay line of the pairing, 1 ... 32
    int m_relayNo = 0;    // r: the paired relay in the system's relay numbering
    int m_highRelay = 0;  // written into "  HIGH " when not 0
    int m_lowRelay = 0;   // written into "  LOW " when not 0
};

} // namespace tarvik
