// The self-tests against simulated adapters and cards.

#include "sim_fixture.h"

#include <algorithm>

using namespace korvane;

namespace {

// The final line of each row, in row order.
std::vector<std::string> rows(const std::vector<std::string>& log) {
    std::vector<std::string> result;
    for (const auto& entry : log) {
        if (entry.rfind("setItemBits ", 0) == 0) {
            result.push_back(entry.substr(12));
        }
    }
    return result;
}

CInterface* named(const InterfaceList& list, const std::string& name) {
    for (const auto& entry : list.shown) {
        if (entry->displayName() == name) {
            return entry.get();
        }
    }
    return nullptr;
}

} // namespace

TEST_F(SimulatedRackTest, Int41SelfTestPassesOnASoundCardThroughTheDriver) {
    start({{"adapter int41"}});
    InterfaceList list = build();
    CInterface* driver = named(list, "INT41 über Treiber (0x310)");
    ASSERT_NE(nullptr, driver);
    ASSERT_TRUE(driver->canSelfTest());
    driver->runSelfTest();
    ASSERT_NE(nullptr, windows.last);
    EXPECT_EQ(3, windows.last->state());
    const auto result = rows(windows.log);
    ASSERT_EQ(11u, result.size());
    EXPECT_TRUE(std::all_of(result.begin(), result.end(), [](const std::string& row) {
        return row.size() > 4 && row.substr(row.size() - 4) == " 0x0";
    }));
}

TEST_F(SimulatedRackTest, Int41SelfTestFindsAStuckBit) {
    start({{"adapter int41", "fault stuck 3 5 1"}});
    InterfaceList list = build();
    CInterface* direct = named(list, "INT41 direkt (0x310)");
    ASSERT_NE(nullptr, direct);
    direct->runSelfTest();
    const auto result = rows(windows.log);
    ASSERT_EQ(11u, result.size());
    EXPECT_EQ("3 Systemadresse 0x20", result[3]);
    EXPECT_EQ("2 Kartenadresse 0x0", result[2]);
    EXPECT_EQ("7 Datenbus <-> Systemadresse 0x20", result[7]);
    EXPECT_EQ("10 Kartenadresse <-> Systemadresse 0x20", result[10]);
    EXPECT_EQ(4, windows.last->state());
}

TEST_F(SimulatedRackTest, Int41SelfTestFindsShortedBits) {
    start({{"adapter int41", "fault shorted 0 1 2 1"}});
    InterfaceList list = build();
    CInterface* direct = named(list, "INT41 direkt (0x310)");
    ASSERT_NE(nullptr, direct);
    direct->runSelfTest();
    const auto result = rows(windows.log);
    ASSERT_EQ(11u, result.size());
    EXPECT_EQ("6 Datenbus <-> Kartenadresse 0x2", result[6]);
    EXPECT_EQ("9 Kontrollbus <-> Systemadresse 0x0", result[9]);
    EXPECT_EQ(4, windows.last->state());
}

TEST_F(SimulatedRackTest, UsbSelfTestWithTheSelfTestBoard) {
    start({{"adapter usb860 serial=3 selftest-board"}});
    InterfaceList list = build();
    CInterface& adapter = *list.current;
    EXPECT_FALSE(adapter.canSelfTest());
    adapter.enableSelfTest();
    ASSERT_TRUE(adapter.canSelfTest());
    adapter.runSelfTest();
    EXPECT_EQ(1u, user.questions.size());
    EXPECT_EQ((std::vector<std::string>{"0 Kartenadresse 0x0", "1 Funktionsadresse 0x0"}),
              rows(windows.log));
    EXPECT_EQ(3, windows.last->state());
}

TEST_F(SimulatedRackTest, UsbSelfTestWithoutTheBoardFails) {
    start({{"adapter usb860 serial=3", "fault noanswer"}});
    InterfaceList list = build();
    list.current->enableSelfTest();
    list.current->runSelfTest();
    EXPECT_EQ((std::vector<std::string>{"0 Kartenadresse 0x3f", "1 Funktionsadresse 0xff"}),
              rows(windows.log));
    EXPECT_EQ(4, windows.last->state());
}

TEST_F(SimulatedRackTest, NoUsbSelfTestInUlm860Mode) {
    start({{"adapter usb860 serial=3 ulm860"}});
    InterfaceList list = build();
    ASSERT_EQ(2u, list.shown.size());
    for (auto& entry : list.shown) {
        entry->enableSelfTest();
        EXPECT_FALSE(entry->canSelfTest()) << entry->displayName();
    }
}

TEST_F(SimulatedRackTest, Int900DriverSelfTestWritesTheCodes) {
    start({{"adapter int900"}});
    InterfaceList list = build();
    CInterface* driver = named(list, "INT900 über Treiber");
    CInterface* direct = named(list, "INT900 direkt (0x300)");
    ASSERT_TRUE(driver && direct);
    EXPECT_FALSE(direct->canSelfTest());
    ASSERT_TRUE(driver->canSelfTest());
    driver->runSelfTest();
    EXPECT_EQ((std::vector<std::string>{
                  "erster Code erwartet: 0x33, gelesen: 0x33\r\n",
                  "erwarteter Code: 0x4D42, gelesener Code: 0x4D42\r\n",
                  "erwarteter Code: 0x554C, gelesener Code: 0x554C\r\n",
                  "erwarteter Code: 0x4641, gelesener Code: 0x4641\r\n",
                  "erwarteter Code: 0x5453, gelesener Code: 0x5453\r\n",
                  "erwarteter Code: 0x4949, gelesener Code: 0x4949\r\n",
                  "Test beendet\r\n",
              }),
              windows.log);
}
