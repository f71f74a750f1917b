#include "sim/rack.h"

#include <gtest/gtest.h>

using kw::sim::parseRack;

namespace {

std::string errorOf(const std::vector<std::string>& lines) {
    const auto parse = parseRack(lines);
    EXPECT_FALSE(parse.rack) << "accepted";
    return parse.error;
}

} // namespace

TEST(RackParser, ATarvikSysinfoIsARack) {
    const auto parse = parseRack({"0 31 0\r", "1 2 0", "5 47 257", "14 15 1", "15 256 1"});
    ASSERT_TRUE(parse.rack) << parse.error;
    const auto& rack = *parse.rack;
    EXPECT_FALSE(rack.adapter); // reached through a USB860 adapter the simulator names
    EXPECT_EQ(5, rack.kind);    // the ULM860 decoder line decides the kind
    ASSERT_EQ(5u, rack.cards.size());
    EXPECT_EQ(31, rack.cards.at(0).type);
    EXPECT_EQ(257, rack.cards.at(5).variant);
    EXPECT_EQ(1, rack.cards.at(14).variant);
}

TEST(RackParser, StatementsAndOptions) {
    const auto parse = parseRack({
        "# demo",
        "adapter usb860 serial=0042 speed=full ulm860  # trailing comment",
        "kind 4",
        "expansion 2",
        "card 3 239 4",
        "reg 0 31 0 0xff",
        "fault noanswer 7 9",
        "fault fail after=10 every=3 count=2",
        "fault delay 50",
        "fault unplug after=100",
    });
    ASSERT_TRUE(parse.rack) << parse.error;
    const auto& rack = *parse.rack;
    ASSERT_TRUE(rack.adapter);
    EXPECT_EQ("0042", rack.adapter->serial);
    EXPECT_EQ(1, rack.adapter->speed);
    EXPECT_TRUE(rack.adapter->ulm860);
    EXPECT_EQ(4, rack.kind);
    EXPECT_EQ(2, rack.expansion);
    EXPECT_EQ(255, rack.fixedReads.at({0, 31, 0}));
    EXPECT_FALSE(rack.noAnswer);
    EXPECT_EQ((std::set<int>{7, 9}), rack.silentCards);
    ASSERT_EQ(2u, rack.transferFaults.size());
    EXPECT_EQ(10, rack.transferFaults[0].after);
    EXPECT_EQ(3, rack.transferFaults[0].every);
    EXPECT_EQ(2, rack.transferFaults[0].count);
    EXPECT_EQ(kw::sim::TransferFault::Kind::Delay, rack.transferFaults[1].kind);
    EXPECT_EQ(50, rack.transferFaults[1].delayMs);
    EXPECT_EQ(100, rack.unplugAfter);

    const auto int41 = parseRack(
        {"adapter int41 base=0x318 badcheck busy=5", "fault stuck 2 3 1", "fault shorted 0 1 3 1"});
    ASSERT_TRUE(int41.rack) << int41.error;
    EXPECT_EQ(0x318, int41.rack->adapter->base);
    EXPECT_TRUE(int41.rack->adapter->badCheck);
    EXPECT_EQ(5, int41.rack->adapter->busyReads);
    EXPECT_EQ(1, int41.rack->stuckBits.at(0).level);
    EXPECT_EQ(3, int41.rack->shortedBits.at(0).regB);
}

TEST(RackParser, RefusesWhatTheIdentificationCouldNotRecover) {
    EXPECT_EQ("Zeile 2: Karte 2 an Adresse 4: diese Karte meldet keine Variante, nur 0 ist "
              "möglich",
              errorOf({"0 31 0", "4 2 3"}));
    EXPECT_NE(std::string::npos, errorOf({"4 256 0"}).find("Kartenadresse 15"));
    EXPECT_NE(std::string::npos, errorOf({"15 31 0"}).find("Kartenadresse 15"));
    EXPECT_NE(std::string::npos, errorOf({"14 2 0"}).find("ZUPA"));
    EXPECT_NE(std::string::npos, errorOf({"6 15 0"}).find("ZUPA"));
    EXPECT_NE(std::string::npos, errorOf({"31 2 0"}).find("Erweiterungsgehäuse"));
    EXPECT_NE(std::string::npos, errorOf({"5 47 512"}).find("511"));
    EXPECT_NE(std::string::npos, errorOf({"5 32 0"}).find("0xF"));
    EXPECT_EQ("Zeile 2: die Kartenadresse 4 ist doppelt belegt", errorOf({"4 2 0", "4 79 0"}));
    // An empty slot written by hand is fine.
    EXPECT_TRUE(parseRack({"4 0 0"}).rack);
}

TEST(RackParser, KindMustAgreeWithDecoderAndAdapter) {
    EXPECT_EQ("der Dekoder ULM860 (15 256 1) verlangt kind 5", errorOf({"kind 4", "15 256 1"}));
    EXPECT_EQ("kind 5 verlangt den Dekoder ULM860 (15 256 1)", errorOf({"kind 5", "15 256 0"}));
    EXPECT_EQ("ulm860 verlangt kind 4 oder 5", errorOf({"adapter usb860 ulm860", "kind 1"}));
    EXPECT_EQ(5, parseRack({"adapter usb860 ulm860"}).rack->kind);
    EXPECT_EQ(1, parseRack({"15 256 0"}).rack->kind);
    EXPECT_EQ(3, parseRack({"kind 3", "0 4 0"}).rack->kind);
}

TEST(RackParser, NamesTheLineAndTheMistake) {
    EXPECT_EQ("Zeile 3: unbekannte Anweisung \"crad\"", errorOf({"", "# x", "crad 1 2 0"}));
    EXPECT_EQ("Zeile 1: Systemart 6 liegt nicht zwischen 1 und 5", errorOf({"kind 6"}));
    EXPECT_EQ("Zeile 1: Kartenadresse: \"x1\" ist keine Zahl", errorOf({"card x1 2 0"}));
    EXPECT_EQ("Zeile 1: erwartet: card ADRESSE TYP VARIANTE", errorOf({"card 1 2"}));
    EXPECT_EQ("Zeile 2: nur ein Adapter je Gestell-Datei",
              errorOf({"adapter int41", "adapter int900"}));
    EXPECT_EQ("Zeile 1: unbekannte Angabe \"badcheck\" für adapter usb860",
              errorOf({"adapter usb860 badcheck"}));
    EXPECT_EQ("Zeile 1: serial=a/b: Seriennummer leer oder mit # / \\",
              errorOf({"adapter usb860 serial=a/b"}));
    EXPECT_EQ("Zeile 1: speed=warp: erlaubt sind low, full und high",
              errorOf({"adapter usb860 speed=warp"}));
    EXPECT_EQ("Zeile 1: Register 4 liegt nicht zwischen 0 und 3", errorOf({"fault stuck 4 0 1"}));
    EXPECT_EQ("Zeile 1: erwartet: fault unplug after=N", errorOf({"fault unplug 5"}));
}
