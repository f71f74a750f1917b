// The bytes of the device contract, checked against literal layouts, and the device paths.

#include "common/devices/device_directory.h"
#include "common/devices/device_kind.h"
#include "common/devices/int41_protocol.h"
#include "common/devices/int900_protocol.h"
#include "common/devices/usb860_protocol.h"
#include "common/devices/wire_protocol.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

template <typename Bytes> std::vector<int> asInts(const Bytes& bytes) {
    return std::vector<int>(bytes.begin(), bytes.end());
}

} // namespace

TEST(Usb860Packets, HaveTheContractsLayout) {
    // write: 0x0053, system, (function & 15) + 16, card, data; function 0x13 keeps 3
    EXPECT_EQ((std::vector<int>{0x53, 0, 5, 0, 19, 0, 44, 0, 0xAB, 0}),
              asInts(kw::usb860::writePacket(5, 44, 0x13, 0xAB)));
    // read: 0x0053, system, function & 15, card
    EXPECT_EQ((std::vector<int>{0x53, 0, 63, 0, 15, 0, 1, 0}),
              asInts(kw::usb860::readPacket(63, 1, 15)));
    // ULM860 write: 0x5003, system, 0x1000, function + card * 256, data
    EXPECT_EQ((std::vector<int>{0x03, 0x50, 2, 0, 0x00, 0x10, 40, 7, 0x34, 0x12}),
              asInts(kw::usb860::ulmWritePacket(2, 7, 40, 0x1234)));
    // ULM860 read: 0x5003, system, 0x0100, function + card * 256
    EXPECT_EQ((std::vector<int>{0x03, 0x50, 0, 0, 0x00, 0x01, 63, 63}),
              asInts(kw::usb860::ulmReadPacket(0, 63, 63)));
}

