// The card mechanics the card generators share: card list limits, card section numbering and
// the group/channel loop.

#include "tarvik/modules/card_sequence.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarvik;

namespace {

struct Card {
    int number = 0;
};

CardList<Card> cards(int count, int maxCards) {
    std::vector<Card> list;
    for (int i = 1; i <= count; ++i) {
        list.push_back(Card{i});
    }
    return CardList<Card>(std::move(list), maxCards);
}

// Runs a loop to its end; one letter per advance: c channel step again, g group step again,
// f finished.
std::string walk(ChannelLoop& loop, std::optional<std::int64_t> groupStart) {
    std::string trace;
    for (int guard = 0; guard < 200; ++guard) {
        const auto next = loop.advance(500, groupStart);
        if (next.finished) {
            return trace + "f";
        }
        trace += next.newGroup ? 'g' : 'c';
        EXPECT_EQ(next.newGroup ? *groupStart : 500, next.readFrom);
    }
    return trace + "<endless>";
}

} // namespace

TEST(CardList, WritesAtMostTheLimitInListOrder) {
    auto list = cards(9, 8);
    list.selectFirst();
    std::vector<int> written{list.current().number};
    while (list.hasNext()) {
        list.selectNext();
        written.push_back(list.current().number);
    }
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}), written);
    EXPECT_EQ(8, list.index());
    // The ninth record is still in the list (other rules look at every record).
    ASSERT_NE(nullptr, list.at(9));
    EXPECT_EQ(nullptr, list.at(10));
    EXPECT_EQ(nullptr, list.at(0));

    auto unlimited = cards(30, CardList<Card>::kNoLimit);
    unlimited.selectFirst();
    int count = 1;
    for (; unlimited.hasNext(); ++count) {
        unlimited.selectNext();
    }
    EXPECT_EQ(30, count);
}

TEST(CardList, WithoutASelectedCardReadsZerosAndHasNoNext) {
    auto none = cards(0, 8);
    none.selectFirst();
    EXPECT_EQ(0, none.index());
    EXPECT_FALSE(none.hasNext());
    EXPECT_EQ(0, none.current().number);

    auto notStarted = cards(3, 8);
    EXPECT_FALSE(notStarted.hasNext());
    EXPECT_EQ(0, notStarted.current().number);
}

TEST(CardNumbering, FixedBlockRaisesEachCardAndRepeatsFollowTheStep) {
    auto numbering = CardNumbering::fixedBlock(2000);
    EXPECT_EQ(0, numbering.offset(1));
    EXPECT_EQ(4000, numbering.offset(3));
    // The channel step 120 of card 1 repeats as 130 ...; of card 2 as 2130 ...
    EXPECT_EQ(130, numbering.repeatNumber(120, 1));
    EXPECT_EQ(2130, numbering.repeatNumber(120, 2));
    numbering.cardBegins(100);
    numbering.cardEnds(5000, 1);
    EXPECT_EQ(2000, numbering.blockSize());
}

TEST(CardNumbering, DerivedBlockIsTheFirstSectionRoundedUp) {
    struct Case {
        int unit, begin, end, block;
    };
    for (const auto& c :
         {Case{1000, 100, 1350, 2000}, Case{1000, 100, 900, 1000}, Case{1000, 100, 1100, 1000},
          Case{1000, 100, 1101, 2000}, Case{500, 10, 400, 500}, Case{500, 10, 511, 1000},
          // A section whose end does not lie after its begin still gets a
          // block of its own.
          Case{1000, 500, 500, 1000}, Case{1000, 900, 100, 1000}}) {
        auto numbering = CardNumbering::derivedBlock(c.unit);
        numbering.cardBegins(c.begin);
        numbering.cardEnds(c.end, 1);
        EXPECT_EQ(c.block, numbering.blockSize()) << c.begin << " ... " << c.end;
    }

    // Only the first card's section counts; the second card keeps its block.
    auto numbering = CardNumbering::derivedBlock(1000);
    numbering.cardBegins(100);
    numbering.cardEnds(900, 1);
    numbering.cardBegins(1100);
    numbering.cardEnds(4900, 2);
    EXPECT_EQ(1000, numbering.offset(2));
    EXPECT_EQ(1110, numbering.repeatNumber(100, 2));
}

TEST(CardNumbering, HugeTemplateNumbersDoNotOverflow) {
    auto numbering = CardNumbering::derivedBlock(1000);
    numbering.cardBegins(-2000000000);
    numbering.cardEnds(2000000000, 1);
    EXPECT_EQ(INT_MAX, numbering.offset(8));
    EXPECT_EQ(INT_MAX, numbering.repeatNumber(INT_MAX - 5, 1));
}

