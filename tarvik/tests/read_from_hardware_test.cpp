// Reading the configuration from racks served by testsystem-sim, started as its own process
// in a private device directory for each case.

#include "sim/testing/sim_process.h"
#include "tarvik/config/read_from_hardware.h"
#include "tarvik/config/system_info.h"
#include "tarvik/config/testsystem_connection.h"

#include "common/devices/devices.h"
#include "common/devices/usb860_protocol.h"
#include "common/sync/named_mutex.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarvik;

using namespace kw::sim::testkit;

namespace {

struct RackCase {
    const char* name;
    std::vector<std::string> rack;
    int systemType;
    bool expansion1;
    bool expansion2;
    bool extraAddresses;
    // tarvik.sysinfo lines expected: "address typeCode variant" of every card read.
    std::vector<std::string> sysinfo;
};

void PrintTo(const RackCase& c, std::ostream* out) {
    *out << c.name;
}

// The rack served, the connection made and the configuration read.
struct ReadRack {
    TempDirectory temp;
    ScopedEnvironment devices{"KONTROLLWERK_DEVICE_DIR", (temp.path() / "dev").string()};
    PrivateMutexNamespace mutexes;
    std::unique_ptr<SimulatorProcess> simulator;
    TestsystemConnection connection;
    CSystemInfo system;
    bool connected = false;
    bool readOk = false;

