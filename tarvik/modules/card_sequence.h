#pragma once

// Mechanics that the card generators share. A card generator writes its template's card
// section (the steps from the one marked "{CARD_BEGIN}" to the one marked "{CARD_END}") once
// per card of its family by reading the section again for every further card, and inside the
// section reads channel steps (and the group step before every few channels) again for every
// channel of the card.
//
// The pieces here keep the counters and decide what comes next; CardSectionHandler
// (card_section_handler.h) applies the decisions through the handler base's named operations
// (SeekInput, numberFrom, raiseNumbersBy, finishBody):
//
//   CardList<Info>  the family's records, the card being written and its 1-based index;
//                   at most `maxCards` of the list are written.
//   CardNumbering   step numbers of the card sections: card c's steps carry their template
//                   numbers raised by (c - 1) x block size, with a fixed block (2000) or one
//                   derived from the first card's section (a multiple of 1000, or 500).
//   ChannelLoop     channel, group and system-wide channel of the loop over a card's
//                   channels, and where the input is read on after a channel step.
//   StepStarts      input positions where the last step of each kind began, so that a
//                   generator can go back to them.
//   takeStepKind    the kind marker of a data line ("{TEST_CHANNELS}" ...), from a table
//   CardSteps       the kinds of "{CARD_BEGIN}" and "{CARD_END}", which the base handles
//   familyValue     a per-family table value by 1-based number, else 0
//
// Typical use in a generator derived from CardSectionHandler:
//
//   selectCard():     m_loop.start(m_family.channels, card().channelBase);
//   OnDataLine():     takeKind(line, kKindMarkers);
//                     replaceCardMarkers(line, kCardMarkers, m_loop);
//   endStepOfKind():  case kChannels: endLoopChannelStep(m_loop, kGroups, stepNumber, stepStart);
//
// The card begin and card end (reading the section again for the next card, renumbering it
// and stopping the body rewrites after the last card) need no code in the generator.
//
// All state belongs to the generator object, so the same configuration always gives the same
// module, whatever ran before in the process.

#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// The ordered records of one card family and the card being written.
template <typename Info> class CardList {
public:
    static constexpr int kNoLimit = INT_MAX;

    // `maxCards`: how many cards of the list the module holds; later records are not written.
    CardList(std::vector<Info> cards, int maxCards)
        : m_cards(std::move(cards)), m_maxCards(maxCards) {}

    bool empty() const { return m_cards.empty(); }
    int size() const { return static_cast<int>(m_cards.size()); }
    const std::vector<Info>& all() const { return m_cards; }

    // The record at a 1-based list position; nullptr outside the list.
    const Info* at(int index) const {
        return index >= 1 && index <= size() ? &m_cards[static_cast<std::size_t>(index - 1)]
                                             : nullptr;
    }

    // Makes the first card current (index 1); index 0 for an empty list.
    void selectFirst() { m_index = empty() ? 0 : 1; }

    // Whether a further card is to be written: the list holds one after the current card and
    // the current card is not the last one the module may hold.
    bool hasNext() const { return m_index >= 1 && m_index < size() && m_index < m_maxCards; }

    // Makes the next card current. Call only when hasNext().
    void selectNext() {
        if (hasNext()) {
            ++m_index;
        }
    }

    // 1-based index of the current card; 0 before selectFirst (or for an empty list).
    int index() const { return m_index; }

    // The current card; an all-zero record when none is selected, so that a generator run
    // without a card (Process without a successful Prepare) reads zeros instead of crashing.
    const Info& current() const {
        const Info* card = at(m_index);
        return card != nullptr ? *card : m_none;
    }

private:
    std::vector<Info> m_cards;
    int m_maxCards;
    int m_index = 0;
    Info m_none{};
};

// Step numbers of the card sections. Card c's steps are numbered with their template numbers
// raised by offset(c) = (c - 1) x blockSize; steps written again inside a card (channels)
// continue in steps of 10 from the step they repeat.
class CardNumbering {
public:
    // A fixed block per card (2000 for the KVR, TQD, SEQ and SEW modules).
    static CardNumbering fixedBlock(int blockSize);
    // A block derived from the first card: the distance between the template numbers of its
    // card-begin and card-end steps, rounded up to a multiple of `unit` (at least one unit,
    // so that two card sections never share step numbers).
    static CardNumbering derivedBlock(int unit);

    // The card-begin step (template number) was read.
    void cardBegins(int templateNumber) { m_cardStart = templateNumber; }
    // The card-end step (template number, or for some generators the number written) of card
    // `cardIndex` was read; at the first card a derived block size is taken from it.
    void cardEnds(int endNumber, int cardIndex);

    int blockSize() const { return m_blockSize; }
    // How much card `cardIndex`'s steps are raised: (cardIndex - 1) x blockSize.
    int offset(int cardIndex) const;
    // The number of the first repetition of template step `stepNumber` of card `cardIndex`:
    // the step itself is written as stepNumber + offset, its repetition 10 further on.
    int repeatNumber(int stepNumber, int cardIndex) const;

private:
    CardNumbering(bool derived, int size) : m_derived(derived), m_unit(size), m_blockSize(size) {}

