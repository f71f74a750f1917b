#include "korvane/tool/korvane_dialog_model.h"

#include "dialog_fakes.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

const std::string kPathA = "usb#vid_1234#1234567#{2f8b6d13}";
const std::string kPathB = "usb#vid_1234#7654321#{2f8b6d13}";

// The dialog over two USB860 adapters (the first one in ULM860 mode with its 16-bit twin)
// and an INT41 card.
class DialogDevicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        InterfaceList list;
        list.shown.push_back(std::make_unique<FakeAdapter>("Ulm860 (8 Bit)", kPathA));
        list.shown.push_back(std::make_unique<FakeAdapter>("Ulm860 (16 Bit)", kPathA, true));
        list.shown.push_back(std::make_unique<FakeAdapter>("Usb860 (7654321)", kPathB));
        list.shown.push_back(std::make_unique<FakeBus>("INT41"));
        for (auto& bus : list.shown) {
            static_cast<FakeBus&>(*bus).externalLog = &bus_;
        }
        list.current = list.shown[currentAtStart].get();
        model_ = std::make_unique<KorvaneDialogModel>(std::move(list), timer, &finder, false);
        model_->setView(&view);
        ASSERT_FALSE(model_->initialise("").has_value());
        finder.present[kPathA] = {"Ulm860 (8 Bit)", true};
        finder.present[kPathB] = {"Usb860 (7654321)"};
    }

    KorvaneDialogModel& model() { return *model_; }
    std::string currentName() {
        return model_->currentInterface() ? model_->currentInterface()->displayName() : "-";
    }
    std::vector<std::string> boxTexts() {
        std::vector<std::string> texts;
        for (int i = 0; i < model_->interfaces().count(); ++i) {
            texts.push_back(model_->interfaces().text(i));
        }
        return texts;
    }
    void startRepeatedSend() {
        model_->controls().repeat = true;
        model_->controls().sendAOn = true;
        model_->onSendAClicked();
        ASSERT_TRUE(model_->isRepeating());
    }

    int currentAtStart = 2;
    FakeTimer timer;
    FakeDialogView view;
    FakeFinder finder;
    std::vector<std::string> bus_;

private:
    std::unique_ptr<KorvaneDialogModel> model_;
};

TEST_F(DialogDevicesTest, UnpluggingTheCurrentAdapterStopsTheRepetitionAndReplugTakesItUp) {
    startRepeatedSend();
    model().onDeviceRemoval(kPathB);
    EXPECT_FALSE(model().isRepeating());
    EXPECT_FALSE(model().controls().sendAOn);
    EXPECT_EQ(view.warnings,
              std::vector<std::string>{"Die aktuelle Schnittstelle wurde entfernt!"});
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Ulm860 (8 Bit)", "Ulm860 (16 Bit)", "INT41"}));
    EXPECT_EQ(model().interfaces().selected(), 0);
    EXPECT_EQ(currentName(), "Ulm860 (8 Bit)");
    EXPECT_EQ(model().removedDeviceName(), kPathB);

    // The notice may name the path in another case.
    std::string upper = kPathB;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    finder.present[upper] = finder.present[kPathB];
    finder.appearsAfter = 3;
    model().onDeviceArrival(upper);
    EXPECT_EQ(finder.enumerations, 4);
    EXPECT_EQ(boxTexts().back(), "Usb860 (7654321)");
    EXPECT_EQ(model().interfaces().selected(), 3);
    EXPECT_EQ(currentName(), "Usb860 (7654321)");
    EXPECT_EQ(view.cursor.back(), false);
}

TEST_F(DialogDevicesTest, ASendOrReceiveForgetsTheUnpluggedDevice) {
    model().onDeviceRemoval(kPathB);
    model().controls().receiveOn = true;
    model().onReceiveClicked();
    EXPECT_EQ(model().removedDeviceName(), "");
    model().onDeviceArrival(kPathB);
    // Appended, but the current interface stays.
    EXPECT_EQ(boxTexts().back(), "Usb860 (7654321)");
    EXPECT_EQ(currentName(), "Ulm860 (8 Bit)");
}

TEST_F(DialogDevicesTest, TheDecoderTwinComesBackAsTheCurrentInterface) {
    model().onInterfaceSelected(1);
    ASSERT_TRUE(model().currentInterface()->isDecoder());
    model().onDeviceRemoval(kPathA);
    // Both entries of the adapter are gone.
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Usb860 (7654321)", "INT41"}));
    EXPECT_TRUE(model().removedWasDecoder());
    model().onDeviceArrival(kPathA);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Usb860 (7654321)", "INT41", "Ulm860 (8 Bit)",
                                                    "Ulm860 (16 Bit)"}));
    EXPECT_EQ(model().interfaces().selected(), 3);
    EXPECT_TRUE(model().currentInterface()->isDecoder());
}

