#pragma once

// SupplyCardHandler: what the KVR and TQD generators share beyond the card section, the steps
// of a card's power supplies. A card record's supplyFit tells its supplies: "NG++" (two
// positive supplies), "NG+-" (a positive and a negative one); any other fit, none. The
// template holds a positive and a negative supply step for the first supply; the generator
// reads them again for the second supply, or drops them for a card without supplies.

#include "tarvik/modules/card_section_handler.h"
#include "tarvik/modules/module_text.h"
#include "tarvik/modules/template_file_handler.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvik {

template <typename Info>
class SupplyCardHandler : public CardSectionHandler<Info, CTemplateFileHandler> {
public:
    bool Prepare() override {
        m_previousStepNumber = 0;
        return this->startCards();
    }

protected:
    using CardSectionHandler<Info, CTemplateFileHandler>::CardSectionHandler;

    // The template number of the step read before is kept for the supply numbering.
    void OnEndStep(int stepNumber, std::int64_t stepStart) override {
        CardSectionHandler<Info, CTemplateFileHandler>::OnEndStep(stepNumber, stepStart);
        m_previousStepNumber = stepNumber;
    }

    // The steps the module adds, for GetAddedSteps: `outside` template steps stand outside the
    // card section; each written card writes `cardSteps(card)` steps, and a card with supplies
    // also every template step of the section but `notWithSupplies`.
    template <typename CardSteps>
    int supplyCardsAddedSteps(int templateSteps, int outside, int notWithSupplies,
                              CardSteps cardSteps) const {
        const int written = this->writtenCards();
        if (written == 0) {
            return 0;
        }
        // Counted wide: a template announcing a huge count must not overflow the sum.
        long long added = static_cast<long long>(outside) - templateSteps;
        for (int i = 1; i <= written; ++i) {
            const Info& card = *this->m_cards.at(i);
            added += cardSteps(card);
            if (hasSupplies(card.supplyFit)) {
                added += static_cast<long long>(templateSteps) - notWithSupplies;
            }
        }
        return addedSteps(added, templateSteps);
    }

    bool hasSupply() const { return hasSupplies(this->card().supplyFit); }

    // A supply's result column belongs to a card by the letter after `prefix` ("A" the first
    // card of the list) and is hidden when that card is not in the list or has no supplies.
    // Columns without the prefix and a letter after it are shown.
    bool supplyColumnHidden(const std::string& header, std::string_view prefix) const {
        const std::size_t at = prefix.size();
        if (!startsWith(header, prefix) || header.size() <= at || header[at] < 'A') {
            return false;
        }
        const Info* card = this->m_cards.at(header[at] - 'A' + 1);
        return card == nullptr || !hasSupplies(card->supplyFit);
    }

    // What the negative supply step did.
    enum class NegativeSupply {
        none,          // the card has no supplies: nothing was done
        secondSupply,  // it ended the second supply's pass
        negativeAgain, // "NG+-": read again for the second supply
        positiveAgain, // "NG++": the positive step (at `positiveStart`) is read again
    };

    // The negative step is read for each supply: dropped (`drop` set) for the first supply,
    // and for the second one also for "NG++"; after the first supply the second one starts.
    // The generator numbers what follows by the result.
    NegativeSupply endNegativeSupply(std::int64_t stepStart,
                                     std::optional<std::int64_t> positiveStart, bool& drop) {
        const SupplyFit supplyFit = this->card().supplyFit;
        if (!hasSupplies(supplyFit)) {
            return NegativeSupply::none;
        }
        drop = m_supplyNo == 1 || supplyFit == SupplyFit::plusPlus;
        if (m_supplyNo != 1) {
            return NegativeSupply::secondSupply;
        }
        m_supplyNo = 2;
        if (supplyFit == SupplyFit::plusMinus) {
            this->SeekInput(stepStart);
            return NegativeSupply::negativeAgain;
        }
        if (positiveStart) {
            this->SeekInput(*positiveStart);
        }
        return NegativeSupply::positiveAgain;
    }

    // The positive step read again goes on from the step before it (20 further, with the
    // card's offset), unless the numbering runs already.
    void numberAfterPreviousStep() {
        this->startNumbering(saturatingAdd(m_previousStepNumber,
                                               this->m_numbering.offset(this->cardIndex()) + 20));
    }

    int m_supplyNo = 1;
    int m_previousStepNumber = 0;
};

} // namespace tarvik
