#include "tarvik/config/system_info.h"

#include "common/text/line_file.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvik;

namespace fs = std::filesystem;

namespace {

std::vector<std::string> names(CSystemInfo& s) {
    std::vector<std::string> n;
    for (int i = 0; i < s.visibleCount(); ++i) {
        n.push_back(s.positionName(i));
    }
    return n;
}

std::vector<int> addresses(const CSystemInfo& s) {
    std::vector<int> a;
    for (const auto& p : s.positions) {
        a.push_back(p.cardAddress);
    }
    return a;
}

int indexOfAddress(const CSystemInfo& s, int address) {
    for (int i = 0; i < static_cast<int>(s.positions.size()); ++i) {
        if (s.positions[i].cardAddress == address) {
            return i;
        }
    }
    return -1;
}

} // namespace

TEST(SystemInfo, NewObjectIsEmpty) {
    CSystemInfo s;
    EXPECT_EQ(860, s.systemType);
    EXPECT_FALSE(s.hasExpansion1 || s.hasExpansion2 || s.hasExtraAddresses || s.hasXab60V);
    EXPECT_EQ(0, s.lastOccupied);
    EXPECT_TRUE(s.positions.empty());
    EXPECT_TRUE(s.sysInfoLines().empty());
}

TEST(SystemInfo, MainHousingOf860WithoutExtraAddresses) {
    CSystemInfo s;
    s.buildPositions();
    EXPECT_EQ((std::vector<int>{15, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, -1, -1, 12, 13, 14, -1}),
              addresses(s));
    EXPECT_EQ(
        (std::vector<std::string>{"P2", "P3", "P4", "P5", "P6", "P7", "P8", "P9", "P10", "P11",
                                  "P12", "P13", "P14", "P15", "P16", "P17", "P18", "ZUPA", "Ad50"}),
        names(s));
    EXPECT_EQ("", s.positionName(19));
    EXPECT_EQ("", s.positionName(-1));
    // Positions that cannot take a card still exist and offer "(nicht belegbar)".
    EXPECT_EQ(std::vector<std::string>{"(nicht belegbar)"},
              cardChoiceTexts(s.positions[13].cardAddress));
}

TEST(SystemInfo, BothExpansionHousingsWithExtraAddresses) {
    CSystemInfo s;
    s.setManual(860, true, true, true);
    ASSERT_EQ(19u + 15u + 15u, s.positions.size());
    EXPECT_EQ((SelPosition{1, 15, 48}), s.positions[13]);
    EXPECT_EQ((SelPosition{1, -50, 50}), s.positions[18]);
    EXPECT_EQ((SelPosition{2, 4, 17}), s.positions[19]);
    EXPECT_EQ((SelPosition{2, 16, 53}), s.positions[31]);
    EXPECT_EQ((SelPosition{2, 18, 29}), s.positions[33]);
    EXPECT_EQ((SelPosition{3, 14, 43}), s.positions[44]);
    EXPECT_EQ((SelPosition{3, 15, 56}), s.positions[45]);
    EXPECT_EQ((SelPosition{3, 18, 45}), s.positions[48]);
    EXPECT_EQ("P1-2", s.positionName(0));
    EXPECT_EQ("P1-4", s.positionName(2));
    EXPECT_EQ("ZUPA", s.positionName(17)); // also with expansion housings
    EXPECT_EQ("Ad50", s.positionName(18));
    EXPECT_EQ("P2-4", s.positionName(19));
    EXPECT_EQ("P3-18", s.positionName(48));
    EXPECT_EQ(49, s.visibleCount());
}

TEST(SystemInfo, SecondExpansionCountsOnlyWithTheFirst) {
    CSystemInfo s;
    s.setManual(860, false, true, false);
    EXPECT_FALSE(s.hasExpansion2);
    EXPECT_EQ(19u, s.positions.size());
    s.setManual(945, true, true, false);
    EXPECT_FALSE(s.hasExpansion1);
    EXPECT_FALSE(s.hasExpansion2);
}

TEST(SystemInfo, SetManualSlotsPerChoice) {
    CSystemInfo prq990;
    prq990.setManual(860, false, false, true);
    EXPECT_EQ((std::vector<std::string>{"0 31 0", "15 256 1", "50 239 3"}), prq990.sysInfoLines());
    EXPECT_TRUE(prq990.hasExtraAddresses);
    EXPECT_EQ(7, prq990.lastOccupied);

    CSystemInfo kprq860;
    kprq860.setManual(860, false, false, false);
    EXPECT_EQ((std::vector<std::string>{"0 31 0", "15 256 0"}), kprq860.sysInfoLines());
    EXPECT_EQ("", kprq860.moduleName(0)); // ULM520 has no module

    CSystemInfo ukprq;
    ukprq.setManual(945, false, false, false);
    EXPECT_EQ((std::vector<std::string>{"0 4 0"}), ukprq.sysInfoLines());
    EXPECT_EQ("ULM860", prq990.moduleName(0));
}

