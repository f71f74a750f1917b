// Statement rewriting shared by the card generators, and the one-scan marker and token
// handling of their data lines.

#include "tarvik/modules/card_statements.h"

#include "tarvik/modules/card_sequence.h"
#include "tarvik/modules/data_line_plans.h"
#include "tarvik/modules/module_text.h"
#include "tarvik/modules/value_slot.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

using namespace tarvik;

namespace {

std::string busAddress(std::string line, std::string_view after, int address) {
    rewriteBusAddress(line, after, address);
    return line;
}

std::string renumbered(std::string line, std::string_view keyword, int number) {
    renumberStatement(line, keyword, number);
    return line;
}

} // namespace

TEST(CardStatements, BusAddressLinesMatchByTheTextAfterTheKeyword) {
    EXPECT_EQ("  BUSMADDRESS 178", busAddress("  BUSMADDRESS 176", " 176", 178));
    EXPECT_EQ("  BUSSADDRESS 178", busAddress("  BUSSADDRESS 176 ; alt", " 176", 178));
    // Another card's address stays; the match is a prefix, as the templates are written.
    EXPECT_EQ("  BUSMADDRESS 17", busAddress("  BUSMADDRESS 17", " 176", 178));
    EXPECT_EQ("  BUSMADDRESS 26", busAddress("  BUSMADDRESS 240", " 24", 26));
    // " " takes any address, "" the bare keyword too.
    EXPECT_EQ("  BUSMADDRESS 58", busAddress("  BUSMADDRESS 15", " ", 58));
    EXPECT_EQ("  BUSMADDRESS", busAddress("  BUSMADDRESS", " ", 58));
    EXPECT_EQ("  BUSSADDRESS 80", busAddress("  BUSSADDRESS", "", 80));
    EXPECT_EQ(" BUSMADDRESS 176", busAddress(" BUSMADDRESS 176", "", 80));
}

TEST(CardStatements, NumberAfterTheKeyword) {
    EXPECT_EQ(3, numberAfter("  HIGH H3 x", "  HIGH H"));
    EXPECT_EQ(12, numberAfter("  HIGH H12", "  HIGH H"));
    EXPECT_FALSE(numberAfter("  HIGH H", "  HIGH H"));
    EXPECT_FALSE(numberAfter("  HIGH H 3", "  HIGH H"));
    EXPECT_FALSE(numberAfter("  HIGH X3", "  HIGH H"));
    EXPECT_EQ(INT_MAX, numberAfter("  HIGH H99999999999", "  HIGH H"));
}

TEST(CardStatements, RenumberKeepsTheTextAfterOneBlank) {
    EXPECT_EQ("  DWBDRIVE17 5.0", renumbered("  DWBDRIVE1 5.0", "  DWBDRIVE", 17));
    EXPECT_EQ("  DWBDRIVE2  5.0", renumbered("  DWBDRIVE16  5.0", "  DWBDRIVE", 2));
    EXPECT_EQ("  DWBDRIVE2 ", renumbered("  DWBDRIVE16", "  DWBDRIVE", 2));
}

TEST(CardStatements, OnlyTheFirstCardsVariableLineIsRenamed) {
    std::string line = "  VARIABLE _KVR_1";
    EXPECT_TRUE(rewriteVariable(line, "  VARIABLE _KVR_", 3));
    EXPECT_EQ("  VARIABLE _KVR_3", line);
    // Another card's variable, a longer name or a trailing text stays.
    for (const std::string other : {"  VARIABLE _KVR_2", "  VARIABLE _KVR_11", "  VARIABLE _KVR_1 ",
                                    "  VARIABLE _KVR_", " VARIABLE _KVR_1"}) {
        line = other;
        EXPECT_FALSE(rewriteVariable(line, "  VARIABLE _KVR_", 3)) << other;
        EXPECT_EQ(other, line);
    }
}

TEST(CardStatements, InitValueMatchesTheWholeTemplateValue) {
    std::string line = "  BUSSINITSTR {238} ; group 1";
    EXPECT_TRUE(rewriteInitValue(line, "238", 236));
    EXPECT_EQ("  BUSSINITSTR {236}", line);
    // {2380} and {23} are other values; an unclosed value is none.
    for (const std::string other : {"  BUSSINITSTR {2380}", "  BUSSINITSTR {23}",
                                    "  BUSSINITSTR {238", "  BUSSINITSTR 238"}) {
        line = other;
        EXPECT_FALSE(rewriteInitValue(line, "238", 236)) << other;
        EXPECT_EQ(other, line);
    }
}

TEST(CardStatements, SwitchOnStatementTakesTheNumberAndOne) {
    std::string line = "  KVRCHANNEL1 0 ; off";
    EXPECT_TRUE(rewriteSwitchOn(line, "  KVRCHANNEL", 25));
    EXPECT_EQ("  KVRCHANNEL25 1", line);
    line = "  NGONX";
    EXPECT_TRUE(rewriteSwitchOn(line, "  NGON", 0));
    EXPECT_EQ("  NGON0 1", line);
    line = "  TQDCHANNEL1 1";
    EXPECT_FALSE(rewriteSwitchOn(line, "  KVRCHANNEL", 25));
    EXPECT_EQ("  TQDCHANNEL1 1", line);
}