TEST(ChannelLoop, GroupsOfFourOverTwentyFourChannels) {
    ChannelLoop loop(4);
    loop.start(24, 25);
    EXPECT_EQ("cccgcccgcccgcccgcccgcccf", walk(loop, 300));
    // After the last channel the counters stay there until the loop is started again.
    EXPECT_EQ(24, loop.channel());
    EXPECT_EQ(6, loop.group());
    EXPECT_EQ(48, loop.globalChannel());
    loop.restart();
    EXPECT_EQ(1, loop.channel());
    EXPECT_EQ(1, loop.group());
    EXPECT_EQ(25, loop.globalChannel());
}

TEST(ChannelLoop, CountsGroupsAlsoWithoutAGroupStepAndWithoutGroups) {
    ChannelLoop grouped(4);
    grouped.start(8, 1);
    // Without a group step seen, the channel step itself is read again.
    EXPECT_EQ("cccccccf", walk(grouped, std::nullopt));
    EXPECT_EQ(2, grouped.group());

    ChannelLoop plain;
    plain.start(16, 33);
    EXPECT_EQ(std::string(15, 'c') + "f", walk(plain, 300));
    EXPECT_EQ(1, plain.group());
    EXPECT_EQ(48, plain.globalChannel());

    ChannelLoop notStarted(4);
    EXPECT_TRUE(notStarted.advance(0, 0).finished);
}

TEST(ChannelLoop, RepetitionsAreNumberedFromTheChannelStepOn) {
    ChannelLoop loop(4);
    loop.start(8, 1);
    int nextNumber = 0;
    // Channel 1 ends: channel 2 is the channel step again, numbered on from the step.
    EXPECT_EQ(500, loop.endChannelStep(500, 300, 130, nextNumber));
    EXPECT_EQ(130, nextNumber);
    // Once numbering runs it is left to the handler base to advance.
    nextNumber = 150;
    loop.endChannelStep(500, 300, 130, nextNumber);
    loop.endChannelStep(500, 300, 130, nextNumber);
    EXPECT_EQ(150, nextNumber);
    // Channel 5 begins a group: the group step is read, nextNumber is not started there.
    int fresh = 0;
    EXPECT_EQ(300, loop.endChannelStep(500, 300, 130, fresh));
    EXPECT_EQ(0, fresh);
    for (int channel = 5; channel < 8; ++channel) {
        loop.endChannelStep(500, 300, 130, fresh);
    }
    EXPECT_FALSE(loop.endChannelStep(500, 300, 130, fresh));
}

TEST(StepStarts, RemembersTheLastStartPerKind) {
    StepStarts starts;
    EXPECT_FALSE(starts.find(3));
    // A step at the very start of the file is a known start, not "none".
    starts.remember(3, 0);
    ASSERT_TRUE(starts.find(3));
    EXPECT_EQ(0, *starts.find(3));
    starts.remember(3, 812);
    EXPECT_EQ(812, *starts.find(3));
    starts.forget(3);
    EXPECT_FALSE(starts.find(3));
    // Kinds outside the table are ignored rather than written out of bounds.
    starts.remember(StepStarts::kMaxKind + 1, 5);
    EXPECT_FALSE(starts.find(StepStarts::kMaxKind + 1));
    EXPECT_FALSE(starts.find(0));
}

TEST(StepKindMarkers, FirstMarkerInTableOrderWinsAndOnlyItIsRemoved) {
    constexpr StepKindMarker markers[] = {
        {"{TEST_CHANNELS}", 3}, {"{TEST_GROUPS}", 2}, {"{CARD_BEGIN}", 1}};
    std::string line = "{CARD_BEGIN} Kanal {TEST_CHANNELS}{TEST_CHANNELS}";
    EXPECT_EQ(3, takeStepKind(line, markers));
    EXPECT_EQ("{CARD_BEGIN} Kanal ", line);
    // A marker must match exactly, braces included.
    std::string near = "{TEST_CHANNELS_HIGH} {TEST_GROUPS";
    EXPECT_EQ(0, takeStepKind(near, markers));
    EXPECT_EQ("{TEST_CHANNELS_HIGH} {TEST_GROUPS", near);
}

TEST(FamilyValue, OutsideTheTableGivesZero) {
    constexpr std::array<int, 3> table{112, 114, 116};
    EXPECT_EQ(112, familyValue(table, 1));
    EXPECT_EQ(116, familyValue(table, 3));
    EXPECT_EQ(0, familyValue(table, 4));
    EXPECT_EQ(0, familyValue(table, 0));
    EXPECT_EQ(0, familyValue(table, -1));
}
