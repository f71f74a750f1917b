#pragma once

// CardSectionHandler: the part that the card generators share (KVR, TQD, NORV, SEQ, DWB,
// logic, channel-card, JEL, GAT84 and FJN). Each writes its template's card section (from the
// step marked "{CARD_BEGIN}" to the one marked "{CARD_END}") once per card of its list, at
// most the family's maxCards of them, and numbers the sections in blocks, fixed (2000) or
// sized from the first card's section (card_sequence.h). The generator derives from it (over
// CModuleFileHandler or CTemplateFileHandler), notes each step's kind from its data lines with
// takeKind() (its marker table gives "{CARD_BEGIN}" and "{CARD_END}" the kinds of CardSteps,
// which the base handles), handles its own kinds in endStepOfKind() and sets its own counters
// for each card in selectCard().
//
// Everything lives in the handler object: the first card of every module sizes the block
// afresh, so generating the same configuration twice in one process gives the same modules.

#include "tarvik/config/card_families.h"
#include "tarvik/modules/card_sequence.h"
#include "tarvik/modules/card_statements.h"
#include "tarvik/modules/data_line_plans.h"
#include "tarvik/modules/module_text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tarvik {

// The steps a module adds to its template's count, for GetAddedSteps: at most what an int
// holds, and never so many fewer that the announced count would fall below 0 (a template far
// smaller than the generator expects).
inline int addedSteps(long long added, int templateSteps) {
    return static_cast<int>(
        std::clamp<long long>(added, -static_cast<long long>(std::max(templateSteps, 0)), INT_MAX));
}

// A data-line marker of a card generator ("{c}") and the number it stands for: a value of the
// current card or of a channel loop, plus `add`.
struct CardMarker {
    enum class Value { cardIndex, familyNumber, group, channel, globalChannel };
    std::string_view text;
    Value value;
    int add = 0;
};

// The markers most card generators share: "{c}" the card's place in the list, "{cs}" its
// family number, "{g}" group, "{k}" channel and "{s}" system-wide channel of the loop.
inline constexpr CardMarker kCardMarkers[] = {
    {"{c}", CardMarker::Value::cardIndex},     {"{cs}", CardMarker::Value::familyNumber},
    {"{g}", CardMarker::Value::group},         {"{k}", CardMarker::Value::channel},
    {"{s}", CardMarker::Value::globalChannel},
};
// The same without "{cs}", for the generators whose templates number cards only by place.
inline constexpr CardMarker kCardLoopMarkers[] = {
    {"{c}", CardMarker::Value::cardIndex},
    {"{g}", CardMarker::Value::group},
    {"{k}", CardMarker::Value::channel},
    {"{s}", CardMarker::Value::globalChannel},
};

