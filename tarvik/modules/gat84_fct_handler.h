#pragma once

// CGat84FctHandler: the GAT84 function-test module "gat84.fct". The template's card section,
// from "{CARD_BEGIN}" to "{CARD_END}", is written once per GAT84 card (at most 4), numbered in
// blocks of the first section's template length rounded up to a multiple of 1000. Variable,
// bus addresses and the digital pattern statements are moved to the card; the step numbers
// that fail-data lines name are raised with the card's block. Data-line marker: {c} card
// index.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/card_section_handler.h"
#include "tarvik/modules/module_file_handler.h"

#include <vector>

namespace tarvik {

class CGat84FctHandler : public CardSectionHandler<CGat84Info, CModuleFileHandler> {
public:
    explicit CGat84FctHandler(std::vector<CGat84Info> cards);

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;

private:
    void renumberFailData(std::string& line) const;
};

} // namespace tarvik
