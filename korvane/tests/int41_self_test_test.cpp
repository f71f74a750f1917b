#include "korvane/interfaces/int41_interface.h"

#include "recording_windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <regex>

using namespace korvane;

namespace {

// An INT41 card as its registers behave, with faults: bits stuck at 1, a bit shorted between
// two registers (each then reads the OR of both), a busy bit that clears after some reads.
class FakeInt41 : public CInterfaceInt41Base {
public:
    explicit FakeInt41(InterfaceContext context) : CInterfaceInt41Base(context) {}

    std::string displayName() override { return "Fake-INT41"; }
    bool isUsable() const override { return true; }
    void busWrite(int, int, int, int) override {}
    int busRead(int, int, int) override { return 0; }

    void writeRegister(int index, int value) override {
        m_registers.at(index) = value & 0xFF;
        if (index == kw::int41::reg::Control && (value & 0x80) && busyCycles > 0) {
            --busyCycles;
            m_busyReadsLeft = busyReads;
        }
    }

    int readRegister(int index) override {
        if (index == kw::int41::reg::Status) {
            if (m_busyReadsLeft > 0 || busyForever) {
                --m_busyReadsLeft;
                return 0x80;
            }
            return 0x00;
        }
        if (index == kw::int41::reg::Doubled) {
            return kw::int41::doubledBits(
                       static_cast<std::uint8_t>(m_registers[kw::int41::reg::Control] & 0x0F)) &
                   ~doubledStuckLow;
        }
        int value = m_registers.at(index) | stuckHigh.at(index);
        if (index == shortA || index == shortB) {
            const int shorted = (m_registers[shortA] | m_registers[shortB]) & shortMask;
            value = (value & ~shortMask) | shorted;
        }
        return value;
    }

    std::array<int, 8> stuckHigh{};
    int shortA = -1;
    int shortB = -1;
    int shortMask = 0;
    int doubledStuckLow = 0;
    int busyReads = 0;
    int busyCycles = 1 << 30; // cycles of the timing test that see the busy reads
    bool busyForever = false;

private:
    std::array<int, 8> m_registers{};
    int m_busyReadsLeft = 0;
};

class Int41SelfTest : public ::testing::Test {
protected:
    Int41SelfTest() : guard(user), card(InterfaceContext{guard, windows}) {}

    // The mask each row ended with, in row order.
    std::vector<std::string> rowResults() const {
        std::vector<std::string> rows;
        for (const auto& entry : windows.log) {
            if (entry.rfind("setItemBits", 0) == 0) {
                rows.push_back(entry.substr(12));
            }
        }
        return rows;
    }

    bool logged(const std::string& entry) const {
        return std::find(windows.log.begin(), windows.log.end(), entry) != windows.log.end();
    }

    RecordingUser user;
    MessageGuard guard;
    RecordingWindowFactory windows;
    FakeInt41 card;
};

const std::vector<std::string> kSoundRows{
    "0 Datenbus 0x0",
    "1 Kontrollbus 0x0",
    "2 Kartenadresse 0x0",
    "3 Systemadresse 0x0",
    "4 Funktionsadressverdoppelung 0x0",
    "5 Datenbus <-> Kontrollbus 0x0",
    "6 Datenbus <-> Kartenadresse 0x0",
    "7 Datenbus <-> Systemadresse 0x0",
    "8 Kontrollbus <-> Kartenadresse 0x0",
    "9 Kontrollbus <-> Systemadresse 0x0",
    "10 Kartenadresse <-> Systemadresse 0x0",
};

} // namespace

TEST_F(Int41SelfTest, SoundCardPassesEveryRow) {
    card.busyReads = 2;
    ASSERT_TRUE(card.canSelfTest());
    card.runSelfTest();
    ASSERT_NE(nullptr, windows.last);
    EXPECT_EQ(kSoundRows, rowResults());
    EXPECT_EQ(3, windows.last->state());
    EXPECT_FALSE(logged("setError"));
    const std::vector<std::string> start(windows.log.begin(), windows.log.begin() + 4);
    EXPECT_EQ(
        (std::vector<std::string>{"open", "resetResults", "setRunning", "setWaitLabel Wartezeit"}),
        start);
    // Three reads per cycle: two busy, one ready.
    const std::regex average("setWaitLabel Durchschnitt: [0-9.e+-]+ µs \\(Anzahl InPorts: 3\\)");
    EXPECT_TRUE(std::any_of(windows.log.begin(), windows.log.end(),
                            [&](const std::string& e) { return std::regex_match(e, average); }));
    EXPECT_EQ(99, windows.last->lastWaitPercent);
    EXPECT_GT(windows.last->progressCalls, 11 * 10);
    EXPECT_EQ("setFinished true", windows.log.back());
}