    // `before` runs once the simulator is ready, before the connection is made.
    explicit ReadRack(const std::vector<std::string>& rack,
                      const std::function<void()>& before = {}) {
        const auto file = writeRackFile(temp.path(), "case.rack", rack);
        simulator = std::make_unique<SimulatorProcess>(temp.path() / "dev",
                                                       std::vector<std::string>{file.string()});
        EXPECT_TRUE(simulator->ready()) << simulator->errorText();
        if (before) {
            before();
        }
        connected = connection.connect();
        if (connected) {
            readOk = readFromHardware(system, connection);
        }
    }
};

// A program that dies between its read packet and the answer: the answer stays in the
// adapter's queue, the adapter's mutex is left abandoned.
void dieAfterAReadPacket() {
    const pid_t child = fork();
    if (child == 0) {
        kw::NamedMutex mutex(kw::kUsb860MutexName);
        mutex.lock();
        const auto devices = kw::enumerateDevices(kw::DeviceKind::Usb860);
        auto pipe = kw::openPipe(devices.at(0).path, kw::kUsbWritePipe, kw::Access::Write);
        pipe.handle->write(kw::usb860::readPacket(0, 1, 15));
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

class ReadFromHardware : public ::testing::TestWithParam<RackCase> {};

} // namespace

TEST_P(ReadFromHardware, RecoversTheRack) {
    const RackCase& c = GetParam();
    ReadRack read(c.rack);
    ASSERT_TRUE(read.connected);
    EXPECT_EQ(c.systemType, read.system.systemType);
    EXPECT_EQ(c.expansion1, read.system.hasExpansion1);
    EXPECT_EQ(c.expansion2, read.system.hasExpansion2);
    EXPECT_EQ(c.extraAddresses, read.system.hasExtraAddresses);
    EXPECT_EQ(c.sysinfo, read.system.sysInfoLines());
}

INSTANTIATE_TEST_SUITE_P(
    Racks, ReadFromHardware,
    ::testing::Values(
        RackCase{"System860AllHousings",
                 {"adapter usb860 serial=1",
                  "expansion 2",
                  "0 31 0",
                  "1 2 0",
                  "2 1 5",
                  "3 1 96",
                  "4 3 2",
                  "5 10 11",
                  "6 13 0",
                  "7 14 0",
                  "8 47 1",
                  "9 79 0",
                  "10 111 0",
                  "11 239 1",
                  "12 143 1",
                  "13 6 1",
                  "14 15 1",
                  "15 256 0",
                  "17 7 1",
                  "20 239 4",
                  "29 11 0",
                  "33 239 2",
                  "45 12 0"},
                 860,
                 true,
                 true,
                 false,
                 {"0 31 0",  "1 2 0",    "2 1 5",  "3 1 96",   "4 3 2",    "5 10 11",  "6 13 0",
                  "7 14 0",  "8 47 1",   "9 79 0", "10 111 0", "11 239 1", "12 143 1", "13 6 1",
                  "14 15 1", "15 256 0", "17 7 1", "20 239 4", "29 11 0",  "33 239 2", "45 12 0"}},
        RackCase{"Ulm860BothExpansionsAndExtraAddresses",
                 {"adapter usb860 serial=2 ulm860", "expansion 2", "0 31 0", "1 6 0", "15 256 1",
                  "48 239 6", "49 5 0", "50 239 3", "52 8 0", "53 4 0", "56 3 3", "57 47 258"},
                 860,
                 true,
                 true,
                 true,
                 {"0 31 0", "1 6 0", "15 256 1", "48 239 6", "49 5 0", "50 239 3", "52 8 0",
                  "53 4 0", "56 3 3", "57 47 258"}},
        RackCase{"Ulm520ModeKind4",
                 {"kind 4", "0 31 0", "15 256 0", "57 2 0"},
                 860,
                 false,
                 false,
                 true,
                 {"0 31 0", "15 256 0"}}, // 57 needs housing 3
        RackCase{"System945",
                 {"kind 3", "0 4 0", "1 2 0", "7 47 2", "13 79 0"},
                 945,
                 false,
                 false,
                 false,
                 {"0 4 0", "1 2 0", "7 47 2", "13 79 0"}},
        RackCase{"System930",
                 {"adapter int41", "kind 2", "0 4 0", "3 10 0", "8 239 5", "9 2 0"},
                 930,
                 false,
                 false,
                 false,
                 {"0 4 0", "3 10 0", "8 239 5"}},
        RackCase{"ZupaWithoutSupplyBehindQbt860",
                 {"0 31 0", "14 15 0"},
                 860,
                 false,
                 false,
                 false,
                 {"0 31 0", "14 15 0", "15 256 0"}},
        RackCase{"ZupaWithSupplyBehindQbt520",
                 {"0 4 0", "14 15 1"},
                 860,
                 false,
                 false,
                 false,
                 {"0 4 0", "14 15 1", "15 256 0"}},
        RackCase{"ZupaWithoutSupplyBehindQbt520",
                 {"0 4 0", "14 15 0"},
                 860,
                 false,
                 false,
                 false,
                 {"0 4 0", "14 15 0", "15 256 0"}},
        RackCase{"TqdSenseBitAndVariantWithoutName",
                 {"0 31 0", "4 47 257", "reg 0 5 15 47", "reg 0 5 14 5", "reg 0 5 12 1"},
                 860,
                 false,
                 false,
                 false,
                 {"0 31 0", "4 47 257", "5 47 261", "15 256 0"}},
        RackCase{"RelayVariantFromFunction14",
                 {"0 31 0", "reg 0 3 15 1", "reg 0 3 12 0", "reg 0 3 14 2"},
                 860,
                 false,
                 false,
                 false,
                 {"0 31 0", "3 1 2", "15 256 0"}},
        RackCase{"Value255AtCard31MeansNoHousing",
                 {"0 31 0", "reg 0 31 0 255", "reg 0 47 0 1", "17 2 0"},
                 860,
                 false,
                 false,
                 false,
                 {"0 31 0", "15 256 0"}},
        RackCase{"HousingBit0x20MeansNoHousing",
                 {"0 31 0", "reg 0 31 0 0x21"},
                 860,
                 false,
                 false,
                 false,
                 {"0 31 0", "15 256 0"}}),
    [](const ::testing::TestParamInfo<RackCase>& caseInfo) {
        return std::string(caseInfo.param.name);
    });

TEST(ReadFromHardwareEdges, DecoderAndLastOccupiedPosition) {
    ReadRack kind4({"kind 4", "0 31 0"});
    ASSERT_TRUE(kind4.connected);
    // Kind 4: the decoder is the ULM520 with the ULM860 detail and no module; kind 5 ULM860.
    EXPECT_EQ((CardInfo{CardType{256}, 0, 1}), kind4.system.slots[15]);
    EXPECT_EQ("ULM520", cardName(kind4.system.slots[15], false));
    EXPECT_EQ("(ULM860)", cardDetail(kind4.system.slots[15]));
    EXPECT_EQ(Family{0}, kind4.system.moduleFamily(15));
    // The last position read with a card: P3 (QBT, index 1).
    EXPECT_EQ(1, kind4.system.lastOccupied);

    ReadRack kind5({"0 31 0", "15 256 1", "4 2 0"});
    EXPECT_EQ((CardInfo{CardType{256}, 1, 0}), kind5.system.slots[15]);
    EXPECT_EQ(Family{21}, kind5.system.moduleFamily(15));
    EXPECT_EQ(5, kind5.system.lastOccupied); // P7 (index 5) holds card address 4

    ReadRack system945({"kind 3", "0 4 0", "9 2 0"});
    EXPECT_EQ(9, system945.system.lastOccupied);
    EXPECT_EQ(10, system945.system.visibleCount());
}

TEST(ReadFromHardwareEdges, Int41ReadsKind5AsKind4) {
    ReadRack read({"adapter int41", "0 31 0", "15 256 1"});
    ASSERT_TRUE(read.connected);
    EXPECT_EQ(4, read.connection.systemKind());
    EXPECT_EQ((CardInfo{CardType{256}, 0, 1}), read.system.slots[15]);
}

TEST(ReadFromHardwareEdges, ASwitchedOffRackIsNoSystem) {
    ReadRack read({"0 31 0", "1 2 0", "fault noanswer"});
    EXPECT_FALSE(read.connected);
}

// A failed or short transfer, or an answer left behind by a program that died, must never
// turn into a card or shift the cards after it: the transfer is tried once more after the
// answer queue is drained, and a reading that still fails is reported, not used.
TEST(ReadFromHardwareEdges, TransferTroubleNeverBecomesACard) {
    const std::vector<std::string> rack{"adapter usb860 serial=1",
                                        "expansion 1",
                                        "0 31 0",
                                        "1 2 0",
                                        "3 10 11",
                                        "5 239 4",
                                        "17 7 1"};
    const std::vector<std::string> expected{"0 31 0",  "1 2 0",    "3 10 11",
                                            "5 239 4", "15 256 0", "17 7 1"};
    struct Case {
        const char* name;
        const char* fault; // appended to the rack, or nullptr
        bool deadOwner;
        bool readOk;
    };
    const Case cases[] = {
        {"answer read of the housing fails once", "fault fail after=5 count=1", false, true},
        {"a card's answer comes short", "fault short after=9 count=1", false, true},
        {"a packet write fails once", "fault fail after=10 count=1", false, true},
        {"an earlier program died waiting for its answer", nullptr, true, true},
        {"every transfer fails from the sixth on", "fault fail after=5", false, false},
        {"the adapter is unplugged while reading", "fault unplug after=12", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> lines = rack;
        if (c.fault) {
            lines.push_back(c.fault);
        }
        ReadRack read(lines, c.deadOwner ? dieAfterAReadPacket : std::function<void()>());
        ASSERT_TRUE(read.connected);
        EXPECT_EQ(c.readOk, read.readOk);
        if (c.readOk) {
            EXPECT_EQ(expected, read.system.sysInfoLines());
        }
    }
}
