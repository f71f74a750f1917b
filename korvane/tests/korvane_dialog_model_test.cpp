#include "korvane/tool/korvane_dialog_model.h"

#include "dialog_fakes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace korvane;

namespace {

using Field = DialogField;

class DialogModelTest : public ::testing::Test {
protected:
    // Opens the dialog over the interfaces; the one at `current` is chosen at start.
    void open(std::vector<std::unique_ptr<FakeBus>> buses, int current = 0,
              const std::string& loadFile = "") {
        InterfaceList list;
        for (auto& bus : buses) {
            bus->externalLog = &bus_;
            list.shown.push_back(std::move(bus));
        }
        list.current = list.shown.empty() ? nullptr : list.shown[current].get();
        model_ = std::make_unique<KorvaneDialogModel>(std::move(list), timer, &finder, false);
        model_->setView(&view);
        ASSERT_FALSE(model_->initialise(loadFile).has_value());
    }
    void openInt41() {
        std::vector<std::unique_ptr<FakeBus>> buses;
        buses.push_back(std::make_unique<FakeBus>("INT41"));
        open(std::move(buses));
    }

    KorvaneDialogModel& model() { return *model_; }
    void type(Field field, const std::string& text) { model_->controls().text(field) = text; }
    const std::string& shown(Field field) { return model_->controls().text(field); }
    void checkRepeat(bool on) {
        model_->controls().repeat = on;
        model_->onFieldLeft();
    }
    void checkAlternate(bool on) {
        model_->controls().alternate = on;
        model_->onFieldLeft();
    }
    void clickReceive() {
        model_->controls().receiveOn = !model_->controls().receiveOn;
        model_->onReceiveClicked();
    }
    void clickSendA() {
        model_->controls().sendAOn = !model_->controls().sendAOn;
        model_->onSendAClicked();
    }
    void clickSendB() {
        model_->controls().sendBOn = !model_->controls().sendBOn;
        model_->onSendBClicked();
    }
    void tick(TickKind kind) { model_->onTick(kind); }
    std::vector<std::string> takeBus() { return std::exchange(bus_, {}); }

