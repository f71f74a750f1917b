// Random lines and files for the sequence reader: no crash, no sanitizer report, and every
// accepted line survives a write and a second read unchanged.

#include "korvane/tool/action_list_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;
using namespace korvane;

namespace {

// Lines shaped like sequence lines (five fields, a name) whose fields and separators are
// often replaced by pieces that matter to the reader, so that many lines get far into it.
std::string randomLine(std::mt19937& random) {
    static const std::string pieces[] = {"0",
                                         "1",
                                         "63",
                                         "-7",
                                         "+3",
                                         "2147483647",
                                         "99999999999",
                                         "-",
                                         "+",
                                         " ",
                                         "\t",
                                         ",",
                                         "?",
                                         ";",
                                         "; ",
                                         "Name",
                                         "\xE4\xF6\xFC",
                                         "\r",
                                         "\n",
                                         "\v",
                                         std::string(1, '\0'),
                                         "x",
                                         "\x80",
                                         "",
                                         " 12",
                                         "?"};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string line;
    for (int field = 0; field < 5; ++field) {
        line += pieces[pick(random)];
        if (percent(random) < 30) {
            line += pieces[pick(random)];
        }
        if (field < 4) {
            line += percent(random) < 92 ? std::string(",") : pieces[pick(random)];
        }
    }
    if (percent(random) < 80) {
        line += percent(random) < 90 ? std::string(";") : pieces[pick(random)];
        for (int i = percent(random) % 4; i > 0; --i) {
            line += percent(random) < 10 ? std::string(1, static_cast<char>(byte(random)))
                                         : pieces[pick(random)];
        }
    }
    return line;
}

} // namespace

TEST(ActionFuzz, AcceptedLinesRoundTripThroughTheirText) {
    std::mt19937 random(20240611);
    int accepted = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::string line = randomLine(random);
        CAction action;
        if (!action.parse(line)) {
            continue;
        }
        ++accepted;
        CAction again;
        ASSERT_TRUE(again.parse(action.toText())) << line;
        // A receive is written as "?", so only its kind survives, not its negative value.
        EXPECT_EQ(action.isReceive(), again.isReceive());
        if (action.isSend()) {
            EXPECT_EQ(action.data(), again.data());
        }
        EXPECT_EQ(action.systemAddress(), again.systemAddress());
        EXPECT_EQ(action.delay(), again.delay());
        EXPECT_EQ(again.toText(), action.toText()) << line;
    }
    EXPECT_GT(accepted, 1000); // the generator reaches the accepting paths
}

TEST(ActionFuzz, RandomFilesLoadAndSaveBackToTheSameActions) {
    const fs::path dir = fs::temp_directory_path() / ("korvane-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 100; ++round) {
        std::string content;
        for (int line = 0; line < 20; ++line) {
            content += randomLine(random);
            content += (byte(random) & 1) ? "\r\n" : "\n";
        }
        for (int i = byte(random) % 8; i > 0; --i) {
            content[static_cast<std::size_t>(byte(random)) % content.size()] =
                static_cast<char>(byte(random));
        }
        std::ofstream(dir / "in.txt", std::ios::binary) << content;
        ActionListModel model;
        ASSERT_TRUE(model.loadFromFile(dir / "in.txt"));
        ASSERT_TRUE(model.saveToFile(dir / "out.txt"));
        ActionListModel reloaded;
        ASSERT_TRUE(reloaded.loadFromFile(dir / "out.txt"));
        ASSERT_EQ(model.count(), reloaded.count());
        for (int i = 0; i < model.count(); ++i) {
            EXPECT_EQ(model.action(i).toText(), reloaded.action(i).toText());
        }
    }
    fs::remove_all(dir);
}