TEST_F(Int41SelfTest, StuckCardAddressBitFailsItsRowAndItsCrosstalkRows) {
    card.stuckHigh[kw::int41::reg::Card] = 0x08;
    card.runSelfTest();
    auto expected = kSoundRows;
    expected[2] = "2 Kartenadresse 0x8";
    expected[6] = "6 Datenbus <-> Kartenadresse 0x8";
    expected[8] = "8 Kontrollbus <-> Kartenadresse 0x8";
    expected[10] = "10 Kartenadresse <-> Systemadresse 0x8";
    EXPECT_EQ(expected, rowResults());
    EXPECT_EQ(4, windows.last->state());
    EXPECT_FALSE(logged("offerContinuous"));
    EXPECT_EQ("setFinished true", windows.log.back());
}

TEST_F(Int41SelfTest, ShortBetweenDataAndControlBusShowsInTheirCrosstalkRow) {
    card.shortA = kw::int41::reg::Data;
    card.shortB = kw::int41::reg::Control;
    card.shortMask = 0x02;
    card.runSelfTest();
    const auto rows = rowResults();
    ASSERT_EQ(11u, rows.size());
    EXPECT_EQ("5 Datenbus <-> Kontrollbus 0x2", rows[5]);
    EXPECT_EQ("2 Kartenadresse 0x0", rows[2]);
    EXPECT_EQ("10 Kartenadresse <-> Systemadresse 0x0", rows[10]);
    EXPECT_EQ(4, windows.last->state());
}

TEST_F(Int41SelfTest, DoubledBitStuckLowFailsTheDoublingRow) {
    card.doubledStuckLow = 0x01;
    card.runSelfTest();
    EXPECT_EQ("4 Funktionsadressverdoppelung 0x1", rowResults().at(4));
    EXPECT_EQ("3 Systemadresse 0x0", rowResults().at(3));
}

TEST_F(Int41SelfTest, BusyBitThatNeverClearsAbortsTheWholeTest) {
    card.busyForever = true;
    card.runSelfTest();
    EXPECT_TRUE(rowResults().empty());
    EXPECT_TRUE(logged("setWaitLabel Wartezeit zu lang, Zeit-Test abgebrochen"));
    EXPECT_EQ(100, windows.last->lastWaitPercent);
    EXPECT_EQ(4, windows.last->state());
}

TEST_F(Int41SelfTest, NineHundredNinetyNineBusyReadsStillPass) {
    card.busyReads = 999;
    card.busyCycles = 1;
    card.runSelfTest();
    EXPECT_FALSE(logged("setWaitLabel Wartezeit zu lang, Zeit-Test abgebrochen"));
    card.busyReads = 1000;
    card.busyCycles = 1;
    windows.log.clear();
    card.runSelfTest();
    EXPECT_TRUE(logged("setWaitLabel Wartezeit zu lang, Zeit-Test abgebrochen"));
}

TEST_F(Int41SelfTest, ContinuousTestIsRequestedAfterAPassingRunAndTheWindowIsKept) {
    card.runSelfTest();
    windows.last->continuousChecked = true;
    windows.log.clear();
    card.runSelfTest();
    EXPECT_EQ(1, windows.made);
    EXPECT_EQ("open (already)", windows.log.front());
    const std::vector<std::string> tail(windows.log.end() - 5, windows.log.end());
    EXPECT_EQ((std::vector<std::string>{"finishRun", "pumpMessages", "offerContinuous",
                                        "requestNextRun", "setFinished false"}),
              tail);
}

TEST(Int41Base, HexSelectionText) {
    EXPECT_EQ(0x318u, parseHexAddress("318"));
    EXPECT_EQ(0x318u, parseHexAddress("0x318"));
    EXPECT_EQ(0u, parseHexAddress("zz"));
}
