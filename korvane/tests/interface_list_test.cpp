#include "sim_fixture.h"

#include "korvane/interfaces/usb_interface.h"

#include <cstdlib>
#include <filesystem>

using namespace korvane;

TEST_F(SimulatedRackTest, ListOrderWithUsbAdaptersInt41AndInt900) {
    start({{"adapter usb860 serial=1234567"},
           {"adapter usb860 serial=7654321 speed=full ulm860"},
           {"adapter int41 base=0x318"},
           {"adapter int900"}});
    const InterfaceList list = build();
    EXPECT_EQ((std::vector<std::string>{
                  "Usb860 (1234567)",
                  "Ulm860 (8 Bit) (7654321) (FullSpeed)",
                  "Ulm860 (16 Bit) (7654321) (FullSpeed)",
                  "INT41 über Treiber (0x318)",
                  "INT41 direkt (0x318)",
                  "INT900 über Treiber",
                  "INT900 direkt (0x300)",
              }),
              names(list));
    EXPECT_EQ(list.shown.front().get(), list.current);
    EXPECT_FALSE(list.shown[1]->isDecoder());
    EXPECT_TRUE(list.shown[2]->isDecoder());
    EXPECT_EQ(63, list.shown[2]->maxFunctionAddress());
    EXPECT_EQ(15, list.shown[1]->maxFunctionAddress());
    EXPECT_EQ(list.shown[1]->deviceName(), list.shown[2]->deviceName());
    EXPECT_EQ(sim->devicePath(1), list.shown[1]->deviceName());
}

TEST_F(SimulatedRackTest, AdaptersWithoutNumericSerialAreNamedByPosition) {
    start({{"adapter usb860 serial=0 speed=low"}, {"adapter usb860 serial=abc"}});
    EXPECT_EQ((std::vector<std::string>{"Usb860 (LowSpeed)", "Usb860 (2)"}), names(build()));
}

TEST_F(SimulatedRackTest, SelectionByKindAndText) {
    start({{"adapter usb860 serial=1234567"},
           {"adapter usb860 serial=7654321 ulm860"},
           {"adapter int41 base=0x318"}});
    const InterfaceList list = build();
    EXPECT_EQ("Usb860 (1234567)", list.select(kSelectUsb860, "")->displayName());
    EXPECT_EQ("Ulm860 (8 Bit) (7654321)", list.select(kSelectUsb860, "7654321")->displayName());
    EXPECT_EQ("Ulm860 (16 Bit) (7654321)", list.select(kSelectUlm860, "")->displayName());
    EXPECT_EQ("Ulm860 (16 Bit) (7654321)", list.select(kSelectUlm860, "7654321")->displayName());
    EXPECT_EQ(nullptr, list.select(kSelectUlm860, "1234567"));
    EXPECT_EQ(nullptr, list.select(kSelectUsb860, "765432"));
    EXPECT_EQ("INT41 über Treiber (0x318)", list.select(kSelectInt41, "318")->displayName());
    EXPECT_EQ("INT41 über Treiber (0x318)", list.select(kSelectInt41, "")->displayName());
    EXPECT_EQ(nullptr, list.select(kSelectInt41, "310"));
}

TEST_F(SimulatedRackTest, FailedRegisterCheckIsShownOnlyWhenNothingElseIs) {
    start({{"adapter int41 badcheck"}});
    const InterfaceList alone = build();
    ASSERT_FALSE(alone.shown.empty());
    EXPECT_EQ("(?) - INT41 über Treiber (0x310)", alone.shown.front()->displayName());
    sim.reset();
    start({{"adapter int41 badcheck"}, {"adapter usb860 serial=5"}});
    EXPECT_EQ((std::vector<std::string>{"Usb860 (5)"}), names(build()));
    EXPECT_EQ((std::vector<std::string>{"Usb860 (5)", "(?) - INT41 über Treiber (0x310)",
                                        "INT41 direkt (0x310)", "INT41 direkt (0x318)"}),
              names(build(true)));
}

TEST_F(SimulatedRackTest, DriverWithoutBaseIsNamedPlainAndNeverSelected) {
    start({{"adapter int41 base=0"}});
    const InterfaceList list = build();
    ASSERT_FALSE(list.shown.empty());
    EXPECT_EQ("INT41 über Treiber", list.shown.front()->displayName());
    EXPECT_EQ(nullptr, list.select(kSelectInt41, ""));
}

TEST_F(SimulatedRackTest, PortsWithoutCardsAreOfferedOnlyWhenNothingElseIs) {
    // The in-process machine has I/O ports, where no card answers: the direct INT41
    // interfaces are usable but fail their check, and nothing else is there.
    start({});
    EXPECT_EQ((std::vector<std::string>{"INT41 direkt (0x310)", "INT41 direkt (0x318)"}),
              names(build()));
}

TEST(InterfaceListWithoutHardware, IsEmptyAndHasNoCurrentInterface) {
    // No simulator, an empty device folder and no permission for port access.
    const auto folder =
        std::filesystem::temp_directory_path() / ("korvane-leer-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ::setenv("KONTROLLWERK_DEVICE_DIR", folder.c_str(), 1);
    ::unsetenv("KONTROLLWERK_PORT_IO");
    RecordingUser user;
    MessageGuard guard(user);
    RecordingWindowFactory windows;
    const InterfaceList list = buildInterfaceList(InterfaceContext(guard, windows), true);
    EXPECT_TRUE(list.shown.empty());
    EXPECT_EQ(nullptr, list.current);
    ::unsetenv("KONTROLLWERK_DEVICE_DIR");
    std::filesystem::remove_all(folder);
}
