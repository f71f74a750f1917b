#include "tarvik/config/card_catalogue.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

struct NameCase {
    CardInfo card;
    const char* plain;
    const char* detailed;
    const char* detail;
};

// Every row of the name and detail tables, including the fall-back rows.
const NameCase kNames[] = {
    {{CardType{0}, 0, 0}, "", "", ""},
    {{CardType{1}, 0, 0}, "SEW28", "SEW28", ""},
    {{CardType{1}, 2, 0}, "SEW28/56", "SEW28/56", ""},
    {{CardType{1}, 5, 0}, "SEQ28", "SEQ28", ""},
    {{CardType{1}, 32, 0}, "SEW84(28K)", "SEW84(28K)", ""},
    {{CardType{1}, 64, 0}, "SEW84(56K)", "SEW84(56K)", ""},
    {{CardType{1}, 96, 0}, "SEW84", "SEW84", ""},
    {{CardType{1}, 3, 0}, "SEW", "SEW", ""},
    {{CardType{2}, 0, 1}, "KVR860", "KVR860 (ohne NG)", "ohne NG"},
    {{CardType{2}, 0, 2}, "KVR860", "KVR860 (NG++)", "NG ++"},
    {{CardType{2}, 0, 3}, "KVR860", "KVR860 (NG+-)", "NG +-"},
    {{CardType{2}, 0, 0}, "KVR860", "KVR860", ""},
    {{CardType{3}, 2, 0}, "GAT84", "GAT84", ""},
    {{CardType{3}, 0, 0}, "DGAT520", "DGAT520", ""},
    {{CardType{4}, 0, 0}, "QBT520", "QBT520", ""},
    {{CardType{5}, 0, 0}, "CZEP520", "CZEP520", ""},
    {{CardType{6}, 1, 0}, "OW860", "OW860", ""},
    {{CardType{6}, 0, 0}, "OW520", "OW520", ""},
    {{CardType{7}, 1, 0}, "TIF860", "TIF860", ""},
    {{CardType{7}, 3, 0}, "TIF520", "TIF520", ""},
    {{CardType{8}, 0, 0}, "PEW28", "PEW28", ""},
    {{CardType{9}, 0, 0}, "unbekannt", "unbekannt", ""},
    {{CardType{10}, 11, 0}, "GAT860", "GAT860", ""},
    {{CardType{10}, 0, 0}, "AGAT520", "AGAT520", ""},
    {{CardType{11}, 0, 0}, "WU520", "WU520", ""},
    {{CardType{12}, 0, 0}, "HTR520", "HTR520", ""},
    {{CardType{13}, 0, 1}, "FJN860", "FJN860 (8 Kanäle)", "8 Kanäle"},
    {{CardType{13}, 0, 2}, "FJN860", "FJN860 (4 Kanäle)", "4 Kanäle"},
    {{CardType{13}, 0, 3}, "FJN860", "FJN860", ""},
    {{CardType{14}, 0, 0}, "JEL6", "JEL6", ""},
    {{CardType{15}, 1, 0}, "ZUPA", "ZUPA (5V-NG)", "5V-NG"},
    {{CardType{15}, 0, 0}, "ZUPA", "ZUPA", ""},
    {{CardType{31}, 0, 0}, "QBT860", "QBT860", ""},
    {{CardType{47}, 0, 0}, "TQD860", "TQD860 (Matrix)", "Matrix"},
    {{CardType{47}, 1, 0}, "TQD860", "TQD860 (NG++)", "NG ++"},
    {{CardType{47}, 2, 0}, "TQD860", "TQD860 (NG+-)", "NG +-"},
    {{CardType{47}, 257, 0}, "TQD860", "TQD860 (NG++ NS)", "NG ++ NS"},
    {{CardType{47}, 258, 0}, "TQD860", "TQD860 (NG+- NS)", "NG +- NS"},
    {{CardType{47}, 4, 0}, "TQD76", "TQD76", ""},
    {{CardType{47}, 3, 0}, "TQD860", "TQD860", ""},
    {{CardType{79}, 0, 0}, "NORV860", "NORV860", ""},
    {{CardType{111}, 0, 0}, "DWB860", "DWB860", ""},
    {{CardType{143}, 1, 0}, "RUQ300", "RUQ300 (mit NG)", "mit NG"},
    {{CardType{143}, 0, 0}, "RUQ300", "RUQ300", ""},
    {{CardType{239}, 1, 0}, "YOT860", "YOT860", ""},
    {{CardType{239}, 2, 0}, "PEW860", "PEW860", ""},
    {{CardType{239}, 5, 0}, "PEW860", "PEW860", ""},
    {{CardType{239}, 3, 0}, "DAX19", "DAX19", ""},
    {{CardType{239}, 4, 0}, "BAQ44", "BAQ44", ""},
    {{CardType{239}, 6, 0}, "GIV12", "GIV12", ""},
    {{CardType{239}, 7, 0}, "unbekannt", "unbekannt", ""},
    {{CardType{256}, 0, 0}, "ULM520", "ULM520", ""},
    {{CardType{256}, 1, 1}, "ULM860", "ULM860", "(ULM860)"},
    {{CardType{256}, 2, 0}, "unbekannt", "unbekannt", ""},
    {{CardType{1000}, 0, 0}, "unbekannt", "unbekannt", ""},
};

} // namespace

