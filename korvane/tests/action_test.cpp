#include "korvane/tool/action.h"

#include "fake_bus.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace korvane;

namespace {

CAction parsed(std::string_view line) {
    CAction action;
    EXPECT_TRUE(action.parse(line)) << line;
    return action;
}

bool accepted(std::string_view line) {
    CAction action;
    return action.parse(line);
}

} // namespace

TEST(ActionText, SendAndReceiveLines) {
    CAction action;
    action.setSend(0, 5, 3, 170, 10, "Relais ein");
    EXPECT_EQ("0,5,3,170,10; Relais ein", action.toText());
    action.setReceive(0, 5, 3, 10);
    EXPECT_EQ("0,5,3,?,10; Relais ein", action.toText());
    EXPECT_EQ(-1, action.data());
}

TEST(ActionText, NewActionIsNamedAndHasNoResult) {
    const CAction action;
    EXPECT_EQ("Neue Aktion", action.text());
    EXPECT_EQ(0, action.result());
    EXPECT_TRUE(action.isSend());
}

TEST(ActionText, SettersKeepNameWithoutTextAndNeverTouchResult) {
    CAction action;
    action.setResult(77);
    action.setSend(1, 2, 3, 4, 5, "Alt");
    action.setReceive(6, 7, 8, 9);
    EXPECT_EQ("Alt", action.text());
    EXPECT_EQ(77, action.result());
    action.setSend(1, 2, 3, 4, 5, "");
    EXPECT_EQ("", action.text());
}

TEST(ActionParse, ReceiveLineRoundTrips) {
    const CAction action = parsed("1,2,3,?,0; Test");
    EXPECT_TRUE(action.isReceive());
    EXPECT_EQ(-1, action.data());
    EXPECT_EQ("Test", action.text());
    EXPECT_EQ("1,2,3,?,0; Test", action.toText());
}

TEST(ActionParse, LineWithoutSemicolonHasAnEmptyName) {
    const CAction action = parsed("1,2,3,4,5");
    EXPECT_TRUE(action.isSend());
    EXPECT_EQ(4, action.data());
    EXPECT_EQ(5, action.delay());
    EXPECT_EQ("", action.text());
    EXPECT_EQ("1,2,3,4,5; ", action.toText());
    // Anything but a semicolon after the delay ends the numbers just the same.
    EXPECT_EQ("", parsed("1,2,3,4,5x Name").text());
}

TEST(ActionParse, NameLosesLeadingBlanksButKeepsTrailingOnes) {
    EXPECT_EQ("Name  ", parsed("1,2,3,4,5;   Name  ").text());
    EXPECT_EQ("Name", parsed("1,2,3,4,5;\t\v\f\r Name").text());
    EXPECT_EQ("", parsed("1,2,3,4,5;    ").text());
    EXPECT_EQ("a;b, c", parsed("1,2,3,4,5;a;b, c").text());
}

TEST(ActionParse, NegativeDataIsAReceiveWrittenAsQuestionMark) {
    const CAction action = parsed("0,1,2,-7,0; x");
    EXPECT_TRUE(action.isReceive());
    EXPECT_EQ(-7, action.data());
    EXPECT_EQ("0,1,2,?,0; x", action.toText());
}

TEST(ActionParse, EmptyNumericFieldsReadAsZero) {
    const CAction action = parsed(",,,,; Null");
    EXPECT_EQ("0,0,0,0,0; Null", action.toText());
    EXPECT_TRUE(action.isSend());
}

TEST(ActionParse, NumbersAreReadLikeStrtol) {
    const CAction action = parsed(" +1,\t-2, 3,  0004,\n7; x");
    EXPECT_EQ(1, action.systemAddress());
    EXPECT_EQ(-2, action.cardAddress());
    EXPECT_EQ(3, action.functionAddress());
    EXPECT_EQ(4, action.data());
    EXPECT_EQ(7, action.delay());
    // A sign or blanks without digits consume nothing, so the comma check sees them.
    EXPECT_FALSE(accepted("1,-,3,4,5"));
    EXPECT_FALSE(accepted("1, ,3,4,5"));
    // Beyond 32 bits the value stops at the limit.
    EXPECT_EQ(2147483647, parsed("99999999999999999999,0,0,0,0").systemAddress());
    EXPECT_EQ(-2147483647 - 1, parsed("0,-99999999999,0,0,0").cardAddress());
}

TEST(ActionParse, MalformedLinesAreRejectedAndChangeNothing) {
    for (const char* line :
         {"1,2,3", "1,2,3,? ,0; x", "abc", "", "1;2,3,4,5", "1,2,3,4", "1,2,3,??,0", "1,2,3,4;5"}) {
        CAction action;
        action.setSend(9, 9, 9, 9, 9, "unverändert");
        action.setResult(5);
        const CAction before = action;
        EXPECT_FALSE(action.parse(line)) << line;
        EXPECT_EQ(before, action) << line;
    }
}

TEST(ActionParse, AcceptedLineReplacesEverythingButTheResult) {
    CAction action;
    action.setResult(42);
    ASSERT_TRUE(action.parse("1,2,3,4,5"));
    EXPECT_EQ("", action.text());
    EXPECT_EQ(42, action.result());
}

TEST(ActionParse, LineEndsAtNulByte) {
    const CAction action = parsed(std::string_view("1,2,3,4,5; ab\0cd", 16));
    EXPECT_EQ("ab", action.text());
    EXPECT_FALSE(accepted(std::string_view("1,2\0,3,4,5", 10)));
}

TEST(ActionText, LineFeedInNameIsWrittenAsBlank) {
    CAction action;
    action.setSend(1, 2, 3, 4, 0, "zwei\nZeilen");
    EXPECT_EQ("1,2,3,4,0; zwei Zeilen", action.toText());
}

TEST(ActionExecute, SendWritesAndKeepsResult) {
    FakeBus bus;
    CAction action;
    action.setSend(1, 2, 3, 170, 0);
    action.setResult(9);
    action.execute(&bus);
    ASSERT_EQ(1u, bus.log.size());
    EXPECT_EQ("W 1 2 3 170", bus.log[0]);
    EXPECT_EQ(9, action.result());
}

TEST(ActionExecute, ReceiveKeepsTheWordRead) {
    FakeBus bus;
    bus.memory[{0, 5, 3}] = 0x1234;
    CAction action;
    action.setReceive(0, 5, 3, 0);
    action.execute(&bus);
    EXPECT_EQ(0x1234, action.result());
    EXPECT_EQ("R 0 5 3 4660", bus.log.at(0));
}

TEST(ActionExecute, PausesOnlyWithAnInterfaceAndAPositiveDelay) {
    using Clock = std::chrono::steady_clock;
    FakeBus bus;
    CAction action;
    action.setSend(0, 0, 0, 0, 30);
    auto start = Clock::now();
    action.execute(nullptr);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(25));
    start = Clock::now();
    action.execute(&bus);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30));
    // A negative pause from a hand-edited file would otherwise stall for weeks.
    action.setSend(0, 0, 0, 0, -1);
    start = Clock::now();
    action.execute(&bus);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(25));
}