TEST_F(DialogDevicesTest, RemovingAnotherDeviceKeepsTheCurrentOne) {
    model().onDeviceRemoval(kPathA);
    EXPECT_TRUE(view.warnings.empty());
    EXPECT_EQ(currentName(), "Usb860 (7654321)");
    EXPECT_EQ(model().interfaces().selected(), 0);
    EXPECT_EQ(model().removedDeviceName(), "");
}

TEST_F(DialogDevicesTest, AnAdapterThatNeverAppearsIsGivenUpAfterASecond) {
    const int before = model().interfaces().count();
    model().onDeviceArrival("usb#vid_1234#999#{2f8b6d13}");
    EXPECT_EQ(finder.enumerations, 20); // every 50 ms for 1000 ms
    EXPECT_EQ(model().interfaces().count(), before);
    EXPECT_EQ(view.cursor, (std::vector<bool>{true, false}));
}

TEST_F(DialogDevicesTest, AnUnlistedAdapterIsOnlyTakenWithCtrlAtStart) {
    finder.present["usb#x#0#"] = {"Usb860 (2)", false, false};
    const int before = model().interfaces().count();
    model().onDeviceArrival("usb#x#0#");
    EXPECT_EQ(model().interfaces().count(), before);
}

TEST_F(DialogDevicesTest, UnpluggingTheLastInterfaceLeavesNone) {
    for (const auto& path : {kPathA, kPathB}) {
        model().onDeviceRemoval(path);
    }
    model().onDeviceRemoval("INT41");
    EXPECT_EQ(model().currentInterface(), nullptr);
    EXPECT_EQ(model().interfaces().selected(), -1);
    // Bus operations do nothing now.
    bus_.clear();
    model().controls().sendAOn = true;
    model().onSendAClicked();
    model().onExecute();
    EXPECT_TRUE(bus_.empty());
    // The next adapter plugged in becomes current.
    model().onDeviceArrival(kPathB);
    EXPECT_EQ(currentName(), "Usb860 (7654321)");
}

TEST_F(DialogDevicesTest, ARemovalDuringTheAdaptersOwnCallWaitsUntilItReturns) {
    auto& adapter = static_cast<FakeAdapter&>(*model().currentInterface());
    adapter.selfTestEnabled = true;
    model().onCtrlK();
    EXPECT_TRUE(model().testEnabled());
    // The self-test lets input in while it runs; the adapter is unplugged meanwhile, and a
    // second "Test" click comes in.
    adapter.duringSelfTest = [&] {
        model().onDeviceRemoval(kPathB);
        EXPECT_EQ(model().interfaces().count(), 4);
        model().onTest();
    };
    model().onTest();
    EXPECT_EQ(model().interfaces().count(), 3);
    EXPECT_EQ(view.warnings,
              std::vector<std::string>{"Die aktuelle Schnittstelle wurde entfernt!"});
}

// An adapter that came and went at once: its removal comes in while its arrival is still
// being handled (the search lets input in) and must not be lost, or a ghost entry stays.
TEST_F(DialogDevicesTest, ARemovalDuringTheArrivalIsHandledAfterIt) {
    const std::string path = "usb#vid_1234#5555555#{2f8b6d13}";
    finder.present[path] = {"Usb860 (5555555)"};
    finder.duringSearch = [&] {
        finder.duringSearch = nullptr;
        model().onDeviceRemoval(path);
    };
    model().onDeviceArrival(path);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Ulm860 (8 Bit)", "Ulm860 (16 Bit)",
                                                    "Usb860 (7654321)", "INT41"}));
    EXPECT_EQ(currentName(), "Usb860 (7654321)");
}

TEST_F(DialogDevicesTest, CtrlKUnlocksTheSelfTestWhereThereIsOne) {
    EXPECT_FALSE(model().testEnabled());
    model().onTest();
    EXPECT_EQ(static_cast<FakeAdapter&>(*model().currentInterface()).selfTests, 0);
    model().onCtrlK();
    EXPECT_TRUE(model().testEnabled());
    model().onTest();
    EXPECT_EQ(static_cast<FakeAdapter&>(*model().currentInterface()).selfTests, 1);
    // The plain INT41 fake has no self-test at all.
    model().onInterfaceSelected(3);
    model().onCtrlK();
    EXPECT_FALSE(model().testEnabled());
}

} // namespace
