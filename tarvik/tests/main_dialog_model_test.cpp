#include "tarvik/app/configuration_list.h"
#include "tarvik/app/main_dialog_model.h"
#include "tarvik/app/progress_bar_state.h"
#include "tarvik/config/system_info.h"

#include "module_test_support.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace tarvik;

namespace fs = std::filesystem;
using Change = ConfigurationList::Change;
using MenuKind = ConfigurationList::MenuKind;

namespace {

CSystemInfo manual(int type) {
    CSystemInfo system;
    system.setManual(type, false, false, false);
    return system;
}

int rowOf(ConfigurationList& list, const std::string& position) {
    for (int row = 0; row < list.rowCount(); ++row) {
        if (list.rowTexts(row).position == position) {
            return row;
        }
    }
    return -1;
}

int entryOf(const ConfigurationList::Menu& menu, const std::string& text) {
    for (int i = 0; i < static_cast<int>(menu.entries.size()); ++i) {
        if (menu.entries[i] == text) {
            return i;
        }
    }
    ADD_FAILURE() << "no menu entry " << text;
    return -1;
}

// Chooses a menu entry by its text.
Change choose(ConfigurationList& list, int row, int column, const std::string& text) {
    const auto menu = list.contextMenu(row, column);
    return list.choose(menu, entryOf(menu, text));
}

MainDialogModel model(CSystemInfo& system, GenerationStarter starter = {}) {
    RunInputs inputs;
    inputs.setProgramFolder("/nonexistent/tarvik");
    return MainDialogModel(system, inputs, std::move(starter));
}

} // namespace

TEST(ConfigurationList, CardMenuChangesTheRowAndTheModuleNames) {
    CSystemInfo system = manual(860);
    ConfigurationList list(system);
    const int p4 = rowOf(list, "P4");
    const int p5 = rowOf(list, "P5");
    const auto menu = list.contextMenu(p4, ListColumn::Detail);
    ASSERT_EQ(MenuKind::Card, menu.kind);
    EXPECT_EQ("(leer)", menu.entries.front());

    EXPECT_EQ(Change::CardChanged, choose(list, p4, ListColumn::Position, "KVR860 (NG+-)"));
    EXPECT_EQ(Change::CardChanged, choose(list, p5, ListColumn::Card, "KVR860 (NG++)"));
    const RowTexts texts = list.rowTexts(p4);
    EXPECT_EQ("KVR860", texts.card);
    EXPECT_EQ("NG +-", texts.detail);
    EXPECT_EQ("KVR_1", texts.module);
    EXPECT_EQ("KVR_2", list.rowTexts(p5).module);

    // Emptying the first KVR renumbers the second.
    EXPECT_EQ(Change::CardChanged, choose(list, p4, ListColumn::Card, "(leer)"));
    EXPECT_EQ("KVR_1", list.rowTexts(p5).module);
}

TEST(ConfigurationList, UsageMenuOnTheModuleColumn) {
    CSystemInfo system = manual(860);
    ConfigurationList list(system);
    const int p4 = rowOf(list, "P4");
    EXPECT_EQ(MenuKind::None, list.contextMenu(rowOf(list, "P3"), ListColumn::Module).kind);
    choose(list, p4, ListColumn::Card, "KVR860 (ohne NG)");
    const auto menu = list.contextMenu(p4, ListColumn::Module);
    ASSERT_EQ(MenuKind::Usage, menu.kind);
    EXPECT_EQ((std::vector<std::string>{"KVR", "TQD"}), menu.entries);
    EXPECT_EQ(Change::ModulesChanged, list.choose(menu, 1));
    EXPECT_EQ("TQD_1", list.rowTexts(p4).module);
    EXPECT_EQ(Change::None, list.choose(menu, 1)); // no change, nothing to redraw
    EXPECT_EQ(Change::None, list.choose(menu, 7));
}

TEST(ConfigurationList, PositionThatCannotTakeACard) {
    CSystemInfo system;
    system.systemType = 860; // no extra addresses: P15, P16 and Ad50 take no card
    ConfigurationList list(system);
    const int p15 = rowOf(list, "P15");
    const auto menu = list.contextMenu(p15, ListColumn::Card);
    EXPECT_EQ(std::vector<std::string>{"(nicht belegbar)"}, menu.entries);
    EXPECT_EQ(Change::None, list.choose(menu, 0));
    EXPECT_EQ((RowTexts{"P15", "", "", ""}), list.rowTexts(p15));
}

TEST(ConfigurationList, PositionsAreAddedOnlyOn945AndOnlyUpToTheLast) {
    CSystemInfo system = manual(945);
    ConfigurationList list(system);
    EXPECT_EQ(8, list.rowCount());
    EXPECT_EQ(MenuKind::Card, list.contextMenu(0, ListColumn::Card).kind);
    const auto stale = list.contextMenu(-1, ListColumn::Card);
    for (int expected = 9; expected <= 14; ++expected) {
        const auto menu = list.contextMenu(-1, ListColumn::Module);
        ASSERT_EQ(std::vector<std::string>{"Position hinzufügen"}, menu.entries);
        EXPECT_EQ(Change::RowAdded, list.choose(menu, 0));
        ASSERT_EQ(expected, list.rowCount());
        EXPECT_EQ(expected - 1, list.positionOfRow(expected - 1));
        EXPECT_EQ("P" + std::to_string(expected - 1), list.rowTexts(expected - 1).position);
    }
    EXPECT_EQ(MenuKind::None, list.contextMenu(-1, ListColumn::Card).kind);
    EXPECT_EQ(Change::None, list.choose(stale, 0));
    EXPECT_EQ(14, list.rowCount());

    CSystemInfo other = manual(860);
    EXPECT_EQ(MenuKind::None, ConfigurationList(other).contextMenu(-1, 0).kind);
}