template <typename Info, typename Base> class CardSectionHandler : public Base {
protected:
    template <typename... BaseArgs>
    CardSectionHandler(const CardFamilyTable& family, std::vector<Info> cards,
                       CardNumbering numbering, BaseArgs&&... baseArgs)
        : Base(std::forward<BaseArgs>(baseArgs)...), m_family(family),
          m_cards(std::move(cards), family.maxCards), m_numbering(numbering),
          m_maxCards(family.maxCards) {}

public:
    // False (module left as copied) without cards; otherwise starts at the first card. A
    // generator with further per-module state resets it and calls startCards().
    bool Prepare() override { return startCards(); }

protected:
    // For the generator's Prepare: false without cards; otherwise the first card is current.
    bool startCards() {
        m_stepKind = 0;
        m_starts = StepStarts{};
        if (m_cards.empty()) {
            return false;
        }
        m_cards.selectFirst();
        m_cardBegin.reset();
        selectCard();
        this->newHookContext();
        return true;
    }

    // Sets the generator's counters for the card that has just become current.
    virtual void selectCard() {}

    // For the generator's OnDataLine: the first of its kind markers that the line holds, else
    // the first of the card markers ("{CARD_BEGIN}", "{CARD_END}"), is taken out of it and
    // becomes the step's kind.
    void takeKind(std::string& line, std::span<const StepKindMarker> markers = {}) {
        const int kind =
            m_linePlans.takeKind(line, this->InputPosition(), markers, CardSteps::markers);
        if (kind != 0) {
            m_stepKind = kind;
            this->keepEffect(m_stepKind);
        }
    }

    // Every step ends here: the base's own end, then where the step began is remembered by its
    // kind and the generator handles the kind, after the card begins and before it ends; the
    // next step starts without a kind.
    void OnEndStep(int stepNumber, std::int64_t stepStart) override {
        Base::OnEndStep(stepNumber, stepStart);
        const int kind = m_stepKind;
        m_starts.remember(kind, stepStart);
        m_cardEndHeld = false;
        if (kind == CardSteps::cardBegin) {
            cardBegins(stepNumber, stepStart);
        }
        endStepOfKind(kind, stepNumber, stepStart);
        if (kind == CardSteps::cardEnd && !m_cardEndHeld) {
            cardEnds(cardEndNumber(stepNumber));
        }
        m_stepKind = 0;
    }

    // The generator's part of OnEndStep for a step of this kind (0: no marker). Base: nothing.
    virtual void endStepOfKind(int /*kind*/, int /*stepNumber*/, std::int64_t /*stepStart*/) {}

    // The number that sizes the block at the first card's end step: its template number
    // (base) or, for a generator that renumbers inside the section, writtenNumber().
    virtual int cardEndNumber(int stepNumber) const { return stepNumber; }

    // Called in endStepOfKind of a card-end step: the card does not end here, the generator
    // reads part of its section again first.
    void holdCardEnd() { m_cardEndHeld = true; }

    // Replaces every marker of the table that the line holds by its number for the current
    // card and `loop`, and the generator's own markers of `more` by theirs, in one scan.
    void replaceCardMarkers(std::string& line, std::span<const CardMarker> markers,
                            const ChannelLoop& loop,
                            std::initializer_list<NumberMarker> more = {}) {
        constexpr std::size_t kMost = 12;
        NumberMarker numbers[kMost];
        std::size_t count = 0;
        for (const CardMarker& marker : markers) {
            if (count == kMost) {
                replaceLineMarkers(line, std::span<const NumberMarker>(numbers, count));
                count = 0;
            }
            const bool varies = loopMarker(marker);
            numbers[count++] = {marker.text,
                                cardMarkerValue(marker, loop),
                                {},
                                varies,
                                varies && marker.add == 0 ? holeSource(loop, marker.value) : -1};
        }
        for (const NumberMarker& marker : more) {
            if (count == kMost) {
                replaceLineMarkers(line, std::span<const NumberMarker>(numbers, count));
                count = 0;
            }
            numbers[count++] = marker;
        }
        replaceLineMarkers(line, std::span<const NumberMarker>(numbers, count));
    }

    // replaceMarkers for a data line, which is searched for the markers once and not again
    // when it is read for the next card or channel. The loop's numbers in it are left open in
    // a kept result (holeSource); a line with another marker that varies is given to its hook
    // every time.
    void replaceLineMarkers(std::string& line, std::span<const NumberMarker> markers) {
        m_written.clear();
        if (!m_linePlans.replaceMarkers(line, this->InputPosition(), markers, &m_written)) {
            return;
        }
        const bool allOpen =
            !m_written.empty() && std::all_of(m_written.begin(), m_written.end(),
                                              [](const WrittenMarker& w) { return w.hole >= 0; });
        if (!allOpen) {
            this->hookResultVaries();
            return;
        }
        for (const WrittenMarker& written : m_written) {
            this->hookResultHole(written.begin, written.length, written.hole);
        }
    }
    void replaceLineMarkers(std::string& line, std::initializer_list<NumberMarker> markers) {
        replaceLineMarkers(line, std::span<const NumberMarker>(markers.begin(), markers.size()));
    }

    // The loop's markers vary within a card; the card's own do not.
    static bool loopMarker(const CardMarker& marker) {
        return marker.value != CardMarker::Value::cardIndex &&
               marker.value != CardMarker::Value::familyNumber;
    }

    // rewriteSwitchOn with a number of the loop, left open in a kept result.
    bool rewriteLoopSwitchOn(std::string& line, std::string_view keyword, const ChannelLoop& loop,
                             CardMarker::Value value) {
        const int number = cardMarkerValue({{}, value}, loop);
        if (!rewriteSwitchOn(line, keyword, number)) {
            return false;
        }
        this->hookResultHole(keyword.size(), DecimalText(number).view().size(),
                             holeSource(loop, value));
        return true;
    }

    // The source of a number of `loop` (one of the few loops a generator has) for
    // hookResultHole, and the number it gives now.
    int holeSource(const ChannelLoop& loop, CardMarker::Value value) {
        auto found = std::find(m_holeLoops.begin(), m_holeLoops.end(), &loop);
        if (found == m_holeLoops.end()) {
            found = m_holeLoops.insert(found, &loop);
        }
        return static_cast<int>(found - m_holeLoops.begin()) * kMarkerValues +
               static_cast<int>(value);
    }
    int hookHoleValue(int source) const override {
        const ChannelLoop& loop = *m_holeLoops[static_cast<std::size_t>(source / kMarkerValues)];
        return cardMarkerValue({{}, static_cast<CardMarker::Value>(source % kMarkerValues)}, loop);
    }

    int cardMarkerValue(const CardMarker& marker, const ChannelLoop& loop) const {
        switch (marker.value) {
        case CardMarker::Value::cardIndex:
            return saturatingAdd(cardIndex(), marker.add);
        case CardMarker::Value::familyNumber:
            return saturatingAdd(card().familyNumber, marker.add);
        case CardMarker::Value::group:
            return saturatingAdd(loop.group(), marker.add);
        case CardMarker::Value::channel:
            return saturatingAdd(loop.channel(), marker.add);
        case CardMarker::Value::globalChannel:
            return saturatingAdd(loop.globalChannel(), marker.add);
        }
        return 0;
    }

    // At the end of the last step of a channel's steps, which begin at `from`: unless `loop`
    // was at its last channel, the input goes back for the next channel (to the last step of
    // `groupKind` when a new group begins there; 0 for a loop without group steps) and true is
    // returned. The channel's steps read again are numbered on from `stepNumber` (when the
    // numbering does not run yet).
    bool readChannelAgain(ChannelLoop& loop, std::int64_t from, int groupKind, int stepNumber) {
        int next = this->nextNumber();
        const auto readFrom =
            loop.endChannelStep(from, m_starts.find(groupKind), repeatNumber(stepNumber), next);
        this->numberFrom(next);
        if (readFrom) {
            this->SeekInput(*readFrom);
            return true;
        }
        return false;
    }

    // readChannelAgain for a channel step that is read again on its own: after the last
    // channel the following steps keep their own numbers, and false is returned.
    bool endLoopChannelStep(ChannelLoop& loop, int groupKind, int stepNumber,
                            std::int64_t stepStart) {
        if (readChannelAgain(loop, stepStart, groupKind, stepNumber)) {
            return true;
        }
        this->stopNumbering();
        return false;
    }

    // endStepOfKind for a card section with a channel range (ChannelRangeSteps): at its end
    // the range is read again from its first step for the next channel of `loop` unless it
    // was the last channel.
    void endChannelRangeStep(int kind, int stepNumber, ChannelLoop& loop) {
        if (kind != ChannelRangeSteps::rangeEnd) {
            return;
        }
        if (const auto rangeBegin = m_starts.find(ChannelRangeSteps::rangeBegin)) {
            readChannelAgain(loop, *rangeBegin, 0, stepNumber);
        }
    }

    // The following steps are numbered on from `stepNumber`, unless the numbering runs already.
    void numberOnFrom(int stepNumber) { this->startNumbering(repeatNumber(stepNumber)); }

    // GetAddedSteps of a module whose card section is written once per card as the template
    // holds it, `outside` template steps outside the section: the further cards' sections,
    // each card leaving out `droppedPerCard` steps of its section.
    int repeatedSectionSteps(int templateSteps, int outside, int droppedPerCard = 0) const {
        const long long cards = writtenCards();
        if (cards == 0) {
            return 0;
        }
        const long long cardSteps = static_cast<long long>(templateSteps) - outside;
        return addedSteps((cards - 1) * (cardSteps - droppedPerCard) - droppedPerCard,
                          templateSteps);
    }

    // How many cards of the list the module holds.
    int writtenCards() const { return std::min(m_cards.size(), m_maxCards); }

    const Info& card() const { return m_cards.current(); }
    // Bus address of the current card, by its family number; 0 beyond the family's table.
    int cardBusAddress() const { return familyBusAddress(m_family, card().familyNumber); }
    int cardIndex() const { return m_cards.index(); }

    // Number of the first repetition of template step `stepNumber` in the current card.
    int repeatNumber(int stepNumber) const {
        return m_numbering.repeatNumber(stepNumber, m_cards.index());
    }

    const CardFamilyTable& m_family;
    CardList<Info> m_cards;
    CardNumbering m_numbering;
    int m_stepKind = 0;  // kind of the step being read, from its data lines
    StepStarts m_starts; // where the last step of each kind began

private:
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
            this->newHookContext();
            this->SeekInput(*m_cardBegin);
            this->raiseNumbersBy(m_numbering.offset(m_cards.index()));
        } else {
            this->raiseNumbersBy(0);
            this->finishBody();
        }
        this->stopNumbering();
    }

    static constexpr int kMarkerValues = 5; // the values of CardMarker::Value

    int m_maxCards;
    bool m_cardEndHeld = false;
    DataLinePlans m_linePlans;
    std::vector<WrittenMarker> m_written;        // where replaceLineMarkers wrote numbers
    std::vector<const ChannelLoop*> m_holeLoops; // the loops of hole sources
    std::optional<std::int64_t> m_cardBegin;
};

} // namespace tarvik
