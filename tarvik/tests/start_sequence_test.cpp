#include "tarvik/app/command_line_info.h"
#include "tarvik/app/start_sequence.h"
#include "tarvik/app/system_choice.h"
#include "tarvik/config/system_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarvik;

namespace {

class FakeHardware : public HardwareSearch {
public:
    bool answers = false;
    std::string hint;
    std::vector<std::string>& events;

    explicit FakeHardware(std::vector<std::string>& log) : events(log) {}
    bool connect() override {
        events.push_back("connect");
        return answers;
    }
    bool readFromHardware(CSystemInfo& system) override {
        events.push_back("read");
        system.setManual(930, false, false, false);
        return true;
    }
    void release() override { events.push_back("release"); }
    std::string adapterHint() override { return hint; }
};

class FakeFrontEnd : public StartFrontEnd {
public:
    bool yes = false;
    SystemChoice choice;
    std::vector<std::string>& events;
    CSystemInfo shown; // the configuration the main dialog was given

    explicit FakeFrontEnd(std::vector<std::string>& log) : events(log) {}
    bool askYesNo(const char* text) override {
        events.push_back(std::string("question ") + text);
        return yes;
    }
    SystemChoice chooseSystem() override {
        events.push_back("Systemauswahl");
        return choice;
    }
    void runMainDialog(CSystemInfo& system) override {
        events.push_back("main dialog");
        shown = system;
    }
};

struct Start {
    std::vector<std::string> events;
    FakeHardware hardware{events};
    FakeFrontEnd frontEnd{events};

    int run(const std::vector<std::string>& arguments) {
        return runStartSequence(CTarvikCommandLineInfo(arguments), hardware, frontEnd);
    }
};

const std::string kQuestion = "question Kein eingeschaltetes System vorhanden!\n\nMöchten Sie "
                              "den Systemausbau selbst zusammenstellen?";

} // namespace

TEST(StartSequence, TheISwitchSkipsTheHardwareAndAsksForTheSystemType) {
    Start start;
    start.frontEnd.choice = {SystemKind::Ukprq, true, true};
    EXPECT_EQ(StartResult::Done, start.run({"/Ignore"}));
    EXPECT_EQ((std::vector<std::string>{"Systemauswahl", "main dialog", "release"}), start.events);
    EXPECT_EQ(945, start.frontEnd.shown.systemType);
    EXPECT_FALSE(start.frontEnd.shown.hasExpansion1);
}

TEST(StartSequence, NoSystemAndNoEndsWithoutAnyWindow) {
    Start start;
    EXPECT_EQ(StartResult::NoSystem, start.run({}));
    EXPECT_EQ((std::vector<std::string>{"connect", kQuestion, "release"}), start.events);

    // A hint about real adapters stands between the question's first line and the question.
    Start hinted;
    hinted.hardware.hint = "Kein Zugriff auf USB860-Adapter";
    hinted.run({});
    EXPECT_EQ(hinted.events.at(1), "question Kein eingeschaltetes System vorhanden!\n\nKein "
                                   "Zugriff auf USB860-Adapter\n\nMöchten Sie den Systemausbau "
                                   "selbst zusammenstellen?");
}

TEST(StartSequence, NoSystemAndYesComposesTheConfiguration) {
    Start start;
    start.frontEnd.yes = true;
    start.frontEnd.choice = {SystemKind::Prq990, true, false};
    EXPECT_EQ(StartResult::Done, start.run({"--other"}));
    EXPECT_EQ(
        (std::vector<std::string>{"connect", kQuestion, "Systemauswahl", "main dialog", "release"}),
        start.events);
    const CSystemInfo& shown = start.frontEnd.shown;
    EXPECT_EQ(860, shown.systemType);
    EXPECT_TRUE(shown.hasExpansion1);
    EXPECT_FALSE(shown.hasExpansion2);
    EXPECT_EQ((CardInfo{CardType{256}, 1, 0}), shown.slots[15]); // the new decoder
}

TEST(StartSequence, ASystemThatAnswersIsReadWithoutQuestions) {
    Start start;
    start.hardware.answers = true;
    EXPECT_EQ(StartResult::Done, start.run({}));
    EXPECT_EQ((std::vector<std::string>{"connect", "read", "main dialog", "release"}),
              start.events);
    EXPECT_EQ(930, start.frontEnd.shown.systemType);
}

TEST(SystemChoice, CheckBoxesFollowTheTypeAndKeepTheirStateWhileDisabled) {
    SystemChoiceState state;
    EXPECT_FALSE(state.okEnabled());
    EXPECT_FALSE(state.firstBoxEnabled());
    state.choose(SystemKind::Kprq860);
    EXPECT_TRUE(state.okEnabled());
    EXPECT_TRUE(state.firstBoxEnabled());
    EXPECT_FALSE(state.secondBoxEnabled());
    state.setFirstBox(true);
    EXPECT_TRUE(state.secondBoxEnabled());
    state.setSecondBox(true);
    state.choose(SystemKind::Ukprq);
    EXPECT_FALSE(state.firstBoxEnabled());
    EXPECT_FALSE(state.secondBoxEnabled());
    EXPECT_TRUE(state.choice().expansion1);
    EXPECT_TRUE(state.choice().expansion2);
    state.choose(SystemKind::Prq990);
    EXPECT_TRUE(state.secondBoxEnabled()); // the first box is still checked
    state.setFirstBox(false);
    EXPECT_FALSE(state.secondBoxEnabled());
}

TEST(SystemChoice, TheChoiceGivesTheDefaultConfiguration) {
    CSystemInfo none;
    applySystemChoice(none, {});
    EXPECT_EQ(860, none.systemType);
    EXPECT_EQ((CardInfo{CardType{256}, 0, 0}), none.slots[15]); // ULM520: no new decoder
    EXPECT_EQ(CardType{0}, none.slots[50].typeCode);

    // The second box counts only together with the first.
    CSystemInfo secondOnly;
    applySystemChoice(secondOnly, {SystemKind::Kprq860, false, true});
    EXPECT_FALSE(secondOnly.hasExpansion1);
    EXPECT_FALSE(secondOnly.hasExpansion2);

    CSystemInfo both;
    applySystemChoice(both, {SystemKind::Kprq860, true, true});
    EXPECT_TRUE(both.hasExpansion2);
    both.buildPositions();
    EXPECT_EQ(3, both.positions.back().housing);
}