TEST(CardCatalogue, NamesAndDetailsOfEveryTableRow) {
    for (const auto& c : kNames) {
        SCOPED_TRACE(testing::Message() << typeNumber(c.card.typeCode) << "," << c.card.variant
                                        << "," << c.card.extra);
        EXPECT_EQ(c.plain, cardName(c.card, false));
        EXPECT_EQ(c.detailed, cardName(c.card, true));
        EXPECT_EQ(c.detail, cardDetail(c.card));
    }
}

TEST(CardCatalogue, InterningGivesOneInstancePerTriple) {
    const CardInfo& a = internCardInfo(CardType{2}, 0, 3);
    const CardInfo& b = internCardInfo(CardType{2}, 0, 3);
    const CardInfo& c = internCardInfo(CardType{2}, 0, 2);
    EXPECT_EQ(&a, &b);
    EXPECT_NE(&a, &c);
    // Many new triples must not move the instances handed out before.
    for (int i = 0; i < 1000; ++i) {
        internCardInfo(CardType{5000 + i}, i, -i);
    }
    EXPECT_EQ(&a, &internCardInfo(CardType{2}, 0, 3));
    EXPECT_EQ((CardInfo{CardType{2}, 0, 3}), a);
    EXPECT_EQ(cardChoice(7, 6), cardChoice(9, 6)); // choices are interned too
}

