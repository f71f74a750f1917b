#include "tarvik/app/batch_front_end.h"
#include "tarvik/app/command_line_info.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct BatchResult {
    int exitCode;
    std::string out;
    std::string err;
};

BatchResult batch(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = runBatch(arguments, out, err);
    return {code, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

} // namespace

TEST(CommandLine, OnlySwitchesBeginningWithIStopTheHardwareSearch) {
    EXPECT_TRUE(CTarvikCommandLineInfo({"-i"}).noHardwareSearch());
    EXPECT_TRUE(CTarvikCommandLineInfo({"/I"}).noHardwareSearch());
    EXPECT_TRUE(CTarvikCommandLineInfo({"x", "-info"}).noHardwareSearch());
    EXPECT_FALSE(CTarvikCommandLineInfo({"i", "--batch", "-x", "/", "--i"}).noHardwareSearch());
    EXPECT_TRUE(CTarvikCommandLineInfo({"--batch"}).batch());
    EXPECT_FALSE(CTarvikCommandLineInfo({"-i"}).batch());
}

TEST(Batch, ListsTheDefaultRack) {
    const auto r = batch({"-i", "--batch", "--list"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const auto rows = lines(r.out);
    ASSERT_EQ(19u, rows.size());
    EXPECT_EQ("P2\tULM520\t\t", rows[0]);
    EXPECT_EQ("P3\tQBT860\t\t", rows[1]);
    EXPECT_EQ("P4\t\t\t", rows[2]);
    EXPECT_EQ("P15\t\t\t", rows[13]); // not occupiable: no name columns
    EXPECT_EQ("ZUPA\t\t\t", rows[17]);
    EXPECT_EQ("Ad50\t\t\t", rows[18]);
}

TEST(Batch, ExpansionHousingWithAKvrCard) {
    const auto r = batch({"-i", "--batch", "--system", "KPRQ860", "--expansion", "1", "--card",
                          "4=KVR860 (NG+-)", "--list"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const auto rows = lines(r.out);
    ASSERT_EQ(34u, rows.size());
    EXPECT_EQ("P1-7\tKVR860\tNG +-\tKVR_1", rows[5]);
    EXPECT_EQ("P2-4\t\t\t", rows[19]);
    EXPECT_EQ("P2-18\t\t\t", rows[33]);
}

TEST(Batch, EditsApplyInOrder) {
    const auto r = batch({"-i", "--batch", "--system=PRQ990", "--card", "1=KVR860 (NG++)",
                          "--card", "2=1,5,0", "--usage", "P4=TQD", "--usage", "P6=LOG", "--card",
                          "14=ZUPA (5V-NG)", "--card", "1=(leer)", "--list"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const auto rows = lines(r.out);
    EXPECT_EQ("P2\tULM860\t\tULM860", rows[0]);
    // The KVR card was removed again; its TQD usage stays stored but an empty position
    // reads its usage as family.
    EXPECT_EQ("P4\t\t\tTQD_1", rows[2]);
    EXPECT_EQ("P5\tSEQ28\t\tSEQ_1", rows[3]);
    EXPECT_EQ("P6\t\t\tLOG_1", rows[4]);
    EXPECT_EQ("ZUPA\tZUPA\t5V-NG\t", rows[17]);
    EXPECT_EQ("Ad50\tDAX19\t\t", rows[18]);
}

TEST(Batch, AddPositionOn945) {
    auto r = batch({"-i", "--batch", "--system", "UKPRQ", "--add-position", "--list"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(9u, lines(r.out).size());
    EXPECT_EQ("QBT\tQBT520\t\t", lines(r.out)[0]);

    // A card can only go into a shown position.
    r = batch({"-i", "--batch", "--system", "UKPRQ", "--card", "9=JEL6"});
    EXPECT_EQ(2, r.exitCode);
    r = batch({"-i", "--batch", "--system", "UKPRQ", "--add-position", "--add-position",
               "--card", "9=JEL6", "--list"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("P9\tJEL6\t\tJEL_1", lines(r.out).back());

    std::vector<std::string> tooMany = {"-i", "--batch", "--system", "UKPRQ"};
    for (int i = 0; i < 7; ++i) {
        tooMany.push_back("--add-position");
    }
    EXPECT_EQ(2, batch(tooMany).exitCode);
    EXPECT_EQ(2, batch({"-i", "--batch", "--add-position"}).exitCode); // not on 860
}

TEST(Batch, BadOptionsAndValuesExitWithTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {"-i", "--batch", "--sytem", "UKPRQ"},
        {"-i", "--batch", "--system", "PRQ"},
        {"-i", "--batch", "--system"},
        {"-i", "--batch", "--expansion", "3"},
        {"-i", "--batch", "--expansion", "1x"},
        {"-i", "--batch", "--card", "4"},
        {"-i", "--batch", "--card", "64=JEL6"},
        {"-i", "--batch", "--card", "abc=JEL6"},
        {"-i", "--batch", "--card", "4=JEL7"},
        {"-i", "--batch", "--card", "0=JEL6"},  // address 0 only takes QBT cards
        {"-i", "--batch", "--card", "17=JEL6"}, // no position serves 17 without expansion housing
        {"-i", "--batch", "--card", "4=1,2"},
        {"-i", "--batch", "--usage", "P99=KVR"},
        {"-i", "--batch", "--usage", "P4=SEW"},
        {"-i", "--batch", "--usage", "P3=KVR"}, // QBT860 offers no usage
    };
    for (const auto& arguments : bad) {
        const auto r = batch(arguments);
        EXPECT_EQ(2, r.exitCode) << arguments.back();
        EXPECT_NE(std::string::npos, r.err.find("tarvik: ")) << arguments.back();
        EXPECT_TRUE(r.out.empty());
    }
    const auto r = batch({"-i", "--batch", "--card", "4=JEL7"});
    EXPECT_NE(std::string::npos, r.err.find("\"JEL6\"")) << r.err; // lists the choices
}