TEST(CardStatements, NumberAfterTextIsFoundFromThePositionOn) {
    const std::string line = "  TESTFAILDATA0 Modul: KVR, Schritt: 120, Kanal";
    const auto step = numberAfterText(line, "Schritt: ", 1);
    ASSERT_TRUE(step);
    EXPECT_EQ(120, step->value);
    EXPECT_EQ("120", line.substr(step->begin, step->end - step->begin));
    std::string raised = line;
    replaceWithNumber(raised, step->begin, step->end, 2120);
    EXPECT_EQ("  TESTFAILDATA0 Modul: KVR, Schritt: 2120, Kanal", raised);
    // The text must stand at or after the position; a text without digits after it gives none.
    EXPECT_FALSE(numberAfterText("Schritt: 5", "Schritt: ", 1));
    EXPECT_TRUE(numberAfterText("Schritt: 5", "Schritt: ", 0));
    EXPECT_FALSE(numberAfterText("x Schritt: x5", "Schritt: ", 0));
    EXPECT_EQ(INT_MAX, numberAfterText("Schritt: 99999999999", "Schritt: ", 0)->value);
}

namespace {

// A line of random pieces: tokens for this and other system types, markers, near-markers,
// stray and nested braces.
std::string randomLine(std::mt19937& random) {
    static const char* const pieces[] = {
        "{SW(860)=1.5}",
        "{SW(945)=2}",
        "{UG(860)=0}",
        "{OG(860)=9}",
        "{NU(860)=12}",
        "{SEL(KVR)=3}",
        "{SEL(TQD)=4}",
        "{SW=7}",
        "{SW(860)=}",
        "{c}",
        "{cs}",
        "{k}",
        "{r}",
        "{rl}",
        "{l}",
        "{g}",
        "{s}",
        "{TEST_CHANNELS}",
        "{TEST_GROUPS}",
        "{CARD_BEGIN}",
        "{",
        "}",
        "{{",
        "Karte ",
        "x",
        " ",
        "(860)",
        "=",
    };
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 12);
    std::string line;
    for (int n = length(random); n > 0; --n) {
        line += pieces[piece(random)];
    }
    return line;
}

} // namespace

// The generators take a data line's tokens and markers in one scan; that must give what the
// calls one after the other give, on any line. The plans kept per line must give the same,
// made afresh when another line or another marker list comes under the same key.
TEST(OneScan, GivesWhatTheCallsOneAfterAnotherGive) {
    std::mt19937 random(19);
    DataLinePlans plans;
    for (int round = 0; round < 20000; ++round) {
        const std::string line = randomLine(random);
        SCOPED_TRACE(line);

        ValueSlot one[5], each[5];
        const std::pair<const char*, const char*> names[] = {
            {"SW", "860"}, {"UG", "860"}, {"OG", "860"}, {"NU", "860"}, {"SEL", "KVR"}};
        std::vector<ValueTokenRequest> requests;
        std::string scanned = line, called = line;
        for (std::size_t i = 0; i < std::size(names); ++i) {
            requests.push_back({&one[i], names[i].first, names[i].second});
            ParseValueToken(each[i], called, names[i].first, names[i].second);
        }
        ParseValueTokens(scanned, requests);
        ASSERT_EQ(called, scanned);
        for (std::size_t i = 0; i < std::size(names); ++i) {
            ASSERT_EQ(each[i].found, one[i].found) << names[i].first;
            ASSERT_EQ(each[i].value, one[i].value) << names[i].first;
        }

        std::string replaced = line, inTurn = line;
        replaceMarkers(replaced, {{"{c}", 3}, {"{cs}", -14}, {"{k}", 0}, {"{r}", 77}, {"{rl}", 5}});
        for (const auto& [marker, value] :
             {std::pair{"{c}", 3}, {"{cs}", -14}, {"{k}", 0}, {"{r}", 77}, {"{rl}", 5}}) {
            replaceMarker(inTurn, marker, value);
        }
        ASSERT_EQ(inTurn, replaced);
        // Five keys, each line with both lists in turns that change with the round: a key sees
        // the same list with another line, and another list with the same line.
        const std::int64_t key = round % 5;
        const bool swap = round % 2 == 1;
        const NumberMarker cardMarkers[] = {
            {"{c}", 3}, {"{cs}", -14}, {"{k}", 0}, {"{r}", 77}, {"{rl}", 5}};
        const NumberMarker loopMarkers[] = {
            {"{c}", 1}, {"{l}", 8, "A2"}, {"{k}", 12}, {"{g}", 2}, {"{s}", 40}};
        const std::span<const NumberMarker> card(cardMarkers), loop(loopMarkers);
        for (const auto list : {swap ? loop : card, swap ? card : loop}) {
            std::string direct = line;
            replaceMarkers(direct, list);
            for (int again = 0; again < 2; ++again) {
                std::string planned = line;
                plans.replaceMarkers(planned, key, list);
                ASSERT_EQ(direct, planned);
            }
        }

        constexpr StepKindMarker groupsFirst[] = {
            {"{TEST_GROUPS}", 2}, {"{CARD_BEGIN}", 1}, {"{TEST_CHANNELS}", 3}};
        constexpr StepKindMarker channelsFirst[] = {{"{TEST_CHANNELS}", 3}, {"{TEST_GROUPS}", 2}};
        // A marker without a brace is found in a line that holds none.
        constexpr StepKindMarker plainFirst[] = {{"Karte", 4}, {"{TEST_GROUPS}", 2}};
        const std::span<const StepKindMarker> groups(groupsFirst), channels(channelsFirst),
            plain(plainFirst);
        for (const auto kinds : {swap ? channels : groups, swap ? groups : channels, plain}) {
            std::string taken = line, removed = line;
            int expected = 0;
            for (const StepKindMarker& kind : kinds) {
                if (removeAll(removed, kind.marker) > 0) {
                    expected = kind.kind;
                    break;
                }
            }
            ASSERT_EQ(expected, takeStepKind(taken, kinds));
            ASSERT_EQ(removed, taken);
            for (int again = 0; again < 2; ++again) {
                std::string planned = line;
                ASSERT_EQ(expected, plans.takeKind(planned, key, kinds, {}));
                ASSERT_EQ(removed, planned);
            }
        }
    }
}
