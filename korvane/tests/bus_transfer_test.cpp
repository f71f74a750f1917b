// Bus words through each interface, as the simulated rack sees them, and what happens when
// the adapter fails, goes away or is held by another program.

#include "sim_fixture.h"

#include "korvane/interfaces/bus_mutex.h"

#include "common/devices/devices.h"
#include "common/devices/usb860_protocol.h"

#include <chrono>
#include <sys/wait.h>
#include <thread>

using namespace korvane;

namespace {

// Holds a mutex from another thread (the mutex is re-entrant for its owner) until released.
class MutexHolder {
public:
    explicit MutexHolder(kw::NamedMutex& mutex) {
        m_thread = std::thread([&] {
            mutex.lock();
            m_held.test_and_set();
            m_held.notify_all();
            m_release.wait(false);
            mutex.unlock();
        });
        m_held.wait(false);
    }
    ~MutexHolder() {
        m_release.test_and_set();
        m_release.notify_all();
        m_thread.join();
    }

private:
    std::atomic_flag m_held;
    std::atomic_flag m_release;
    std::thread m_thread;
};

// Leaves the mutex abandoned: a child process takes it and dies holding it.
void abandon(const std::string& name) {
    const pid_t child = ::fork();
    if (child == 0) {
        kw::NamedMutex mutex(name);
        mutex.lock();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

} // namespace

TEST_F(SimulatedRackTest, UsbWordsReachTheRack) {
    start({{"adapter usb860 serial=1 ulm860", "reg 0 5 3 0x1234"}});
    InterfaceList list = build();
    ASSERT_EQ(2u, list.shown.size());
    sim->clearBusLog();
    list.shown[0]->busWrite(0, 5, 2, 170);
    EXPECT_EQ(0x1234, list.shown[0]->busRead(0, 5, 3));
    list.shown[1]->busWrite(1, 7, 40, 1000);
    EXPECT_EQ(1000, list.shown[1]->busRead(1, 7, 40));
    EXPECT_EQ(
        (std::vector<std::string>{"W 0 5 2 170", "R 0 5 3 4660", "W 1 7 40 1000", "R 1 7 40 1000"}),
        sim->busLog());
    EXPECT_TRUE(user.messages.empty());
}

TEST_F(SimulatedRackTest, Int41AndInt900WordsReachTheRack) {
    start({{"adapter int41"}, {"adapter int900"}});
    InterfaceList list = build();
    ASSERT_EQ(4u, list.shown.size()); // driver and direct of each card
    for (auto& bus : list.shown) {
        sim->clearBusLog();
        const int system = bus->maxSystemAddress();
        bus->busWrite(system, 9, 3, 77);
        EXPECT_EQ(77, bus->busRead(system, 9, 3)) << bus->displayName();
        EXPECT_EQ((std::vector<std::string>{"W " + std::to_string(system) + " 9 3 77",
                                            "R " + std::to_string(system) + " 9 3 77"}),
                  sim->busLog())
            << bus->displayName();
    }
    EXPECT_TRUE(user.messages.empty());
}

TEST_F(SimulatedRackTest, UnpluggedAdapterShowsOneWriteErrorWhileItsBoxStands) {
    start({{"adapter usb860 serial=1"}});
    InterfaceList list = build();
    sim->unplug();
    user.closesBoxes = false;
    list.current->busWrite(0, 1, 2, 3);
    EXPECT_EQ(0, list.current->busRead(0, 1, 2));
    ASSERT_EQ(1u, user.messages.size());
    EXPECT_EQ("Fehler beim Schreiben (19)\nAnzahl geschriebener Bytes: 0 von 10", user.messages[0]);
    EXPECT_EQ(1u, guard.droppedCount(MessageFamily::Usb));
}

// Transfers of the adapter: 1 and 2 ask for the ULM860 mode while the list is built; then a
// write is transfer 3, and a read transfers 4 (request) and 5 (answer).
TEST_F(SimulatedRackTest, ShortAnswerShowsTheReadErrorAndGivesZero) {
    start({{"adapter usb860 serial=1", "reg 0 4 4 0x155", "fault short after=4 count=1"}});
    InterfaceList list = build();
    list.current->busWrite(0, 4, 5, 1);
    EXPECT_EQ(0, list.current->busRead(0, 4, 4));
    EXPECT_EQ((std::vector<std::string>{"Fehler beim Lesen (0)\nAnzahl gelesener Bytes: 1 von 2"}),
              user.messages);
}

TEST_F(SimulatedRackTest, ShortRequestShowsTheWriteErrorAndSkipsTheAnswer) {
    start({{"adapter usb860 serial=1", "reg 0 4 4 0x155", "fault short after=3 count=1"}});
    InterfaceList list = build();
    list.current->busWrite(0, 4, 5, 1);
    EXPECT_EQ(0, list.current->busRead(0, 4, 4));
    EXPECT_EQ((std::vector<std::string>{
                  "Fehler beim Schreiben (0)\nAnzahl geschriebener Bytes: 4 von 8"}),
              user.messages);
    // Transfer 5 is the next request, not a read of an answer nobody asked for.
    EXPECT_EQ(0x155, list.current->busRead(0, 4, 4));
    EXPECT_EQ(1u, user.messages.size());
}

TEST_F(SimulatedRackTest, UsbMutexHeldElsewhereTimesOutAfterASecond) {
    start({{"adapter usb860 serial=1"}});
    InterfaceList list = build();
    sim->clearBusLog();
    MutexHolder holder(usbMutex);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, list.current->busRead(0, 1, 1));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1000));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_EQ((std::vector<std::string>{"Timeout beim Zugriff auf die USB-Schnittstelle!"}),
              user.messages);
    EXPECT_TRUE(sim->busLog().empty());
}