    FakeTimer timer;
    FakeDialogView view;
    FakeFinder finder;

private:
    std::vector<std::string> bus_;
    std::unique_ptr<KorvaneDialogModel> model_;
};

TEST(FieldTexts, WholeAndPositiveNumbers) {
    EXPECT_EQ(parseWholeNumber(" 12 "), 12);
    EXPECT_EQ(parseWholeNumber("-5"), -5);
    EXPECT_EQ(parseWholeNumber("+7"), 7);
    EXPECT_EQ(parseWholeNumber("-2147483648"), INT32_MIN);
    EXPECT_FALSE(parseWholeNumber("2147483648"));
    EXPECT_FALSE(parseWholeNumber(""));
    EXPECT_FALSE(parseWholeNumber("-"));
    EXPECT_FALSE(parseWholeNumber("1a"));
    EXPECT_FALSE(parseWholeNumber("1 2"));

    EXPECT_EQ(parsePositiveNumber("4294967295"), 4294967295u);
    EXPECT_FALSE(parsePositiveNumber("4294967296"));
    EXPECT_FALSE(parsePositiveNumber("-1"));
    EXPECT_FALSE(parsePositiveNumber("+1"));
    EXPECT_FALSE(parsePositiveNumber(" "));
}

TEST(FieldTexts, SequenceGroupTitleIsTheNamePart) {
    EXPECT_EQ(sequenceGroupTitle("/home/pruef/ablauf.txt"), "ablauf.txt");
    EXPECT_EQ(sequenceGroupTitle("C:\\Abläufe\\relais.txt"), "relais.txt");
    EXPECT_EQ(sequenceGroupTitle("relais.txt"), "relais.txt");
    // A separator in front only: the whole path stays.
    EXPECT_EQ(sequenceGroupTitle("/relais.txt"), "/relais.txt");
}

TEST_F(DialogModelTest, OutOfRangeCardAddressIsRefusedAndNothingIsRead) {
    openInt41();
    type(Field::CardAddress, "64");
    clickReceive();
    ASSERT_EQ(view.refusals.size(), 1u);
    EXPECT_EQ(view.refusals[0].first, Field::CardAddress);
    EXPECT_EQ(view.refusals[0].second, "Geben Sie eine ganze Zahl zwischen 0 und 63 ein.");
    EXPECT_TRUE(takeBus().empty());
    // The value was taken all the same; the load after the click brings it back into range.
    EXPECT_EQ(model().fields().cardAddress, 63);
    EXPECT_EQ(shown(Field::CardAddress), "63");
    EXPECT_FALSE(model().controls().receiveOn);
}

TEST_F(DialogModelTest, RefusalsStopTheExchangeWhereTheyStand) {
    openInt41();
    type(Field::SystemAddress, "5");
    type(Field::FunctionAddress, "x");
    type(Field::DataA, "7");
    EXPECT_FALSE(model().exchange(KorvaneDialogModel::Direction::Save));
    EXPECT_EQ(view.refusals.back(), std::make_pair(Field::FunctionAddress,
                                                   std::string("Geben Sie eine ganze Zahl ein.")));
    EXPECT_EQ(model().fields().systemAddress, 5); // read before the refusal
    EXPECT_EQ(model().fields().dataA, 0);         // not reached

    type(Field::FunctionAddress, "3");
    type(Field::Delay, "-4");
    EXPECT_FALSE(model().exchange(KorvaneDialogModel::Direction::Save));
    EXPECT_EQ(view.refusals.back(),
              std::make_pair(Field::Delay, std::string("Geben Sie eine positive ganze Zahl ein.")));
    EXPECT_EQ(model().fields().delay, 10u);
}

TEST_F(DialogModelTest, DataIsCheckedAgainstTheNewInterfaceAfterSwitching) {
    std::vector<std::unique_ptr<FakeBus>> buses;
    buses.push_back(std::make_unique<WideBus>("INT900"));
    buses.push_back(std::make_unique<FakeBus>("INT41"));
    open(std::move(buses));
    EXPECT_FALSE(model().dataUpDownsShown());
    EXPECT_EQ(model().ranges().cardAddress, (ValueRange{0, 255}));
    type(Field::DataA, "1000");
    EXPECT_TRUE(model().exchange(KorvaneDialogModel::Direction::Save));

    model().onInterfaceSelected(1);
    EXPECT_TRUE(model().dataUpDownsShown());
    EXPECT_EQ(model().ranges().data, (ValueRange{0, 255}));
    EXPECT_FALSE(model().exchange(KorvaneDialogModel::Direction::Save));
    EXPECT_EQ(view.refusals.back().second, "Geben Sie eine ganze Zahl zwischen 0 und 255 ein.");
    model().exchange(KorvaneDialogModel::Direction::Load);
    EXPECT_EQ(model().fields().dataA, 255);
    EXPECT_EQ(shown(Field::DataA), "255");
}

TEST_F(DialogModelTest, AlternateIsEnabledOnlyWithRepeat) {
    openInt41();
    EXPECT_FALSE(model().alternateEnabled());
    checkRepeat(true);
    EXPECT_TRUE(model().alternateEnabled());
    checkRepeat(false);
    EXPECT_FALSE(model().alternateEnabled());
}

TEST_F(DialogModelTest, SingleSendWritesOnceAndPopsOut) {
    openInt41();
    type(Field::CardAddress, "5");
    type(Field::FunctionAddress, "3");
    type(Field::DataA, "170");
    clickSendA();
    EXPECT_EQ(takeBus(), std::vector<std::string>{"W 0 5 3 170"});
    EXPECT_FALSE(model().controls().sendAOn);
    EXPECT_FALSE(model().isRepeating());
    EXPECT_TRUE(timer.starts.empty());
}

TEST_F(DialogModelTest, RepeatedSendBAlternatesAndFreezesWhenAlternateIsCleared) {
    openInt41();
    type(Field::DataA, "1");
    type(Field::DataB, "2");
    checkRepeat(true);
    checkAlternate(true);
    clickSendB();
    ASSERT_TRUE(model().isRepeating());
    EXPECT_TRUE(model().controls().sendBOn);
    EXPECT_EQ(timer.starts.back(), std::make_pair(10u, TickKind::Send));
    tick(TickKind::Send);
    tick(TickKind::Send);
    tick(TickKind::Send);
    EXPECT_EQ(takeBus(),
              (std::vector<std::string>{"W 0 0 0 2", "W 0 0 0 1", "W 0 0 0 2", "W 0 0 0 1"}));
    // Taken at the next tick: the word due next (B) goes out from then on.
    checkAlternate(false);
    tick(TickKind::Send);
    tick(TickKind::Send);
    EXPECT_EQ(takeBus(), (std::vector<std::string>{"W 0 0 0 2", "W 0 0 0 2"}));
}

TEST_F(DialogModelTest, RepeatedSendAWithoutAlternateAndTheTimerPeriod) {
    timer.minPeriod = 3;
    openInt41();
    type(Field::DataA, "9");
    type(Field::DataB, "4");
    checkRepeat(true);
    clickSendA();
    tick(TickKind::Send);
    tick(TickKind::Send);
    EXPECT_EQ(takeBus(), (std::vector<std::string>{"W 0 0 0 9", "W 0 0 0 9", "W 0 0 0 9"}));
    EXPECT_EQ(timer.starts.back().first, 10u);

    // Delay 0 repeats at the smallest period the timer offers.
    clickSendA();
    type(Field::Delay, "0");
    clickSendA();
    EXPECT_EQ(timer.starts.back().first, 3u);
}

TEST_F(DialogModelTest, RepeatedReceiveShowsEachWordAndEscapeStopsIt) {
    openInt41();
    checkRepeat(true);
    clickReceive();
    ASSERT_TRUE(model().isRepeating());
    EXPECT_EQ(timer.starts.back().second, TickKind::Receive);
    EXPECT_TRUE(model().controls().receiveOn);
    // The user changes the address while it runs: the next tick reads there.
    type(Field::CardAddress, "7");
    tick(TickKind::Receive);
    EXPECT_EQ(takeBus(), (std::vector<std::string>{"R 0 0 0 0", "R 0 7 0 0"}));

    model().onEscape();
    EXPECT_FALSE(model().isRepeating());
    EXPECT_FALSE(model().controls().receiveOn);
    EXPECT_FALSE(model().fields().receiveOn);
    EXPECT_TRUE(takeBus().empty()); // stopping performs nothing
    tick(TickKind::Receive);        // a tick that was already under way
    EXPECT_TRUE(takeBus().empty());
}

TEST_F(DialogModelTest, AnotherToggleEndsTheRunningRepetition) {
    openInt41();
    checkRepeat(true);
    clickSendA();
    takeBus();
    clickReceive();
    EXPECT_EQ(timer.stops, 1);
    EXPECT_FALSE(model().controls().sendAOn);
    EXPECT_TRUE(model().controls().receiveOn);
    EXPECT_EQ(timer.starts.back().second, TickKind::Receive);
    clickReceive();
    EXPECT_FALSE(model().isRepeating());
    EXPECT_FALSE(model().controls().receiveOn);
}

TEST_F(DialogModelTest, TicksPauseWhileAnEntryIsRefused) {
    openInt41();
    checkRepeat(true);
    clickReceive();
    takeBus();
    // A tick dispatched while the refusal box stands is ignored.
    int nestedTicks = 0;
    view.whileBoxOpen = [&] {
        ++nestedTicks;
        tick(TickKind::Receive);
    };
    type(Field::FunctionAddress, "99");
    model().onFieldLeft();
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_TRUE(model().isExchanging());
    tick(TickKind::Receive);
    EXPECT_TRUE(takeBus().empty());
    EXPECT_EQ(view.refusals.size(), 1u);

    // Once the entry is corrected, the repetition goes on.
    type(Field::FunctionAddress, "2");
    model().onFieldLeft();
    tick(TickKind::Receive);
    EXPECT_EQ(takeBus(), std::vector<std::string>{"R 0 0 2 0"});
}

TEST_F(DialogModelTest, EscapeStopsASendEvenWhileAnEntryIsRefused) {
    openInt41();
    checkRepeat(true);
    clickSendA();
    type(Field::DataA, "");
    model().onEscape();
    EXPECT_FALSE(view.refusals.empty());
    EXPECT_FALSE(model().isRepeating());
    EXPECT_FALSE(model().controls().sendAOn);
}

TEST_F(DialogModelTest, SelectingRowsExchangesTheirValues) {
    openInt41();
    CAction send;
    send.setSend(1, 2, 3, 44, 5, "Relais ein");
    CAction receive;
    receive.setReceive(6, 7, 8, 9, "Status");
    model().actions().appendAction(send, false);
    model().actions().appendAction(receive, false);
    type(Field::DataA, "200");

    model().actions().select(1);
    EXPECT_EQ(model().fields().cardAddress, 7);
    EXPECT_EQ(model().fields().delay, 9u);
    EXPECT_EQ(model().fields().dataA, 200); // a receive row has no data
    EXPECT_EQ(model().settingsTitle(), "Einstellungen (Status)");

    model().actions().select(0);
    EXPECT_EQ(shown(Field::DataA), "44");
    EXPECT_EQ(shown(Field::SystemAddress), "1");

    // Editing while a row is selected changes its action, not its label.
    type(Field::CardAddress, "12");
    model().onFieldLeft();
    EXPECT_EQ(model().actions().action(0).toText(), "1,12,3,44,5; Relais ein");
    // The still selected row takes the fields before the selection moves on.
    type(Field::DataA, "45");
    model().actions().select(-1);
    EXPECT_EQ(model().actions().action(0).data(), 45);
    EXPECT_EQ(model().actions().action(1).toText(), "6,7,8,?,9; Status");
    EXPECT_EQ(model().settingsTitle(), "Einstellungen");

    // Deleting the selected row leaves nothing selected: the title names no row and later
    // edits go into no action.
    model().actions().select(1);
    const int updates = view.controlUpdates;
    model().actions().deleteSelected();
    EXPECT_EQ(model().actions().selectedIndex(), -1);
    EXPECT_EQ(model().settingsTitle(), "Einstellungen");
    EXPECT_GT(view.controlUpdates, updates);
    type(Field::CardAddress, "20");
    model().onFieldLeft();
    EXPECT_EQ(model().actions().action(0).toText(), "1,12,3,45,5; Relais ein");
}

TEST_F(DialogModelTest, NewActionsRecordTheFields) {
    openInt41();
    type(Field::SystemAddress, "1");
    type(Field::CardAddress, "2");
    type(Field::FunctionAddress, "3");
    type(Field::DataA, "4");
    type(Field::DataB, "99");
    type(Field::Delay, "25");
    model().onNewSendA();
    model().onNewReceive();
    ASSERT_EQ(model().actions().count(), 2);
    EXPECT_EQ(model().actions().action(0).toText(), "1,2,3,4,25; Neue Aktion");
    EXPECT_EQ(model().actions().action(1).toText(), "1,2,3,?,25; Neue Aktion");
}

TEST_F(DialogModelTest, ExecuteRunsTheSequenceOnTheCurrentInterface) {
    openInt41();
    CAction send;
    send.setSend(0, 1, 2, 3, 0, "a");
    model().actions().appendAction(send, false);
    model().onExecute();
    EXPECT_EQ(takeBus(), std::vector<std::string>{"W 0 1 2 3"});
    EXPECT_EQ(view.cursor, (std::vector<bool>{true, false}));
}

class DialogFileTest : public DialogModelTest {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("korvane-dialog-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

TEST_F(DialogFileTest, LoadAtStartAndLoadReplacingTheList) {
    const fs::path file = m_dir / "ablauf.txt";
    std::ofstream(file, std::ios::binary) << "1,2,3,4,5; eins\r\n1,2,3,?,5; zwei\r\n";
    std::vector<std::unique_ptr<FakeBus>> buses;
    buses.push_back(std::make_unique<FakeBus>("INT41"));
    open(std::move(buses), 0, file.string());
    EXPECT_EQ(model().actions().count(), 2);
    EXPECT_EQ(model().sequenceTitle(), "Ablauf"); // "-load" keeps the plain title

    model().actions().select(1);
    EXPECT_EQ(model().settingsTitle(), "Einstellungen (zwei)");
    model().onLoad(file.string());
    EXPECT_EQ(model().actions().count(), 2);
    EXPECT_EQ(model().sequenceTitle(), "Ablauf (ablauf.txt)");
    // The loaded rows replace the selected one: nothing is selected, the title names no row.
    EXPECT_EQ(model().actions().selectedIndex(), -1);
    EXPECT_EQ(model().settingsTitle(), "Einstellungen");

    // An unreadable file empties the list and names it all the same.
    model().onLoad((m_dir / "fehlt.txt").string());
    EXPECT_EQ(model().actions().count(), 0);
    EXPECT_EQ(model().sequenceTitle(), "Ablauf (fehlt.txt)");
}

TEST_F(DialogModelTest, WithoutInterfaceTheDialogEndsWithMinusOne) {
    KorvaneDialogModel model(InterfaceList{}, timer, nullptr, true);
    model.setView(&view);
    EXPECT_EQ(model.initialise(""), -1);
    EXPECT_EQ(view.warnings, std::vector<std::string>{"Kein Testsystem-Interface vorhanden!"});
    EXPECT_EQ(model.windowTitle(), "Korvane(+++)");

    // The hint about real adapters follows the warning in the same box.
    InterfaceList hinted;
    hinted.hint = "Kein Zugriff auf USB860-Adapter";
    KorvaneDialogModel second(std::move(hinted), timer, nullptr, false);
    view.warnings.clear();
    second.setView(&view);
    EXPECT_EQ(second.initialise(""), -1);
    EXPECT_EQ(view.warnings, std::vector<std::string>{"Kein Testsystem-Interface vorhanden!\n\n"
                                                      "Kein Zugriff auf USB860-Adapter"});
}

TEST_F(DialogModelTest, InitialisingFillsTheBoxAndSelectsTheCurrentInterface) {
    std::vector<std::unique_ptr<FakeBus>> buses;
    buses.push_back(std::make_unique<FakeBus>("INT41 direkt (0x310)"));
    buses.push_back(std::make_unique<WideBus>("INT900 über Treiber"));
    open(std::move(buses), 1);
    EXPECT_EQ(model().interfaces().count(), 2);
    EXPECT_EQ(model().interfaces().selected(), 1);
    EXPECT_EQ(model().interfaces().text(1), "INT900 über Treiber");
    EXPECT_EQ(model().currentInterface(), &model().interfaces().interface(1));
    EXPECT_EQ(model().windowTitle(), "Korvane");
    EXPECT_EQ(shown(Field::Delay), "10");
}

} // namespace
