#include "tarvik/config/card_catalogue.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    CardInfo card;
    const char* plain;
    const char* detailed;
    const char* detail;
};

// Every row of the name and detail tables, including the fall-back rows.
const NameCase kNames[] = {
    {{0, 0, 0}, "", "", ""},
    {{1, 0, 0}, "SEW28", "SEW28", ""},
    {{1, 2, 0}, "SEW28/56", "SEW28/56", ""},
    {{1, 5, 0}, "SEQ28", "SEQ28", ""},
    {{1, 32, 0}, "SEW84(28K)", "SEW84(28K)", ""},
    {{1, 64, 0}, "SEW84(56K)", "SEW84(56K)", ""},
    {{1, 96, 0}, "SEW84", "SEW84", ""},
    {{1, 3, 0}, "SEW", "SEW", ""},
    {{2, 0, 1}, "KVR860", "KVR860 (ohne NG)", "ohne NG"},
    {{2, 0, 2}, "KVR860", "KVR860 (NG++)", "NG ++"},
    {{2, 0, 3}, "KVR860", "KVR860 (NG+-)", "NG +-"},
    {{2, 0, 0}, "KVR860", "KVR860", ""},
    {{3, 2, 0}, "GAT84", "GAT84", ""},
    {{3, 0, 0}, "DGAT520", "DGAT520", ""},
    {{4, 0, 0}, "QBT520", "QBT520", ""},
    {{5, 0, 0}, "CZEP520", "CZEP520", ""},
    {{6, 1, 0}, "OW860", "OW860", ""},
    {{6, 0, 0}, "OW520", "OW520", ""},
    {{7, 1, 0}, "TIF860", "TIF860", ""},
    {{7, 3, 0}, "TIF520", "TIF520", ""},
    {{8, 0, 0}, "PEW28", "PEW28", ""},
    {{9, 0, 0}, "unbekannt", "unbekannt", ""},
    {{10, 11, 0}, "GAT860", "GAT860", ""},
    {{10, 0, 0}, "AGAT520", "AGAT520", ""},
    {{11, 0, 0}, "WU520", "WU520", ""},
    {{12, 0, 0}, "HTR520", "HTR520", ""},
    {{13, 0, 1}, "FJN860", "FJN860 (8 Kanäle)", "8 Kanäle"},
    {{13, 0, 2}, "FJN860", "FJN860 (4 Kanäle)", "4 Kanäle"},
    {{13, 0, 3}, "FJN860", "FJN860", ""},
    {{14, 0, 0}, "JEL6", "JEL6", ""},
    {{15, 1, 0}, "ZUPA", "ZUPA (5V-NG)", "5V-NG"},
    {{15, 0, 0}, "ZUPA", "ZUPA", ""},
    {{31, 0, 0}, "QBT860", "QBT860", ""},
    {{47, 0, 0}, "TQD860", "TQD860 (Matrix)", "Matrix"},
    {{47, 1, 0}, "TQD860", "TQD860 (NG++)", "NG ++"},
    {{47, 2, 0}, "TQD860", "TQD860 (NG+-)", "NG +-"},
    {{47, 257, 0}, "TQD860", "TQD860 (NG++ NS)", "NG ++ NS"},
    {{47, 258, 0}, "TQD860", "TQD860 (NG+- NS)", "NG +- NS"},
    {{47, 4, 0}, "TQD76", "TQD76", ""},
    {{47, 3, 0}, "TQD860", "TQD860", ""},
    {{79, 0, 0}, "NORV860", "NORV860", ""},
    {{111, 0, 0}, "DWB860", "DWB860", ""},
    {{143, 1, 0}, "RUQ300", "RUQ300 (mit NG)", "mit NG"},
    {{143, 0, 0}, "RUQ300", "RUQ300", ""},
    {{239, 1, 0}, "YOT860", "YOT860", ""},
    {{239, 2, 0}, "PEW860", "PEW860", ""},
    {{239, 5, 0}, "PEW860", "PEW860", ""},
    {{239, 3, 0}, "DAX19", "DAX19", ""},
    {{239, 4, 0}, "BAQ44", "BAQ44", ""},
    {{239, 6, 0}, "GIV12", "GIV12", ""},
    {{239, 7, 0}, "unbekannt", "unbekannt", ""},
    {{256, 0, 0}, "ULM520", "ULM520", ""},
    {{256, 1, 1}, "ULM860", "ULM860", "(ULM860)"},
    {{256, 2, 0}, "unbekannt", "unbekannt", ""},
    {{1000, 0, 0}, "unbekannt", "unbekannt", ""},
};

} // namespace