TEST_F(SimulatedRackTest, AbandonedMutexRefusesOneInt41WordButUsbTakesItOver) {
    start({{"adapter int41"}, {"adapter usb860 serial=1"}});
    InterfaceList list = build();
    CInterface* usb = list.select(kSelectUsb860, "");
    CInterface* int41 = list.select(kSelectInt41, "");
    ASSERT_TRUE(usb && int41);
    sim->clearBusLog();

    abandon(usbMutex.name());
    usb->busWrite(0, 1, 1, 1);
    EXPECT_TRUE(user.messages.empty());

    abandon(int41Mutex.name());
    int41->busWrite(0, 2, 2, 2);
    EXPECT_EQ((std::vector<std::string>{"Timeout beim Zugriff auf die Int41-Schnittstelle!"}),
              user.messages);
    // The refused wait still gave the mutex back: the next word goes through.
    int41->busWrite(0, 3, 3, 3);
    EXPECT_EQ(1u, user.messages.size());
    EXPECT_EQ((std::vector<std::string>{"W 0 1 1 1", "W 0 3 3 3"}), sim->busLog());
}

// The adapter queues its answers: one left behind by a failed read or by a program that died
// between its read packet and the answer would be taken by the next read, and every read
// after would be one word behind. Transfers as above: the first read is 3 and 4.
TEST_F(SimulatedRackTest, NoAnswerIsLeftForTheNextRead) {
    struct Case {
        const char* name;
        const char* fault;
        bool deadOwner;
        std::vector<int> values;
        int failures;
    };
    const Case cases[] = {
        {"the answer's read fails", "fault fail after=3 count=1", false, {0, 0x11, 0x33}, 1},
        {"the drain's first read fails too",
         "fault fail after=3 count=2",
         false,
         {0, 0x11, 0x33},
         1},
        {"a program died after its read packet", nullptr, true, {0x2A, 0x11, 0x33}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> rack{"adapter usb860 serial=1", "reg 0 5 3 0x2A", "reg 0 6 1 0x11",
                                      "reg 0 7 2 0x33"};
        if (c.fault) {
            rack.push_back(c.fault);
        }
        sim.reset();
        start({rack});
        InterfaceList list = build();
        ASSERT_NE(nullptr, list.current);
        if (c.deadOwner) {
            const auto device = kw::enumerateDevices(kw::DeviceKind::Usb860).at(0);
            kw::openPipe(device.path, kw::kUsbWritePipe, kw::Access::Write)
                .handle->write(kw::usb860::readPacket(0, 5, 3));
            abandon(usbMutex.name());
        }
        std::vector<int> values;
        const std::pair<int, int> addresses[] = {{5, 3}, {6, 1}, {7, 2}};
        for (const auto& [card, function] : addresses) {
            values.push_back(list.current->busRead(0, card, function));
        }
        EXPECT_EQ(c.values, values);
        EXPECT_EQ(c.failures, list.current->transferFailures());
    }
}

TEST(BusMutexRules, WhichOutcomesGrantTheWord) {
    using kw::WaitResult;
    EXPECT_TRUE(mutexGrantsAccess(MutexRule::Int41, WaitResult::Acquired));
    EXPECT_FALSE(mutexGrantsAccess(MutexRule::Int41, WaitResult::Abandoned));
    EXPECT_FALSE(mutexGrantsAccess(MutexRule::Int41, WaitResult::Timeout));
    EXPECT_FALSE(mutexGrantsAccess(MutexRule::Int41, WaitResult::Failed));
    EXPECT_TRUE(mutexGrantsAccess(MutexRule::Usb, WaitResult::Acquired));
    EXPECT_TRUE(mutexGrantsAccess(MutexRule::Usb, WaitResult::Abandoned));
    EXPECT_FALSE(mutexGrantsAccess(MutexRule::Usb, WaitResult::Timeout));
    EXPECT_FALSE(mutexGrantsAccess(MutexRule::Usb, WaitResult::Failed));
}

TEST_F(SimulatedRackTest, DirectInterfaceOnAPortWithoutCardGivesUpInsteadOfHanging) {
    start({});
    InterfaceList list = build();
    ASSERT_FALSE(list.shown.empty());
    const auto start = std::chrono::steady_clock::now();
    list.current->busWrite(0, 1, 1, 1);
    EXPECT_EQ(0, list.current->busRead(0, 1, 1));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ((std::vector<std::string>{"Timeout beim Zugriff auf die Int41-Schnittstelle!",
                                        "Timeout beim Zugriff auf die Int41-Schnittstelle!"}),
              user.messages);
}
