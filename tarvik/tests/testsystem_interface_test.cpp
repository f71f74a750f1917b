#include "common/sync/named_mutex.h"
#include "sim/in_process_simulator.h"
#include "sim/testing/sim_process.h"
#include "tarvik/config/testsystem_connection.h"
#include "tarvik/config/testsystem_interface_int41_driver.h"
#include "tarvik/config/testsystem_interface_usb860.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>

using namespace tarvik;

using kw::sim::InProcessSimulator;

namespace {

// Answers reads from a script (the last value repeats) and counts them; its clock advances
// by one millisecond per tick query unless frozen.
class ScriptedInterface : public TestsystemInterface {
public:
    explicit ScriptedInterface(std::vector<int> values, std::uint32_t start = 1000)
        : m_values(std::move(values)), m_now(start) {
        setTickCount([this] { return m_frozenTicks > 0 ? (--m_frozenTicks, m_now) : m_now++; });
    }
    bool isSecondSystem() override { return false; }
    bool busWrite(int, int, int, int) override { return true; }
    bool busRead(int, int, int, int& data) override {
        data = m_values[std::min(m_reads, m_values.size() - 1)];
        ++m_reads;
        return true;
    }
    std::size_t reads() const { return m_reads; }
    void freezeClock(int ticks) { m_frozenTicks = ticks; }

private:
    std::vector<int> m_values;
    std::size_t m_reads = 0;
    std::uint32_t m_now;
    int m_frozenTicks = 0;
};

kw::sim::Rack rack(const std::vector<std::string>& lines) {
    auto parse = kw::sim::parseRack(lines);
    EXPECT_TRUE(parse.rack) << parse.error;
    return parse.rack.value_or(kw::sim::Rack{});
}

using kw::sim::testkit::PrivateMutexNamespace;

} // namespace

TEST(WaitBits, TimeoutRules) {
    ScriptedInterface zero({1});
    zero.setTimeout(0);
    int last = -1;
    zero.waitBitsClear(0, 0, 0, 1, &last);
    EXPECT_EQ(1u, zero.reads()); // 0 ends the wait after the first read
    EXPECT_EQ(1, last);

    // 1 ... 99 and negative values count as 100: the wait ends once the clock passed
    // start + 100, one read per tick here.
    for (const int timeout : {1, 50, 99, -5, 100}) {
        ScriptedInterface busy({1});
        busy.setTimeout(timeout);
        busy.waitBitsClear(0, 0, 0, 1, nullptr);
        EXPECT_EQ(101u, busy.reads()) << timeout;
    }
    ScriptedInterface longer({1});
    longer.setTimeout(250);
    longer.waitBitsClear(0, 0, 0, 1, nullptr);
    EXPECT_EQ(251u, longer.reads());
}

TEST(WaitBits, StopsWhenTheBitsAreThere) {
    ScriptedInterface clearing({0x81, 0x81, 0x80});
    int last = 0;
    clearing.waitBitsClear(0, 0, 0, 0x01, &last);
    EXPECT_EQ(3u, clearing.reads());
    EXPECT_EQ(0x80, last);

    ScriptedInterface setting({0x01, 0x04, 0x05, 0x07});
    setting.waitBitsSet(0, 0, 0, 0x05, &last);
    EXPECT_EQ(3u, setting.reads());
    EXPECT_EQ(0x05, last);
}

TEST(WaitBits, WaitsOnAcrossTheCounterWrapAround) {
    // Start 16 ms before the 32-bit counter wraps; the deadline lies 84 ms after the wrap.
    ScriptedInterface wrapping({1}, 0xFFFFFFF0u);
    wrapping.setTimeout(100);
    wrapping.waitBitsClear(0, 0, 0, 1, nullptr);
    EXPECT_EQ(101u, wrapping.reads());
}

TEST(WaitBits, AWrappedDeadlineDoesNotEndTheWaitWithinItsFirstMillisecond) {
    // Several reads in the start's own millisecond: the counter has not moved on, which is
    // not yet "past the deadline" although the wrapped deadline is numerically smaller.
    ScriptedInterface sameTick({1, 1, 1, 0}, 0xFFFFFFF0u);
    sameTick.freezeClock(4);
    sameTick.setTimeout(100);
    int last = -1;
    sameTick.waitBitsClear(0, 0, 0, 1, &last);
    EXPECT_EQ(4u, sameTick.reads());
    EXPECT_EQ(0, last);
}