    bool m_derived;
    int m_unit;
    int m_blockSize;
    int m_cardStart = 0;
};

// The loop over the channels of one card: the channel step is read once per channel, and
// with groups, the group step is read again before the first channel of every group.
class ChannelLoop {
public:
    // `channelsPerGroup`: a group step precedes every that many channels; 0 for a loop
    // without group steps.
    explicit ChannelLoop(int channelsPerGroup = 0) : m_channelsPerGroup(channelsPerGroup) {}

    // Starts at channel 1 (group 1) of a card with `channelCount` channels whose first channel
    // has the number `channelBase` in the system-wide numbering.
    void start(int channelCount, int channelBase);
    // Back to channel 1 of the same card.
    void restart() { start(m_channelCount, m_channelBase); }

    int channel() const { return m_channel; }             // 1 ... channelCount
    int group() const { return m_group; }                 // 1 ...
    int globalChannel() const { return m_globalChannel; } // channelBase + channel - 1
    int channelCount() const { return m_channelCount; }

    struct Next {
        bool finished = false;     // the last channel's step was read: the loop is done
        std::int64_t readFrom = 0; // otherwise: the input position to read on from
        bool newGroup = false;     // reading on at the group step (a new group begins)
    };

    // At the end of a channel step: moves on to the next channel. `repeatFrom` is where the
    // channel's steps begin (usually the channel step itself); `groupStart` is where the
    // group step began, when one was seen. The first channel of a new group is read from
    // the group step; without a known group step the channel step is read again instead.
    // After the last channel the counters stay at it.
    Next advance(std::int64_t repeatFrom, std::optional<std::int64_t> groupStart);

    // advance() with the renumbering of the common channel step: returns where the input is
    // read on, nothing after the last channel. When the channel step itself is read again and
    // `nextNumber` (the handler's m_nextNumber) does not run yet, the repetitions are numbered
    // from `repeatNumber` on (CardNumbering::repeatNumber of the step).
    std::optional<std::int64_t> endChannelStep(std::int64_t repeatFrom,
                                               std::optional<std::int64_t> groupStart,
                                               int repeatNumber, int& nextNumber);

private:
    int m_channelsPerGroup;
    int m_channelCount = 0;
    int m_channelBase = 0;
    int m_channel = 1;
    int m_group = 1;
    int m_globalChannel = 0;
};

// The input positions where the last step of each kind began (kinds 1 ... kMaxKind).
class StepStarts {
public:
    static constexpr int kMaxKind = 15;

    void remember(int kind, std::int64_t position);
    // Where the last step of this kind began; nothing when none was seen.
    std::optional<std::int64_t> find(int kind) const;
    void forget(int kind);

private:
    std::array<std::optional<std::int64_t>, kMaxKind + 1> m_starts{};
};

// A step kind marker of a generator and the kind it gives a step.
struct StepKindMarker {
    std::string_view marker;
    int kind;
};

// Looks for the markers in table order; the first one the line holds is removed from it (every
// occurrence of that marker, no other) and its kind returned. 0 when the line holds none.
int takeStepKind(std::string& line, std::span<const StepKindMarker> markers);

// Whether every marker of the table begins with a brace (then a line without one holds none).
bool allBraced(std::span<const StepKindMarker> markers);

// The kinds of the steps that begin and end a card section. Every card generator's marker
// table gives "{CARD_BEGIN}" and "{CARD_END}" these kinds: CardSectionHandler handles them. A
// generator's own kinds start at `firstFree`.
struct CardSteps {
    enum Kind : int { cardBegin = 1, cardEnd = 2, firstFree = 3 };
    static constexpr StepKindMarker markers[] = {
        {"{CARD_BEGIN}", cardBegin},
        {"{CARD_END}", cardEnd},
    };
};

// The kinds of a card section that holds a channel range, the steps from the one marked
// "{TEST_CHANNEL_BEGIN}" to the one marked "{TEST_CHANNEL_END}", read once per channel of the
// card. A generator's own kinds start at `firstFree`.
struct ChannelRangeSteps {
    enum Kind : int {
        cardBegin = CardSteps::cardBegin,
        cardEnd = CardSteps::cardEnd,
        rangeBegin = CardSteps::firstFree,
        rangeEnd,
        firstFree
    };
    static constexpr StepKindMarker markers[] = {
        {"{TEST_CHANNEL_BEGIN}", rangeBegin},
        {"{TEST_CHANNEL_END}", rangeEnd},
    };
};

// The entry for a 1-based number (familyNumber 1 -> first entry) of a fixed table; 0 for a
// number outside the table.
template <std::size_t N> int familyValue(const std::array<int, N>& table, int number) {
    return number >= 1 && number <= static_cast<int>(N)
               ? table[static_cast<std::size_t>(number - 1)]
               : 0;
}

} // namespace tarvik
