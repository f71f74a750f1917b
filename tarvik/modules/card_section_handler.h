#pragma once

// CardSectionHandler: the part that the card generators share (KVR, TQD, NORV, SEQ, DWB,
// logic, channel-card, JEL and FJN). Each writes its template's card section (from the step
// marked "{CARD_BEGIN}" to the one marked "{CARD_END}") once per card of its list, at most
// `maxCards` of them, and numbers the sections in blocks, fixed (2000) or sized from the first
// card's section (card_sequence.h). The generator
// derives from it (over CModuleFileHandler or CTemplateFileHandler), names the card begin and
// card end in its OnEndStep and sets its own counters for each card in selectCard().
//
// Everything lives in the handler object: the first card of every module sizes the block
// afresh, so generating the same configuration twice in one process gives the same modules.

#include "tarvik/modules/card_sequence.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// A step count computed from a template's count, clamped to what an int holds.
inline int clampedStepCount(long long count) {
    return static_cast<int>(std::clamp<long long>(count, INT_MIN, INT_MAX));
}

template <typename Info, typename Base> class CardSectionHandler : public Base {
protected:
    template <typename... BaseArgs>
    CardSectionHandler(std::vector<Info> cards, int maxCards, CardNumbering numbering,
                       BaseArgs&&... baseArgs)
        : Base(std::forward<BaseArgs>(baseArgs)...), m_cards(std::move(cards), maxCards),
          m_numbering(numbering), m_maxCards(maxCards) {}

    // For the generator's Prepare: false without cards; otherwise the first card is current.
    bool startCards() {
        if (m_cards.empty()) {
            return false;
        }
        m_cards.selectFirst();
        m_cardBegin.reset();
        selectCard();
        return true;
    }

    // Sets the generator's counters for the card that has just become current.
    virtual void selectCard() = 0;

    // How many cards of the list the module holds.
    int writtenCards() const { return std::min(m_cards.size(), m_maxCards); }

    const Info& card() const { return m_cards.current(); }
    int cardIndex() const { return m_cards.index(); }

    // At the end of the card-begin step (its template number and input position).
    void cardBegins(int stepNumber, std::int64_t stepStart) {
        m_numbering.cardBegins(stepNumber);
        m_cardBegin = stepStart;
    }

    // At the end of the card-end step. `endNumber` sizes the block at the first card (the
    // step's template number, or the number it was written with). The next card, if the
    // module holds one, reads the card section again, its steps raised by its block; after the
    // last card the steps keep their template numbers and no more statements are rewritten.
    void cardEnds(int endNumber) {
        m_numbering.cardEnds(endNumber, m_cards.index());
        if (m_cards.hasNext() && m_cardBegin) {
            m_cards.selectNext();
            selectCard();
            this->SeekInput(*m_cardBegin);
            this->m_numberOffset = m_numbering.offset(m_cards.index());
        } else {
            this->m_numberOffset = 0;
            this->m_bodyDone = true;
        }
        this->m_nextNumber = 0;
    }

    // Number of the first repetition of template step `stepNumber` in the current card.
    int repeatNumber(int stepNumber) const {
        return m_numbering.repeatNumber(stepNumber, m_cards.index());
    }

    CardList<Info> m_cards;
    CardNumbering m_numbering;

private:
    int m_maxCards;
    std::optional<std::int64_t> m_cardBegin;
};
