// The digital pattern statements moved to a card of the digital channel numbering.

#include "tarvik/modules/logic_statements.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

std::string rewrite(std::string line, const LogicStatementTarget& target) {
    EXPECT_TRUE(rewriteLogicStatement(line, target)) << line;
    return line;
}

} // namespace

TEST(LogicStatements, PatternStepMovesOneDotPerChannelBeforeTheCard) {
    EXPECT_EQ("  LOGSTEP3 HLHL", rewrite("  LOGSTEP3 HLHL", {.firstChannel = 1}));
    EXPECT_EQ("  LOGSTEP3 ...HLHL", rewrite("  LOGSTEP3 HLHL", {.firstChannel = 4}));
    // The second GAT84 card starts at channel 97: 96 dots; the step number is kept.
    EXPECT_EQ("  LOGSTEP12 " + std::string(96, '.') + "01HL",
              rewrite("  LOGSTEP12 01HL", {.firstChannel = 97}));
    // The pattern text is taken as it stands after the one blank, blanks inside included.
    EXPECT_EQ("  LOGSTEP1 .H L ", rewrite("  LOGSTEP1 H L ", {.firstChannel = 2}));
    // Nothing after the number: the dots alone.
    EXPECT_EQ("  LOGSTEP7 ..", rewrite("  LOGSTEP7", {.firstChannel = 3}));
}

TEST(LogicStatements, PatternStepWithoutStepNumberStays) {
    EXPECT_EQ("  LOGSTEP HLHL", rewrite("  LOGSTEP HLHL", {.firstChannel = 33}));
    EXPECT_EQ("  LOGSTEPX", rewrite("  LOGSTEPX", {.firstChannel = 33}));
}

TEST(LogicStatements, LevelStatementsTakeTheStatementSet) {
    const LogicStatementTarget third{.firstChannel = 65, .statementSet = 2};
    EXPECT_EQ("  LOGDRIVEHIGH2 5.0", rewrite("  LOGDRIVEHIGH0 5.0", third));
    EXPECT_EQ("  LOGCOMPHIGH2 2.0 V", rewrite("  LOGCOMPHIGH0 2.0 V", third));
    EXPECT_EQ("  LOGCOMPLOW2 0.8", rewrite("  LOGCOMPLOW0 0.8", third));
    // The level text starts after one digit and one blank, whatever they hold.
    EXPECT_EQ("  LOGCOMPLOW2 0.8", rewrite("  LOGCOMPLOW7x0.8", third));
    // A statement cut short keeps no text.
    EXPECT_EQ("  LOGCOMPLOW2 ", rewrite("  LOGCOMPLOW0", third));
    EXPECT_EQ("  LOGDRIVEHIGH12 ", rewrite("  LOGDRIVEHIGH", {.statementSet = 12}));
}

TEST(LogicStatements, FoundLevelsReplaceTheTemplateText) {
    const ValueSlot th{true, "3.3"};
    const ValueSlot cl{true, "0.4"};
    const ValueSlot empty;
    const LogicStatementTarget withValues{
        .statementSet = 1, .driveHigh = &th, .compareLow = &cl};
    EXPECT_EQ("  LOGDRIVEHIGH1 3.3", rewrite("  LOGDRIVEHIGH0 5.0", withValues));
    EXPECT_EQ("  LOGCOMPLOW1 0.4", rewrite("  LOGCOMPLOW0 0.8", withValues));
    // Compare high has no value of its own.
    EXPECT_EQ("  LOGCOMPHIGH1 2.0", rewrite("  LOGCOMPHIGH0 2.0", withValues));
    // Slots without a value leave the template's levels.
    const LogicStatementTarget notFound{
        .statementSet = 1, .driveHigh = &empty, .compareLow = &empty};
    EXPECT_EQ("  LOGDRIVEHIGH1 5.0", rewrite("  LOGDRIVEHIGH0 5.0", notFound));
    EXPECT_EQ("  LOGCOMPLOW1 0.8", rewrite("  LOGCOMPLOW0 0.8", notFound));
}

TEST(LogicStatements, OtherLinesAreNoLogicStatements) {
    for (std::string line :
         {"  BUSMADDRESS 56", " LOGSTEP3 HL", "  LOGSTE", "  logstep3 HL", "  VARIABLE _GAT84_1"}) {
        const std::string before = line;
        EXPECT_FALSE(rewriteLogicStatement(line, {.firstChannel = 9, .statementSet = 3}));
        EXPECT_EQ(before, line);
    }
}

TEST(LogicStatements, ShiftPatternStepServesOtherKeywords) {
    std::string line = "  DWBSTEP4 1010";
    EXPECT_TRUE(shiftPatternStep(line, "  DWBSTEP", 17));
    EXPECT_EQ("  DWBSTEP4 " + std::string(16, '.') + "1010", line);
    std::string logic = "  LOGSTEP4 1010";
    EXPECT_FALSE(shiftPatternStep(logic, "  DWBSTEP", 17));
    EXPECT_EQ("  LOGSTEP4 1010", logic);
    // A card base below 1 is no shift at all.
    EXPECT_TRUE(shiftPatternStep(line = "  DWBSTEP4 1010", "  DWBSTEP", 0));
    EXPECT_EQ("  DWBSTEP4 1010", line);
}