TEST(ConfigurationList, DetailColumnIsWidenedUpToTheModuleLabel) {
    EXPECT_EQ(70, widenedDetailWidth(50, 60, 40, 180));
    EXPECT_EQ(40, widenedDetailWidth(50, 60, 40, 150)); // already there
    EXPECT_EQ(40, widenedDetailWidth(80, 90, 40, 150)); // beyond: left as it is
}

TEST(MainDialogModel, VariantQuestionsInRowOrderCountingBothKinds) {
    CSystemInfo system = manual(860);
    system.slots[5] = {CardType::Kvr860, 0, 0};
    system.slots[1] = {CardType::Kvr860, 0, 0};
    system.slots[3] = {CardType::Fjn860, 0, 0};
    auto dialog = model(system);
    EXPECT_TRUE(dialog.firstShowPending());
    const auto questions = dialog.beginFirstShow();
    EXPECT_FALSE(dialog.firstShowPending());
    ASSERT_EQ(3u, questions.size());
    EXPECT_EQ("1.", questions[0].number);
    EXPECT_EQ("P4", questions[0].positionName);
    EXPECT_EQ(VariantKind::Kvr, questions[0].kind);
    EXPECT_EQ("2.", questions[1].number);
    EXPECT_EQ("P6", questions[1].positionName);
    EXPECT_EQ(VariantKind::Fjn, questions[1].kind);
    EXPECT_EQ("3.", questions[2].number);
    EXPECT_EQ("P8", questions[2].positionName);

    dialog.applyVariantChoice(questions[0], 2);
    dialog.applyVariantChoice(questions[1], 1);
    dialog.applyVariantChoice(questions[2], -1);
    EXPECT_EQ((CardInfo{CardType::Kvr860, 0, 3}), system.slots[1]);
    EXPECT_EQ((CardInfo{CardType::Fjn860, 0, 2}), system.slots[3]);
    EXPECT_EQ((CardInfo{CardType::Kvr860, 0, 0}), system.slots[5]);
    EXPECT_EQ("4 Kanäle", dialog.list().rowTexts(questions[1].row).detail);
}

TEST(MainDialogModel, Xab60VIsAskedOnlyOfTheLargeSystems) {
    for (const auto& [type, asked] : {std::pair{860, true}, {945, false}, {930, false}}) {
        CSystemInfo system = manual(type);
        auto dialog = model(system);
        EXPECT_EQ(asked, dialog.asksForXab60V()) << type;
        EXPECT_TRUE(dialog.beginFirstShow().empty());
    }
    CSystemInfo system = manual(860);
    model(system).setXab60V(true);
    EXPECT_TRUE(system.hasXab60V);
}

TEST(MainDialogModel, CaptionAndTemplateChecksUseTheProgramFolder) {
    testing_support::ScratchDir folder;
    CSystemInfo system = manual(860);
    RunInputs inputs;
    inputs.setProgramFolder(folder.path());
    MainDialogModel dialog(system, inputs, {});
    EXPECT_EQ("Kontrollwerk ", dialog.caption());
    EXPECT_EQ((std::vector<std::string>{
                  "Die Vorlagen-Testmappe für den Selbsttest ist nicht vorhanden!",
                  "Die Vorlagen-Testmappe für die Kalibrierung ist nicht vorhanden!"}),
              dialog.missingTemplateMessages());

    fs::create_directory(folder.path() / "TM_SEL_TEMPLATE");
    std::ofstream(folder.path() / "TM_CAL_TEMPLATE") << "a file, not a folder";
    std::ofstream(folder.path() / "version.txt") << "SET 4.2\r\nsecond line\r\n";
    EXPECT_EQ(
        std::vector<std::string>{
            "Die Vorlagen-Testmappe für die Kalibrierung ist nicht vorhanden!"},
        dialog.missingTemplateMessages());
    EXPECT_EQ("Kontrollwerk SET 4.2", dialog.caption());
}

TEST(MainDialogModel, GenerationRunsWithTheCurrentFields) {
    CSystemInfo system = manual(860);
    RunInputs seen;
    auto dialog = model(system, [&](CSystemInfo& given, const RunInputs& inputs, UserInterface&) {
        EXPECT_EQ(&system, &given);
        seen = inputs;
        return inputs.projectName == "OK";
    });
    ScriptedUi ui;
    dialog.inputs().projectName = "NEIN";
    EXPECT_FALSE(dialog.generate(ui));
    dialog.inputs().projectName = "OK";
    dialog.inputs().generateCal = true;
    EXPECT_TRUE(dialog.generate(ui));
    EXPECT_TRUE(seen.generateCal);
    EXPECT_EQ(fs::path("/nonexistent/tarvik/TM_CAL_TEMPLATE"), seen.templateCalPath);
}

TEST(ProgressBar, EmptyAndOverfullReports) {
    EXPECT_EQ(0, progressBarState(0, 0).value); // an empty range shows nothing
    EXPECT_EQ(1, progressBarState(0, 0).maximum);
    EXPECT_EQ(0, progressBarState(5, -3).value);
    EXPECT_EQ(2, progressBarState(2, 3).value);
    EXPECT_EQ(3, progressBarState(9, 3).value); // a wrong step count fills the bar
    EXPECT_EQ(0, progressBarState(-1, 3).value);
}
