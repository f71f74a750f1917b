#pragma once

// CNorvFctHandler: the NORV860 module "norv.fct". The card combines a 24-channel relay matrix,
// tested like the KVR card in 6 groups of 4 channels, with a digital part written with the
// logic cards' pattern statements. The template's card section (from "{CARD_BEGIN}" to
// "{CARD_END}") is written once per NORV card (at most 8); the sections are numbered in blocks
// of the first card's section length rounded up to a multiple of 1000.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/card_section_handler.h"
#include "tarvik/modules/module_file_handler.h"

#include <vector>

namespace tarvik {

class CNorvFctHandler : public CardSectionHandler<CNorvInfo, CModuleFileHandler> {
public:
    explicit CNorvFctHandler(std::vector<CNorvInfo> cards);

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void endStepOfKind(int kind, int stepNumber, std::int64_t stepStart) override;
    void OnBodyLine(std::string& line) override;
    void selectCard() override;

private:
    ChannelLoop m_loop{4};
};

} // namespace tarvik
