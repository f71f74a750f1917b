#include "korvane/interfaces/int41_self_test.h"

#include "korvane/interfaces/int41_interface.h"
#include "korvane/interfaces/result_window.h"
#include "korvane/interfaces/text_format.h"

#include <array>
#include <chrono>

namespace korvane {

namespace {

constexpr int kTimingCycles = 100000;
constexpr int kMaxReadsPerCycle = 1000;
constexpr int kBusyFlag = 128;

struct TestRegister {
    const char* name;
    int index;
    int valueCount;
};

constexpr std::array<TestRegister, 4> kRegisters{{
    {"Datenbus", kw::int41::reg::Data, 256},
    {"Kontrollbus", kw::int41::reg::Control, 256},
    {"Kartenadresse", kw::int41::reg::Card, 64},
    {"Systemadresse", kw::int41::reg::System, 64},
}};

constexpr int kDoublingRow = 4;
constexpr int kFirstCrosstalkRow = 5;

// Register pairs of the crosstalk rows, as indexes into kRegisters.
constexpr std::array<std::array<int, 2>, 6> kCrosstalkPairs{
    {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}}};

class Int41SelfTest {
public:
    Int41SelfTest(CInterfaceInt41Base& card, Int41ResultWindow& window)
        : m_card(card), m_window(window) {}

    void run() {
        m_window.open();
        m_window.resetResults();
        m_window.setRunning();
        if (timingTest()) {
            for (int row = 0; row < static_cast<int>(kRegisters.size()); ++row) {
                registerTest(row);
            }
            doublingTest();
            for (int pair = 0; pair < static_cast<int>(kCrosstalkPairs.size()); ++pair) {
                crosstalkTest(pair);
            }
        }
        m_window.finishRun();
        offerNextRun();
    }

private:
    // Measures how long the busy bit of the status register takes to clear. False when one
    // cycle never ends, which makes every further test pointless.
    bool timingTest() {
        m_window.setWaitLabel("Wartezeit");
        const auto start = std::chrono::steady_clock::now();
        long long totalReads = 0;
        int shownPercent = -1;
        for (int cycle = 0; cycle < kTimingCycles; ++cycle) {
            const int percent = static_cast<int>(cycle * 100LL / kTimingCycles);
            if (percent != shownPercent) {
                m_window.setWaitProgress(percent);
                shownPercent = percent;
            }
            m_card.writeRegister(kw::int41::reg::Control, kBusyFlag);
            int reads = 0;
            while (true) {
                const int status = m_card.readRegister(kw::int41::reg::Status);
                ++reads;
                ++totalReads;
                if (status < kBusyFlag) {
                    break;
                }
                if (reads == kMaxReadsPerCycle) {
                    m_window.setWaitProgress(100);
                    m_window.setWaitLabel("Wartezeit zu lang, Zeit-Test abgebrochen");
                    m_window.setError();
                    return false;
                }
            }
        }
        const std::chrono::duration<double, std::milli> elapsed =
            std::chrono::steady_clock::now() - start;
        m_window.setWaitLabel(
            "Durchschnitt: " + formatGeneral(elapsed.count() * 1000.0 / kTimingCycles) +
            " µs (Anzahl InPorts: " +
            formatGeneral(static_cast<double>(totalReads) / kTimingCycles) + ")");
        return true;
    }

    void registerTest(int row) {
        const TestRegister& reg = kRegisters[row];
        m_window.setItemLabel(row, reg.name);
        unsigned mask = 0;
        for (int value = 0; value < reg.valueCount; ++value) {
            m_card.writeRegister(reg.index, value);
            mask |= static_cast<unsigned>(value ^ m_card.readRegister(reg.index));
            progress(row, value, reg.valueCount);
        }
        finishRow(row, reg.name, mask);
    }

    void doublingTest() {
        const std::string label = "Funktionsadressverdoppelung";
        m_window.setItemLabel(kDoublingRow, label);
        unsigned mask = 0;
        for (int address = 0; address < 16; ++address) {
            m_card.writeRegister(kw::int41::reg::Control, address);
            mask |=
                static_cast<unsigned>(kw::int41::doubledBits(static_cast<std::uint8_t>(address)) ^
                                      m_card.readRegister(kw::int41::reg::Doubled));
            progress(kDoublingRow, address, 16);
        }
        finishRow(kDoublingRow, label, mask);
    }

    void crosstalkTest(int pair) {
        const TestRegister& first = kRegisters[kCrosstalkPairs[pair][0]];
        const TestRegister& second = kRegisters[kCrosstalkPairs[pair][1]];
        const int row = kFirstCrosstalkRow + pair;
        const std::string label = std::string(first.name) + " <-> " + second.name;
        m_window.setItemLabel(row, label);
        unsigned mask = 0;
        for (int i = 0; i < first.valueCount; ++i) {
            for (int j = 0; j < second.valueCount; ++j) {
                m_card.writeRegister(first.index, i);
                m_card.writeRegister(second.index, j);
                mask |= static_cast<unsigned>(i ^ m_card.readRegister(first.index));
                mask |= static_cast<unsigned>(j ^ m_card.readRegister(second.index));
            }
            progress(row, i, first.valueCount);
        }
        finishRow(row, label, mask);
    }

    void progress(int row, int step, int steps) {
        m_window.setItemProgress(row, step * 100 / steps);
    }

    void finishRow(int row, const std::string& label, unsigned mask) {
        m_window.setItemBits(row, label, mask);
        if (mask != 0) {
            m_window.setError();
        }
    }

    // After a passing run the user may ask for the next one ("Dauer"); the next run is
    // requested from the tool, never started from here, so runs do not nest.
    void offerNextRun() {
        if (!m_window.isOk()) {
            m_window.setFinished(true);
            return;
        }
        m_window.pumpMessages();
        if (m_window.offerContinuous()) {
            m_window.requestNextRun();
            m_window.setFinished(false);
        } else {
            m_window.setFinished(true);
        }
    }

    CInterfaceInt41Base& m_card;
    Int41ResultWindow& m_window;
};

} // namespace

void runInt41SelfTest(CInterfaceInt41Base& card, Int41ResultWindow& window) {
    Int41SelfTest(card, window).run();
}

} // namespace korvane