TEST(TestsystemConnection, TriesUsbFirstThenTheInt41Driver) {
    const PrivateMutexNamespace mutexes;
    {
        // The USB adapter's rack has no QBT card: it is treated as absent.
        InProcessSimulator sim({rack({"adapter usb860 serial=1", "1 2 0"}),
                                rack({"adapter int41", "0 4 0", "kind 3"})});
        TestsystemConnection connection;
        ASSERT_TRUE(connection.connect());
        EXPECT_NE(nullptr, dynamic_cast<TestsystemInterfaceINT41Driver*>(connection.interface()));
        EXPECT_EQ(3, connection.systemKind());
    }

    InProcessSimulator usb(
        {rack({"adapter usb860 serial=1", "0 31 0"}), rack({"adapter int41", "0 4 0"})});
    TestsystemConnection viaUsb;
    ASSERT_TRUE(viaUsb.connect());
    EXPECT_NE(nullptr, dynamic_cast<TestsystemInterfaceUSB860*>(viaUsb.interface()));
}

TEST(TestsystemConnection, NoSystemWithoutAdapterOrQbt) {
    const PrivateMutexNamespace mutexes;
    {
        InProcessSimulator nothing(std::vector<kw::sim::Rack>{});
        TestsystemConnection connection;
        EXPECT_FALSE(connection.connect());
        EXPECT_EQ(nullptr, connection.interface());
        EXPECT_EQ(1, connection.systemKind());
    }
    InProcessSimulator wrongCard({"0 2 0"}); // a KVR860 where the QBT belongs
    TestsystemConnection connection;
    EXPECT_FALSE(connection.connect());
}

TEST(TestsystemConnection, KindIsReadOnceAndTheInt41NeverSeesASecondSystem) {
    const PrivateMutexNamespace mutexes;
    InProcessSimulator sim({"adapter int41", "0 31 0", "15 256 1"}); // kind 5 behind INT41
    TestsystemConnection connection;
    ASSERT_TRUE(connection.connect());
    sim.clearBusLog();
    EXPECT_EQ(4, connection.systemKind());
    EXPECT_EQ(4, connection.systemKind());
    EXPECT_EQ(std::vector<std::string>{"R 0 15 0 64"}, sim.busLog());
}

TEST(TestsystemConnection, UsbSecondSystemCheckReadsSystemOneThenZero) {
    const PrivateMutexNamespace mutexes;
    InProcessSimulator sim({"0 31 0", "kind 4"});
    TestsystemInterfaceUSB860 usb;
    ASSERT_EQ(0, usb.open());
    EXPECT_FALSE(usb.isSecondSystem()); // system 1 answers in kind 4
    EXPECT_EQ((std::vector<std::string>{"R 1 15 0 64", "R 0 15 0 64"}), sim.busLog());
}

TEST(TestsystemInterfaces, OpenReportsThePlatformError) {
    const PrivateMutexNamespace mutexes;
    InProcessSimulator sim({rack({"adapter int41"})});
    TestsystemInterfaceUSB860 usb;
    EXPECT_EQ(ENOENT, usb.open());
    int data = 7;
    EXPECT_FALSE(usb.busRead(0, 0, 15, data));
    EXPECT_EQ(0, data);
    // The INT41 driver opens "not shared": a second open finds it taken.
    TestsystemInterfaceINT41Driver first;
    TestsystemInterfaceINT41Driver second;
    EXPECT_EQ(0, first.open());
    EXPECT_EQ(EBUSY, second.open());
}

TEST(TestsystemInterfaces, FailedTransfersGiveZero) {
    const PrivateMutexNamespace mutexes;
    InProcessSimulator sim({"adapter int41", "1 2 0", "fault fail"});
    TestsystemInterfaceINT41Driver driver;
    ASSERT_EQ(0, driver.open());
    int data = 9;
    EXPECT_FALSE(driver.busRead(0, 1, 15, data));
    EXPECT_EQ(0, data);
}

TEST(TestsystemInterfaces, EveryBusWordWaitsForTheAdaptersMutex) {
    const PrivateMutexNamespace mutexes;
    InProcessSimulator sim({"0 31 0"});
    TestsystemInterfaceUSB860 usb;
    ASSERT_EQ(0, usb.open());
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    std::thread other([&] { // another program holding the adapter
        kw::NamedMutex mutex(kw::kUsb860MutexName);
        mutex.lock();
        held = true;
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        mutex.unlock();
    });
    while (!held) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::atomic<bool> done{false};
    std::thread reader([&] {
        int data = 0;
        usb.busRead(0, 0, 15, data);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(done); // still waiting, without limit
    EXPECT_TRUE(sim.busLog().empty());
    release = true;
    reader.join();
    other.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(std::vector<std::string>{"R 0 0 15 31"}, sim.busLog());
}
