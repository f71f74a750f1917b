#pragma once

// CJelHandler: the JEL6 modules, the function test "jel_fkt.fct" and the component test
// "jel_ict.ict" (one handler object per module). The template's card section, from
// "{CARD_BEGIN}" to "{CARD_END}", is written once per JEL card (at most 8) with the card's
// variable, bus address and channels, numbered in blocks of the first section's template
// length rounded up to a multiple of 500. The template holds the channels X1 ... X8 of the
// first card: "  HIGH X3" and "  LOW X3" statements and the data-line tokens "{v,3}" move to
// the card's channels. Data-line marker: {c} card index.

#include "tarvik/config/card_records.h"
#include "tarvik/modules/card_section_handler.h"
#include "tarvik/modules/module_file_handler.h"

#include <vector>

namespace tarvik {

class CJelHandler : public CardSectionHandler<CJelInfo, CModuleFileHandler> {
public:
    explicit CJelHandler(std::vector<CJelInfo> cards);

protected:
    int GetAddedSteps(int templateSteps) override;
    void OnDataLine(std::string& line) override;
    void OnBodyLine(std::string& line) override;

private:
    void replaceChannelToken(std::string& line) const;
    bool rewriteChannelStatement(std::string& line, std::string_view keyword) const;
};

} // namespace tarvik