TEST(CardCatalogue, ModuleFamilies) {
    struct FamilyCase {
        int address;
        CardInfo card;
        Family family;
    };
    const FamilyCase cases[] = {
        {-1, {CardType{2}, 0, 0}, Family{1}},   {64, {CardType{2}, 0, 0}, Family{1}},
        {5, {CardType{0}, 0, 0}, Family{1}},    {14, {CardType{0}, 0, 0}, Family{0}},
        {5, {CardType{1}, 5, 0}, Family{3}},    {5, {CardType{1}, 3, 0}, Family{2}},
        {5, {CardType{1}, 96, 0}, Family{2}},   {5, {CardType{2}, 0, 1}, Family{4}},
        {5, {CardType{3}, 2, 0}, Family{5}},    {5, {CardType{3}, 0, 0}, Family{0}},
        {5, {CardType{6}, 1, 0}, Family{15}},   {5, {CardType{6}, 0, 0}, Family{14}},
        {5, {CardType{7}, 0, 0}, Family{16}},   {5, {CardType{10}, 11, 0}, Family{6}},
        {5, {CardType{11}, 0, 0}, Family{17}},  {5, {CardType{12}, 0, 0}, Family{18}},
        {5, {CardType{13}, 0, 2}, Family{7}},   {5, {CardType{14}, 0, 0}, Family{8}},
        {5, {CardType{47}, 4, 0}, Family{9}},   {5, {CardType{79}, 0, 0}, Family{10}},
        {5, {CardType{111}, 0, 0}, Family{12}}, {5, {CardType{143}, 1, 0}, Family{20}},
        {5, {CardType{143}, 0, 0}, Family{0}},  {5, {CardType{239}, 1, 0}, Family{11}},
        {5, {CardType{239}, 2, 0}, Family{19}}, {5, {CardType{239}, 5, 0}, Family{19}},
        {5, {CardType{239}, 4, 0}, Family{13}}, {5, {CardType{239}, 6, 0}, Family{13}},
        {50, {CardType{239}, 3, 0}, Family{0}}, {15, {CardType{256}, 1, 0}, Family{21}},
        {15, {CardType{256}, 0, 0}, Family{0}}, {0, {CardType{4}, 0, 0}, Family{0}},
        {0, {CardType{31}, 0, 0}, Family{0}},   {5, {CardType{5}, 0, 0}, Family{0}},
        {5, {CardType{8}, 0, 0}, Family{0}},    {14, {CardType{15}, 1, 0}, Family{0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "address " << c.address << " card "
                                        << typeNumber(c.card.typeCode) << "," << c.card.variant);
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
    EXPECT_EQ("---", familyCode(Family{22}));
    EXPECT_EQ(1, familyLimit(Family{22}));
}

TEST(CardCatalogue, ChoicesOfTheSpecialAddresses) {
    EXPECT_EQ(std::vector<std::string>{"(nicht belegbar)"}, cardChoiceTexts(-1));
    EXPECT_EQ(nullptr, cardChoice(-1, 0));
    EXPECT_EQ((std::vector<std::string>{"QBT520", "QBT860"}), cardChoiceTexts(0));
    EXPECT_EQ((std::vector<std::string>{"(leer)", "ZUPA", "ZUPA (5V-NG)"}), cardChoiceTexts(14));
    EXPECT_EQ((std::vector<std::string>{"ULM520", "ULM860"}), cardChoiceTexts(15));
    EXPECT_EQ((std::vector<std::string>{"(leer)", "DAX19"}), cardChoiceTexts(50));
    EXPECT_EQ((CardInfo{CardType{15}, 1, 0}), *cardChoice(14, 2));
    EXPECT_EQ((CardInfo{CardType{256}, 1, 0}), *cardChoice(15, 1));
    EXPECT_EQ(nullptr, cardChoice(15, 2));
    EXPECT_EQ(nullptr, cardChoice(0, -1));
}

TEST(CardCatalogue, GeneralChoicesInMenuOrder) {
    const std::vector<std::string> expected = {
        "(leer)",
        "SEW28",
        "SEW28/56",
        "SEW84",
        "SEQ28",
        "KVR860 (ohne NG)",
        "KVR860 (NG++)",
        "KVR860 (NG+-)",
        "AGAT520",
        "GAT860",
        "GAT84",
        "NORV860",
        "FJN860 (8 Kanäle)",
        "FJN860 (4 Kanäle)",
        "JEL6",
        "CZEP520",
        "PEW28",
        "OW520",
        "OW860",
        "TIF520",
        "TIF860",
        "WU520",
        "HTR520",
        "TQD860 (Matrix)",
        "TQD860 (NG++)",
        "TQD860 (NG++ NS)",
        "TQD860 (NG+-)",
        "TQD860 (NG+- NS)",
        "TQD76",
        "DWB860",
        "RUQ300",
        "RUQ300 (mit NG)",
        "YOT860",
        "PEW860",
        "BAQ44",
        "GIV12",
    };
    EXPECT_EQ(expected, cardChoiceTexts(1));
    EXPECT_EQ(expected, cardChoiceTexts(63));
    EXPECT_EQ((CardInfo{CardType{47}, 257, 0}), *cardChoice(33, 25));
    EXPECT_EQ((CardInfo{CardType{239}, 6, 0}), *cardChoice(33, 35));
    EXPECT_EQ(nullptr, cardChoice(33, 36));
}

TEST(CardCatalogue, UsageMenus) {
    auto texts = [](Family family) {
        std::vector<std::string> t;
        for (const auto& e : usageEntries(family)) {
            t.push_back(std::string(e.text) + "=" + std::to_string(static_cast<int>(e.usage)));
        }
        return t;
    };
    EXPECT_EQ((std::vector<std::string>{"KVR=0", "TQD=9"}), texts(Family::Kvr));
    EXPECT_EQ((std::vector<std::string>{"(leer)=1", "RUQ=0"}), texts(Family::Ruq));
    // No SEW entry for an empty position.
    EXPECT_EQ((std::vector<std::string>{"(leer)=0", "SEQ=3", "KVR=4", "GAT84=5", "LOG=6", "FJN=7",
                                        "JEL=8", "TQD=9", "NORV=10", "YOT=11", "DWB=12", "BAQ=13"}),
              texts(Family::Empty));
    EXPECT_TRUE(usageEntries(Family::NoModule).empty());
    EXPECT_TRUE(usageEntries(Family::Sew).empty());
}