TEST(CardCatalogue, NamesAndDetailsOfEveryTableRow) {
    for (const auto& c : kNames) {
        SCOPED_TRACE(testing::Message() << c.card.typeCode << "," << c.card.variant << ","
                                        << c.card.extra);
        EXPECT_EQ(c.plain, cardName(c.card, false));
        EXPECT_EQ(c.detailed, cardName(c.card, true));
        EXPECT_EQ(c.detail, cardDetail(c.card));
    }
}

TEST(CardCatalogue, InterningGivesOneInstancePerTriple) {
    const CardInfo& a = internCardInfo(2, 0, 3);
    const CardInfo& b = internCardInfo(2, 0, 3);
    const CardInfo& c = internCardInfo(2, 0, 2);
    EXPECT_EQ(&a, &b);
    EXPECT_NE(&a, &c);
    // Many new triples must not move the instances handed out before.
    for (int i = 0; i < 1000; ++i) {
        internCardInfo(5000 + i, i, -i);
    }
    EXPECT_EQ(&a, &internCardInfo(2, 0, 3));
    EXPECT_EQ((CardInfo{2, 0, 3}), a);
    EXPECT_EQ(cardChoice(7, 6), cardChoice(9, 6)); // choices are interned too
}

TEST(CardCatalogue, ModuleFamilies) {
    struct FamilyCase {
        int address;
        CardInfo card;
        int family;
    };
    const FamilyCase cases[] = {
        {-1, {2, 0, 0}, 1},  {64, {2, 0, 0}, 1},  {5, {0, 0, 0}, 1},  {14, {0, 0, 0}, 0},
        {5, {1, 5, 0}, 3},   {5, {1, 3, 0}, 2},   {5, {1, 96, 0}, 2}, {5, {2, 0, 1}, 4},
        {5, {3, 2, 0}, 5},   {5, {3, 0, 0}, 0},   {5, {6, 1, 0}, 15}, {5, {6, 0, 0}, 14},
        {5, {7, 0, 0}, 16},  {5, {10, 11, 0}, 6}, {5, {11, 0, 0}, 17}, {5, {12, 0, 0}, 18},
        {5, {13, 0, 2}, 7},  {5, {14, 0, 0}, 8},  {5, {47, 4, 0}, 9}, {5, {79, 0, 0}, 10},
        {5, {111, 0, 0}, 12}, {5, {143, 1, 0}, 20}, {5, {143, 0, 0}, 0}, {5, {239, 1, 0}, 11},
        {5, {239, 2, 0}, 19}, {5, {239, 5, 0}, 19}, {5, {239, 4, 0}, 13}, {5, {239, 6, 0}, 13},
        {50, {239, 3, 0}, 0}, {15, {256, 1, 0}, 21}, {15, {256, 0, 0}, 0}, {0, {4, 0, 0}, 0},
        {0, {31, 0, 0}, 0},  {5, {5, 0, 0}, 0},   {5, {8, 0, 0}, 0},  {14, {15, 1, 0}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "address " << c.address << " card " << c.card.typeCode
                                        << "," << c.card.variant);
        EXPECT_EQ(c.family, familyOfSlot(c.address, c.card));
    }
}