TEST(SystemInfo, PositionsOf945And930) {
    CSystemInfo s945;
    s945.systemType = 945;
    s945.buildPositions();
    ASSERT_EQ(14u, s945.positions.size());
    EXPECT_EQ((SelPosition{1, 13, 13}), s945.positions[13]);
    EXPECT_EQ("QBT", s945.positionName(0));
    EXPECT_EQ("P13", s945.positionName(13));
    EXPECT_EQ(14, s945.visibleCount()); // before identification all are shown

    CSystemInfo s930;
    s930.systemType = 930;
    s930.hasExpansion1 = true; // no effect on 930 labels
    s930.buildPositions();
    ASSERT_EQ(9u, s930.positions.size());
    EXPECT_EQ("P8", s930.positionName(8));
}

TEST(SystemInfo, AddingPositionsOnAManual945) {
    CSystemInfo s;
    s.setManual(945, false, false, false);
    EXPECT_EQ(8, s.visibleCount());
    for (int expected = 8; expected < 14; ++expected) {
        ASSERT_TRUE(s.canAddVisiblePosition());
        EXPECT_EQ(expected, s.addVisiblePosition());
        EXPECT_EQ(expected + 1, s.visibleCount());
    }
    EXPECT_FALSE(s.canAddVisiblePosition());
    EXPECT_EQ(14, s.addVisiblePosition()); // nothing more to show
    EXPECT_EQ(14, s.visibleCount());

    CSystemInfo fewCards;
    fewCards.systemType = 945;
    fewCards.lastOccupied = 1;
    EXPECT_EQ(4, fewCards.visibleCount());
    EXPECT_EQ(4, fewCards.addVisiblePosition());
    EXPECT_EQ(5, fewCards.visibleCount());

    CSystemInfo s860;
    s860.setManual(860, false, false, false);
    EXPECT_FALSE(s860.canAddVisiblePosition());
    EXPECT_EQ(19, s860.addVisiblePosition());
}

TEST(SystemInfo, ModuleNamesNumberCardsOfOneFamilyUpToTheLimit) {
    CSystemInfo s;
    s.setManual(860, true, false, true);
    // Nine KVR cards: the ninth gets no module name.
    const int kvrAddresses[] = {1, 2, 3, 4, 5, 6, 7, 8, 17};
    for (int a : kvrAddresses) {
        s.slots[a] = {CardType::Kvr860, 0, 2};
    }
    s.slots[9] = {CardType::Ow, 1, 0};
    s.slots[18] = {CardType::Ow, 1, 0}; // second OW860: limit 1
    EXPECT_EQ("KVR_1", s.moduleName(indexOfAddress(s, 1)));
    EXPECT_EQ("KVR_8", s.moduleName(indexOfAddress(s, 8)));
    EXPECT_EQ("", s.moduleName(indexOfAddress(s, 17)));
    EXPECT_EQ("OW860", s.moduleName(indexOfAddress(s, 9)));
    EXPECT_EQ("", s.moduleName(indexOfAddress(s, 18)));
    EXPECT_EQ("", s.moduleName(indexOfAddress(s, 0)));  // QBT860: no module
    EXPECT_EQ("", s.moduleName(indexOfAddress(s, 50))); // DAX19: no module
    EXPECT_EQ("", s.moduleName(indexOfAddress(s, 10))); // empty, no usage
    EXPECT_EQ(9, s.countFamily(Family::Kvr));
    EXPECT_EQ(0, s.countFamilyBefore(Family::Kvr, 0));
    EXPECT_EQ(1, s.countFamilyBefore(Family::Kvr, 3));
    EXPECT_EQ(9, s.countFamilyBefore(Family::Kvr, 1000));
}

TEST(SystemInfo, FirstPositionStartsItsFamilyAtOne) {
    CSystemInfo s;
    s.setManual(945, false, false, false);
    s.slots[0] = {CardType::Kvr860, 0, 1}; // whatever sits at index 0 counts from 1
    s.slots[3] = {CardType::Kvr860, 0, 1};
    EXPECT_EQ("KVR_1", s.moduleName(0));
    EXPECT_EQ("KVR_2", s.moduleName(3));
}

