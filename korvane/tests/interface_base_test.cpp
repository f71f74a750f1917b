#include "korvane/interfaces/int900_interface.h"
#include "korvane/interfaces/interface_list.h"
#include "korvane/interfaces/message_guard.h"
#include "korvane/interfaces/text_format.h"

#include "fake_bus.h"
#include "recording_windows.h"

#include <gtest/gtest.h>

#include <deque>

using namespace korvane;

namespace {

// INT900 registers as the driver self-test sees them: register 3 answers a queue of words.
class FakeInt900 : public CInterfaceInt900Base {
public:
    std::string displayName() override { return "INT900 über Treiber"; }
    bool isUsable() const override { return true; }
    void busWrite(int, int, int, int) override {}
    int busRead(int, int, int) override { return 0; }
    void writeRegister(int index, int value) override {
        writes.push_back(std::to_string(index) + "=" + std::to_string(value));
    }
    int readRegister(int) override {
        if (answers.empty()) {
            return 0;
        }
        const int value = answers.front();
        answers.pop_front();
        return value;
    }
    std::vector<std::string> writes;
    std::deque<int> answers;
};

std::unique_ptr<CInterface> bus(const std::string& name, bool listed, bool usable = true) {
    return std::make_unique<FakeBus>(name, listed, usable);
}

std::vector<std::string> names(const InterfaceList& list) {
    std::vector<std::string> result;
    for (const auto& entry : list.shown) {
        result.push_back(entry->displayName());
    }
    return result;
}

} // namespace

TEST(Int900DriverSelfTest, WritesExpectedAndReadCodes) {
    FakeInt900 card;
    card.answers = {0x3312, 0x4D42, 0x554C, 0x4641, 0x5400, 0x4949};
    std::vector<std::string> log;
    RecordingResultWindow window(log);
    runInt900DriverSelfTest(card, window);
    EXPECT_EQ((std::vector<std::string>{"0=1", "3=5"}), card.writes);
    EXPECT_EQ((std::vector<std::string>{
                  "erster Code erwartet: 0x33, gelesen: 0x33\r\n",
                  "erwarteter Code: 0x4D42, gelesener Code: 0x4D42\r\n",
                  "erwarteter Code: 0x554C, gelesener Code: 0x554C\r\n",
                  "erwarteter Code: 0x4641, gelesener Code: 0x4641\r\n",
                  "erwarteter Code: 0x5453, gelesener Code: 0x5400\r\n",
                  "erwarteter Code: 0x4949, gelesener Code: 0x4949\r\n",
                  "Test beendet\r\n",
              }),
              log);
}

TEST(Int900Base, RangesAndNoSelection) {
    FakeInt900 card;
    EXPECT_EQ(0, card.maxSystemAddress());
    EXPECT_EQ(255, card.maxCardAddress());
    EXPECT_EQ(63, card.maxFunctionAddress());
    EXPECT_EQ(65535, card.maxData());
    EXPECT_TRUE(card.isListed());
    EXPECT_FALSE(card.matchesSelection(kSelectInt41, ""));
    EXPECT_FALSE(card.matchesSelection(kSelectUsb860, ""));
}

TEST(MessageGuard, OneOpenBoxPerFamily) {
    RecordingUser user;
    MessageGuard guard(user);
    // A box that is still open when the next message comes: the modal box dispatched a timer
    // request that ran another bus word.
    struct NestingUser : InterfaceUserInterface {
        MessageGuard* guard = nullptr;
        std::vector<std::string> shown;
        bool showMessage(MessageFamily family, const std::string& text) override {
            shown.push_back(text);
            if (shown.size() == 1) {
                guard->show(family, "zweite INT41");
                guard->show(MessageFamily::Usb, "USB daneben");
            }
            return true;
        }
        bool askOkCancel(const std::string&) override { return true; }
    } nesting;
    MessageGuard nestingGuard(nesting);
    nesting.guard = &nestingGuard;
    nestingGuard.show(MessageFamily::Int41, "erste INT41");
    EXPECT_EQ((std::vector<std::string>{"erste INT41", "USB daneben"}), nesting.shown);
    EXPECT_EQ(1u, nestingGuard.droppedCount(MessageFamily::Int41));
    EXPECT_FALSE(nestingGuard.isOpen(MessageFamily::Int41));
    // Once closed, the next message of the family shows again.
    nestingGuard.show(MessageFamily::Int41, "dritte");
    EXPECT_EQ("dritte", nesting.shown.back());

    // A box nobody closes keeps its family quiet.
    user.closesBoxes = false;
    guard.show(MessageFamily::Usb, "eins");
    guard.show(MessageFamily::Usb, "zwei");
    guard.show(MessageFamily::Int41, "drei");
    EXPECT_EQ((std::vector<std::string>{"eins", "drei"}), user.messages);
    EXPECT_EQ(1u, guard.droppedCount(MessageFamily::Usb));
}

TEST(InterfacePlacement, ListedShownUnlistedInReserveUnusableDropped) {
    InterfacePlacement placement(false);
    EXPECT_NE(nullptr, placement.place(bus("a", true)));
    EXPECT_NE(nullptr, placement.place(bus("(?) - b", false)));
    EXPECT_EQ(nullptr, placement.place(bus("c", true, false)));
    EXPECT_NE(nullptr, placement.place(bus("d", true)));
    const InterfaceList list = placement.finish();
    EXPECT_EQ((std::vector<std::string>{"a", "d"}), names(list));
    EXPECT_EQ(list.shown.front().get(), list.current);
}

TEST(InterfacePlacement, ReserveMovesUpWhenNothingIsShown) {
    InterfacePlacement placement(false);
    placement.place(bus("(?) - x", false));
    placement.place(bus("(?) - y", false));
    const InterfaceList list = placement.finish();
    EXPECT_EQ((std::vector<std::string>{"(?) - x", "(?) - y"}), names(list));
}

TEST(InterfacePlacement, CtrlAtStartShowsUnlistedInOrder) {
    InterfacePlacement placement(true);
    placement.place(bus("a", true));
    placement.place(bus("(?) - b", false));
    placement.place(bus("c", true, false));
    EXPECT_EQ((std::vector<std::string>{"a", "(?) - b"}), names(placement.finish()));
}

TEST(InterfacePlacement, NothingFoundMeansNoCurrentInterface) {
    InterfacePlacement placement(false);
    const InterfaceList list = placement.finish();
    EXPECT_TRUE(list.shown.empty());
    EXPECT_EQ(nullptr, list.current);
    EXPECT_EQ(nullptr, list.select(kSelectInt41, ""));
}

TEST(TextFormat, LikePrintf) {
    EXPECT_EQ("12.3457", formatGeneral(12.345678));
    EXPECT_EQ("1", formatGeneral(1.0));
    EXPECT_EQ("1e+06", formatGeneral(1e6));
    EXPECT_EQ("308", formatHex(0x308));
    EXPECT_EQ("0A", formatHexUpper(10, 2));
    EXPECT_EQ("4D42", formatHexUpper(0x4D42, 4));
}