TEST(CardCatalogue, FamilyCodesAndLimits) {
    EXPECT_EQ("SEW", familyCode(Family::Sew));
    EXPECT_EQ(30, familyLimit(Family::Sew));
    EXPECT_EQ("GAT84", familyCode(Family::Gat84));
    EXPECT_EQ(4, familyLimit(Family::Gat84));
    EXPECT_EQ(4, familyLimit(Family::Fjn));
    EXPECT_EQ(8, familyLimit(Family::Baq));
    EXPECT_EQ("WU2-5", familyCode(Family::Wu25));
    EXPECT_EQ("ULM860", familyCode(Family::Ulm860));
    EXPECT_EQ(1, familyLimit(Family::Ulm860));
    EXPECT_EQ("---", familyCode(Family::NoModule));
    EXPECT_EQ("---", familyCode(Family::Empty));
    EXPECT_EQ("---", familyCode(22));
    EXPECT_EQ(1, familyLimit(22));
}

TEST(CardCatalogue, ChoicesOfTheSpecialAddresses) {
    EXPECT_EQ(std::vector<std::string>{"(nicht belegbar)"}, cardChoiceTexts(-1));
    EXPECT_EQ(nullptr, cardChoice(-1, 0));
    EXPECT_EQ((std::vector<std::string>{"QBT520", "QBT860"}), cardChoiceTexts(0));
    EXPECT_EQ((std::vector<std::string>{"(leer)", "ZUPA", "ZUPA (5V-NG)"}), cardChoiceTexts(14));
    EXPECT_EQ((std::vector<std::string>{"ULM520", "ULM860"}), cardChoiceTexts(15));
    EXPECT_EQ((std::vector<std::string>{"(leer)", "DAX19"}), cardChoiceTexts(50));
    EXPECT_EQ((CardInfo{15, 1, 0}), *cardChoice(14, 2));
    EXPECT_EQ((CardInfo{256, 1, 0}), *cardChoice(15, 1));
    EXPECT_EQ(nullptr, cardChoice(15, 2));
    EXPECT_EQ(nullptr, cardChoice(0, -1));
}

TEST(CardCatalogue, GeneralChoicesInMenuOrder) {
    const std::vector<std::string> expected = {
        "(leer)",           "SEW28",           "SEW28/56",         "SEW84",
        "SEQ28",            "KVR860 (ohne NG)", "KVR860 (NG++)",    "KVR860 (NG+-)",
        "AGAT520",          "GAT860",          "GAT84",            "NORV860",
        "FJN860 (8 Kanäle)", "FJN860 (4 Kanäle)", "JEL6",           "CZEP520",
        "PEW28",            "OW520",           "OW860",            "TIF520",
        "TIF860",           "WU520",           "HTR520",           "TQD860 (Matrix)",
        "TQD860 (NG++)",    "TQD860 (NG++ NS)", "TQD860 (NG+-)",   "TQD860 (NG+- NS)",
        "TQD76",            "DWB860",          "RUQ300",           "RUQ300 (mit NG)",
        "YOT860",           "PEW860",          "BAQ44",            "GIV12",
    };
    EXPECT_EQ(expected, cardChoiceTexts(1));
    EXPECT_EQ(expected, cardChoiceTexts(63));
    EXPECT_EQ((CardInfo{47, 257, 0}), *cardChoice(33, 25));
    EXPECT_EQ((CardInfo{239, 6, 0}), *cardChoice(33, 35));
    EXPECT_EQ(nullptr, cardChoice(33, 36));
}

TEST(CardCatalogue, UsageMenus) {
    auto texts = [](int family) {
        std::vector<std::string> t;
        for (const auto& e : usageEntries(family)) {
            t.push_back(std::string(e.text) + "=" + std::to_string(e.usage));
        }
        return t;
    };
    EXPECT_EQ((std::vector<std::string>{"KVR=0", "TQD=9"}), texts(Family::Kvr));
    EXPECT_EQ((std::vector<std::string>{"(leer)=1", "RUQ=0"}), texts(Family::Ruq));
    // No SEW entry for an empty position.
    EXPECT_EQ((std::vector<std::string>{"(leer)=0", "SEQ=3", "KVR=4", "GAT84=5", "LOG=6", "FJN=7",
                                        "JEL=8", "TQD=9", "NORV=10", "YOT=11", "DWB=12",
                                        "BAQ=13"}),
              texts(Family::Empty));
    EXPECT_TRUE(usageEntries(Family::NoModule).empty());
    EXPECT_TRUE(usageEntries(Family::Sew).empty());
}
