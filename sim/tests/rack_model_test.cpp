#include "sim/rack_model.h"

#include <gtest/gtest.h>

using kw::sim::RackModel;

namespace {

RackModel model(const std::vector<std::string>& lines, bool selfTestBoard = false) {
    auto parse = kw::sim::parseRack(lines);
    EXPECT_TRUE(parse.rack) << parse.error;
    return RackModel(parse.rack.value_or(kw::sim::Rack{}), selfTestBoard);
}

// The supply measurement as the generator runs it: the QBT860's steps.
double qbt860Measurement(RackModel& rack) {
    rack.write(0, 15, 0, 0);
    rack.write(0, 14, 3, 0x40);
    rack.write(0, 14, 7, 0x80);
    const int setup[][2] = {{3, 1}, {1, 0x3D}, {2, 8}, {8, 8},   {11, 0x35},
                            {0, 1}, {7, 8},    {0, 0}, {7, 0x1B}};
    for (const auto& [function, data] : setup) {
        rack.write(0, 0, function, static_cast<std::uint16_t>(data));
    }
    rack.write(0, 0, 4, 1);
    int polls = 0;
    while (rack.read(0, 0, 0) & 1) {
        ++polls;
    }
    EXPECT_GT(polls, 0) << "the conversion never showed busy";
    const int low = rack.read(0, 0, 2);
    const int high = rack.read(0, 0, 2);
    return static_cast<std::int16_t>(low | (high << 8)) * 0.4 / 32768;
}

double qbt520Measurement(RackModel& rack, bool switchSupply = true) {
    if (switchSupply) {
        rack.write(0, 14, 3, 0x40);
        rack.write(0, 14, 7, 0x80);
    }
    rack.read(0, 0, 4);
    rack.read(0, 0, 6);
    rack.read(0, 0, 2);
    const int high = rack.read(0, 0, 2);
    const int low = rack.read(0, 0, 3);
    return ((high * 256 + low) - 32768) * 0.5 / 32768;
}

} // namespace

TEST(RackModel, CardsIdentifyThemselves) {
    auto rack = model({"0 31 0", "1 2 0", "2 1 5", "3 239 6", "4 47 258", "5 79 0", "14 15 0"});
    EXPECT_EQ(31, rack.read(0, 0, 15));
    EXPECT_EQ(2, rack.read(0, 1, 15));
    EXPECT_EQ(1, rack.read(0, 2, 15));
    EXPECT_EQ(5, rack.read(0, 2, 12)); // relay card variant
    EXPECT_EQ(6, rack.read(0, 3, 14));
    EXPECT_EQ(2, rack.read(0, 4, 14)); // TQD: low byte of the variant ...
    EXPECT_EQ(1, rack.read(0, 4, 12)); // ... and the sense bit
    EXPECT_EQ(79, rack.read(0, 5, 15));
    EXPECT_EQ(1, rack.read(0, 14, 15)); // the ZUPA reports code 1
    EXPECT_EQ(0, rack.read(0, 6, 15));  // empty slot
    EXPECT_EQ(0, rack.read(1, 1, 15));  // another system address: nobody there
}

TEST(RackModel, DecoderBitsTellTheKind) {
    const int bits[] = {0x00, 0x10, 0x20, 0x40, 0x40};
    for (int kind = 1; kind <= 5; ++kind) {
        auto rack = model({"kind " + std::to_string(kind)});
        EXPECT_EQ(bits[kind - 1], rack.read(0, 15, 0)) << kind;
        // The second decoder (system 1) answers only in kind 4.
        EXPECT_EQ(kind == 4 ? 0x40 : 0, rack.read(1, 15, 0)) << kind;
    }
}

TEST(RackModel, ExpansionHousingsAnswerAtTheirAddresses) {
    auto none = model({});
    EXPECT_EQ(0xFF, none.read(0, 31, 0));
    EXPECT_EQ(0xFF, none.read(0, 47, 0));
    auto one = model({"expansion 1"});
    EXPECT_EQ(0x01, one.read(0, 31, 0));
    EXPECT_EQ(0xFF, one.read(0, 47, 0));
    auto two = model({"expansion 2"});
    EXPECT_EQ(0x01, two.read(0, 47, 0));
}

TEST(RackModel, WritesAreRememberedWhereTheRackDefinesNothing) {
    auto rack = model({"0 31 0", "1 2 0", "kind 3", "reg 0 1 3 77"});
    rack.write(0, 1, 5, 0xAB);
    rack.write(2, 7, 9, 0x1234);
    EXPECT_EQ(0xAB, rack.read(0, 1, 5));
    EXPECT_EQ(0x1234, rack.read(2, 7, 9));
    EXPECT_EQ(0, rack.read(0, 1, 6));
    // Identification, decoder status and fixed reads are not overwritten by writes.
    rack.write(0, 1, 15, 9);
    rack.write(0, 15, 0, 0);
    rack.write(0, 1, 3, 5);
    EXPECT_EQ(2, rack.read(0, 1, 15));
    EXPECT_EQ(0x20, rack.read(0, 15, 0));
    EXPECT_EQ(77, rack.read(0, 1, 3));
}

TEST(RackModel, QbtMeasuresTheZupaSupplyOnlyWhenSwitchedToIt) {
    auto withSupply = model({"0 31 0", "14 15 1"});
    EXPECT_LT(qbt860Measurement(withSupply), 0.15);
    auto without = model({"0 31 0", "14 15 0"});
    EXPECT_GE(qbt860Measurement(without), 0.15);

    auto qbt520 = model({"0 4 0", "14 15 1"});
    EXPECT_LT(qbt520Measurement(qbt520), 0.15);
    auto qbt520Without = model({"0 4 0", "14 15 0"});
    EXPECT_GE(qbt520Measurement(qbt520Without), 0.15);
    auto notSwitched = model({"0 4 0", "14 15 1"});
    EXPECT_GE(qbt520Measurement(notSwitched, false), 0.15);
}

TEST(RackModel, FaultsAndTheSelfTestBoard) {
    auto silent = model({"0 31 0", "1 2 0", "2 2 0", "fault noanswer 2"});
    EXPECT_EQ(2, silent.read(0, 1, 15));
    EXPECT_EQ(0, silent.read(0, 2, 15));
    auto off = model({"0 31 0", "fault noanswer"});
    off.write(0, 3, 3, 3);
    EXPECT_EQ(0, off.read(0, 0, 15));
    EXPECT_EQ(0, off.read(0, 3, 3));

    // The board echoes the card address, or from system 32 on the function address twice.
    auto board = model({"0 31 0"}, true);
    board.write(0, 9, 0, 0);
    EXPECT_EQ(9, board.read(0, 9, 0));
    EXPECT_EQ(63, board.read(0, 63, 0));
    EXPECT_EQ(0xAA, board.read(32, 0, 10));
    EXPECT_EQ(0x00, board.read(32, 0, 0));
}

TEST(RackModel, LogsEveryBusWordInOrder) {
    auto rack = model({"1 2 0"});
    std::vector<std::string> lines;
    rack.setLog(kw::sim::BusLog([&](const std::string& line) { lines.push_back(line); }));
    rack.write(0, 1, 4, 200);
    rack.read(0, 1, 15);
    rack.read(3, 2, 1);
    EXPECT_EQ((std::vector<std::string>{"W 0 1 4 200", "R 0 1 15 2", "R 3 2 1 0"}), lines);
}