TEST(SystemInfo, UsagesChangeTheEffectiveFamily) {
    CSystemInfo s;
    s.setManual(860, false, false, false);
    const int kvr = indexOfAddress(s, 1);
    const int empty = indexOfAddress(s, 2);
    const int ruq = indexOfAddress(s, 3);
    const int ow = indexOfAddress(s, 4);
    s.slots[1] = {CardType::Kvr860, 0, 3};
    s.slots[3] = {CardType::Ruq300, 1, 0};
    s.slots[4] = {CardType::Ow, 0, 0};

    EXPECT_EQ("TQD", s.usageChoice(kvr, 1));
    EXPECT_EQ("", s.usageChoice(kvr, 2));
    EXPECT_TRUE(s.setUsage(kvr, 1));
    EXPECT_FALSE(s.setUsage(kvr, 1)); // unchanged
    EXPECT_EQ(Family::Tqd, s.effectiveFamily(kvr));
    EXPECT_EQ("TQD_1", s.moduleName(kvr));

    EXPECT_EQ("BAQ", s.usageChoice(empty, 11));
    EXPECT_TRUE(s.setUsage(empty, 7)); // TQD reserved for the empty position
    EXPECT_EQ("TQD_2", s.moduleName(empty));

    EXPECT_EQ("RUQ", s.moduleName(ruq));
    EXPECT_TRUE(s.setUsage(ruq, 0)); // "(leer)": left out of generation
    EXPECT_EQ(Family::Empty, s.effectiveFamily(ruq));
    EXPECT_EQ("", s.moduleName(ruq));

    // No menu: reports a change so the caller redraws, stores nothing.
    EXPECT_EQ("", s.usageChoice(ow, 0));
    EXPECT_TRUE(s.setUsage(ow, 3));
    EXPECT_EQ(Family{0}, s.positions[ow].usage);

    // A usage left over from an empty position does not apply to a card put there later.
    s.slots[2] = {CardType::Ow, 1, 0};
    EXPECT_EQ(Family::Ow860, s.effectiveFamily(empty));
}

TEST(SystemInfo, ZupaPositionNeverOffersUsages) {
    CSystemInfo s;
    s.setManual(860, false, false, false);
    const int zupa = indexOfAddress(s, 14);
    EXPECT_EQ(Family::NoModule, s.moduleFamily(14));
    EXPECT_EQ("", s.usageChoice(zupa, 0));
}

TEST(SystemInfo, SeqCardOnlyInOccupiedPositions) {
    CSystemInfo s;
    s.setManual(945, false, false, false);
    EXPECT_FALSE(s.hasSeqCard());
    s.slots[9] = {CardType::Sew, 5, 0}; // beyond lastOccupied 7
    EXPECT_FALSE(s.hasSeqCard());
    s.slots[7] = {CardType::Sew, 5, 0};
    EXPECT_TRUE(s.hasSeqCard());

    CSystemInfo s860;
    s860.setManual(860, false, false, false);
    s860.slots[14] = {CardType::Sew, 5, 0}; // address 14 never counts
    s860.lastOccupied = 18;
    EXPECT_FALSE(s860.hasSeqCard());
    s860.slots[2] = {CardType::Sew, 5, 0};
    EXPECT_TRUE(s860.hasSeqCard());
}

TEST(SystemInfo, SysInfoFileListsCardsByAddress) {
    const fs::path dir = fs::temp_directory_path() / "kw_sysinfo_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    CSystemInfo s;
    s.setManual(860, true, false, false);
    s.slots[17] = {CardType::Tqd, 257, 9}; // position P2-4 comes after the main housing
    s.slots[1] = {CardType::Kvr860, 0, 2}; // extra is not written
    s.slots[14] = {CardType::Zupa, 1, 0};
    const fs::path file = dir / "tarvik.sysinfo";
    ASSERT_TRUE(kw::writeLineFile(file, {"stale content"}));
    ASSERT_TRUE(s.writeSysInfo(file));
    EXPECT_EQ("0 31 0\r\n1 2 0\r\n14 15 1\r\n15 256 0\r\n17 47 257\r\n",
              kw::readFileBytes(file).value());

    CSystemInfo none;
    ASSERT_TRUE(none.writeSysInfo(file));
    EXPECT_EQ("", kw::readFileBytes(file).value());
    EXPECT_FALSE(none.writeSysInfo(dir / "no_such_folder" / "tarvik.sysinfo"));
    fs::remove_all(dir);
}