TEST(Usb860Packets, DecodeWhatTheAdapterUnderstands) {
    const auto write = kw::usb860::writePacket(3, 9, 12, 200);
    const auto packet = kw::usb860::decodePacket(write);
    ASSERT_TRUE(packet);
    EXPECT_TRUE(packet->isWrite);
    EXPECT_FALSE(packet->ulm);
    EXPECT_EQ(3, packet->system);
    EXPECT_EQ(9, packet->card);
    EXPECT_EQ(12, packet->function);
    EXPECT_EQ(200, packet->data);
    EXPECT_EQ(10u, packet->size);

    const auto ulm = kw::usb860::decodePacket(kw::usb860::ulmReadPacket(1, 50, 33));
    ASSERT_TRUE(ulm);
    EXPECT_TRUE(ulm->ulm);
    EXPECT_FALSE(ulm->isWrite);
    EXPECT_EQ(50, ulm->card);
    EXPECT_EQ(33, ulm->function);
    EXPECT_EQ(8u, ulm->size);

    // A write packet cut to 8 bytes, an unknown command and a bad ULM mode are no packets.
    EXPECT_FALSE(kw::usb860::decodePacket(std::span(write).first(8)));
    const std::vector<std::uint8_t> unknown{0x54, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(kw::usb860::decodePacket(unknown));
    const std::vector<std::uint8_t> badMode{0x03, 0x50, 0, 0, 0x00, 0x11, 0, 0, 0, 0};
    EXPECT_FALSE(kw::usb860::decodePacket(badMode));
}

TEST(Int41Controls, CarryDwordBuffers) {
    EXPECT_EQ(0x222000u, kw::int41::kReadRegister);
    EXPECT_EQ(0x222004u, kw::int41::kWriteRegister);
    EXPECT_EQ(0x222008u, kw::int41::kReadBusWord);
    EXPECT_EQ(0x22200Cu, kw::int41::kWriteBusWord);
    EXPECT_EQ(0x22201Cu, kw::int41::kBaseAddress);
    EXPECT_EQ((std::vector<int>{1, 0, 0, 0, 0x8A, 0, 0, 0}),
              asInts(kw::int41::registerBuffer(1, 0x8A)));
    EXPECT_EQ((std::vector<int>{63, 0, 0, 0, 62, 0, 0, 0, 15, 0, 0, 0, 0xFF, 0, 0, 0}),
              asInts(kw::int41::busWordBuffer(63, 62, 15, 255)));
}

TEST(Int41Controls, DoubledBitsOfTheFunctionAddress) {
    const int expected[16] = {0x00, 0x03, 0x0C, 0x0F, 0x30, 0x33, 0x3C, 0x3F,
                              0xC0, 0xC3, 0xCC, 0xCF, 0xF0, 0xF3, 0xFC, 0xFF};
    for (int f = 0; f < 16; ++f) {
        EXPECT_EQ(expected[f], kw::int41::doubledBits(static_cast<std::uint8_t>(f))) << f;
    }
    EXPECT_EQ(0xCC, kw::int41::doubledBits(0x8A & 15)); // the register check's answer
}

TEST(Int900Transfers, ArePlainWords) {
    EXPECT_EQ((std::vector<int>{0, 0, 200, 63, 0x34, 0x12}),
              asInts(kw::int900::writeTransfer(200, 63, 0x1234)));
    EXPECT_EQ((std::vector<int>{1, 0, 255, 1}), asInts(kw::int900::readRequest(255, 1)));
}

TEST(DevicePaths, CarryTheFieldsProgramsParse) {
    const std::string path = "/run/user/1000/kontrollwerk/" + kw::usb860DeviceName("4711");
    // What the USB interface reads with "%*[^#]#%255[^#]#%255[^#]#".
    char hardware[256] = {};
    char serial[256] = {};
    ASSERT_EQ(2, std::sscanf(path.c_str(), "%*[^#]#%255[^#]#%255[^#]#", hardware, serial));
    EXPECT_STREQ("vid_0b1e&pid_0860", hardware);
    EXPECT_STREQ("4711", serial);
    EXPECT_EQ("4711", kw::devicePathField(path, 2));
    EXPECT_FALSE(kw::devicePathField("no-fields", 1));

    EXPECT_EQ(kw::DeviceKind::Usb860, kw::deviceKindOfName(kw::usb860DeviceName("1")));
    EXPECT_EQ(kw::DeviceKind::Int41Driver, kw::deviceKindOfName(kw::int41DriverDeviceName(0)));
    EXPECT_EQ(kw::DeviceKind::Int900Driver, kw::deviceKindOfName(kw::int900DriverDeviceName(3)));
    EXPECT_EQ("root#int41#0001#{5e3a1c20-7b4d-4f19-a2c6-3d8e9b10f4a7}",
              kw::int41DriverDeviceName(1));
    // The class is matched without regard to case; hidden and foreign files are no devices.
    EXPECT_EQ(kw::DeviceKind::Usb860,
              kw::deviceKindOfName("usb#x#1#{2F8B6D13-C94E-4A7D-8E05-B3A17C6F9D52}"));
    EXPECT_FALSE(kw::deviceKindOfName(std::string(".").append(kw::usb860DeviceName("1"))));
    EXPECT_FALSE(kw::deviceKindOfName("usb#x#1#{00000000-0000-0000-0000-000000000000}"));
    EXPECT_FALSE(kw::deviceKindOfName("readme.txt"));
}

TEST(WireProtocol, FramesRoundTripAndRejectGarbage) {
    const kw::wire::Hello hello{kw::wire::HelloOp::Open, 1, kw::Access::Write, kw::Sharing::Shared};
    const auto decodedHello = kw::wire::decodeHello(kw::wire::encodeHello(hello));
    ASSERT_TRUE(decodedHello);
    EXPECT_EQ(1, decodedHello->pipe);
    EXPECT_EQ(kw::Access::Write, decodedHello->access);
    EXPECT_EQ(kw::Sharing::Shared, decodedHello->sharing);
    EXPECT_EQ(-1, kw::wire::decodeHello(kw::wire::encodeHello({})).value().pipe);

    kw::DeviceRequest request;
    request.op = kw::DeviceRequest::Op::Control;
    request.code = 0x222008;
    request.in = {1, 2, 3};
    request.outCapacity = 16;
    const auto decoded = kw::wire::decodeRequest(kw::wire::encodeRequest(request));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(0x222008u, decoded->code);
    EXPECT_EQ(request.in, decoded->in);
    EXPECT_EQ(16u, decoded->outCapacity);

    kw::DeviceReply reply;
    reply.error = 110;
    reply.transferred = 1;
    reply.out = {7};
    const auto decodedReply = kw::wire::decodeReply(kw::wire::encodeReply(reply));
    ASSERT_TRUE(decodedReply);
    EXPECT_EQ(110, decodedReply->error);
    EXPECT_EQ(std::vector<std::uint8_t>{7}, decodedReply->out);

    EXPECT_FALSE(kw::wire::decodeHello(std::vector<std::uint8_t>{'K', 'W', 'D', '2', 1, 0, 1, 0}));
    EXPECT_FALSE(
        kw::wire::decodeRequest(std::vector<std::uint8_t>{9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(kw::wire::decodeReply(std::vector<std::uint8_t>{1, 2, 3}));
}

// Who may own the device directory, and who may write to it, for user 1000.
TEST(DeviceDirectory, IsTrustedOnlyWhenNobodyElseMayWriteToIt) {
    struct Case {
        uid_t owner;
        mode_t mode;
        bool chosen; // KONTROLLWERK_DEVICE_DIR rather than the default
        const char* problem;
    };
    const Case cases[] = {
        {1000, S_IFDIR | 0700, false, ""},
        {1000, S_IFDIR | 0755, false, ""},
        {1000, S_IFDIR | 0770, false, "ist für andere Benutzer beschreibbar (Rechte 0770)"},
        {1000, S_IFDIR | 01777, true, "ist für andere Benutzer beschreibbar (Rechte 1777)"},
        {1001, S_IFDIR | 0700, false, "gehört dem Benutzer 1001, nicht 1000"},
        {0, S_IFDIR | 0755, false, "gehört dem Benutzer 0, nicht 1000"},
        {0, S_IFDIR | 0755, true, ""},
        {1001, S_IFDIR | 0700, true, "gehört dem Benutzer 1001, nicht 1000 oder root"},
        {1000, S_IFLNK | 0777, false, "ist kein Verzeichnis"},
    };
    for (const Case& c : cases) {
        struct stat info {};
        info.st_uid = c.owner;
        info.st_mode = c.mode;
        EXPECT_EQ(c.problem, kw::directoryTrustProblem(info, 1000, c.chosen))
            << c.owner << " " << std::oct << c.mode << " " << c.chosen;
    }
}
