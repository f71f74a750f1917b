// The KVR generator's rules beyond the golden cases: step counts over many card lists, the
// column rules, the statement arithmetic and templates with missing markers.

#include "module_test_support.h"

#include "common/text/line_file.h"
#include "tarvik/modules/kvr_fct_handler.h"
#include "tarvik/modules/tqd_fct_handler.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tarvik;
using namespace testing_support;

namespace {

const std::string kSample =
    kw::readFileBytes(std::filesystem::path(KW_TEMPLATES_DIR) / "TM_SEL_TEMPLATE/kvr.fct").value();

RewriteResult rewrite(std::vector<CKvrInfo> list, const std::string& module, int systemType = 860) {
    return rewriteModule(std::make_unique<CKvrFctHandler>(std::move(list), systemType), module,
                         "kvr.fct");
}

} // namespace

TEST(KvrFctHandler, SampleTemplateAnnouncesExactlyTheStepsItWrites) {
    for (const auto& list : {kvrCards({1}), kvrCards({2, 3}), kvrCards({3, 1, 2, 0, 1, 3, 2, 1}),
                             kvrCards({1, 1, 1, 1, 1, 1, 1, 1, 2})}) {
        const auto result = rewrite(list, kSample);
        ASSERT_TRUE(result.processed);
        EXPECT_EQ(result.expectedSteps, result.stepsWritten) << list.size() << " cards";
    }
}

TEST(KvrFctHandler, TheNinthCardIsNotWritten) {
    const auto result = rewrite(kvrCards({1, 1, 1, 1, 1, 1, 1, 1, 3}), kSample);
    ASSERT_TRUE(result.processed);
    EXPECT_EQ(802, result.stepsWritten);
    EXPECT_NE(std::string::npos, result.output.find("  VARIABLE _KVR_8\r\n"));
    EXPECT_EQ(std::string::npos, result.output.find("  VARIABLE _KVR_9\r\n"));
    // The ninth card's supply does not show its column either.
    EXPECT_EQ(std::string::npos, result.output.find("Karte 9"));
}

TEST(KvrFctHandler, ColumnsOfSuppliesNoCardHasAreHidden) {
    const std::string module =
        templateHeader(1, {"Nr", "NgA", "NgB", "NgC", "Ng", "Ng@", "Mng", "MngA", "Ist"}) +
        templateStep(10, {"Schritt"}, {"TESTTYPE RESET"});
    // The first card has supplies, the second none, there is no third.
    EXPECT_EQ((std::vector<std::string>{"NgB", "NgC", "Mng", "MngA"}),
              hiddenColumns(rewrite(kvrCards({3, 1}), module).output));
    EXPECT_EQ((std::vector<std::string>{"NgA", "NgC", "Mng", "MngA"}),
              hiddenColumns(rewrite(kvrCards({0, 2}), module).output));
}

TEST(KvrFctHandler, StatementsFollowSupplyCardAndOffset) {
    const std::string module =
        templateHeader(5) + templateStep(100, {"{CARD_BEGIN}"}, {"TESTTYPE INIT"}) +
        templateStep(110, {"{TEST_NG_POS}"}, {"NGON5 1"}) +
        templateStep(120, {"{TEST_NG_NEG}"},
                     {"BUSSINITSTR {0350}", "BUSSINITSTR {0x86} ; Netzgerät", "NGON5 1",
                      "NGVOLTAGE5   7.5  ", "NGVOLTAGE5"}) +
        templateStep(130, {"{SEL_KVR_END}"}, {"TESTTYPE SELECT"}) +
        templateStep(200, {"{CARD_END}"},
                     {"TESTFAILDATA0 Modul: KVR, Schritt: 120, Kanal",
                      "TESTFAILDATA0 Modul: KVR, Schritt: x, ohne Nummer",
                      "TESTFAILDATA0 Modul: KVR, Schritt: 100000, Ende",
                      "TESTFAILDATA10 Modul: KVR, Schritt: 130, zweistellig"});
    // The second card is the ninth of the shared series: no supply number of its own.
    auto list = kvrCards({3, 3});
    list[1].cardNumber = 9;
    const auto steps = writtenSteps(rewrite(list, module).output);
    ASSERT_EQ(10u, steps.size());

    // The negative step, written for the second supply: octal and hexadecimal init values
    // are read and written back in decimal; the template's voltage is kept, trimmed.
    EXPECT_EQ(120, steps[2].number);
    EXPECT_EQ((std::vector<std::string>{"  BUSSINITSTR {231}", "  BUSSINITSTR {124}", "  NGON6 1",
                                        "  NGVOLTAGE6 7.5", "  NGVOLTAGE6 "}),
              steps[2].body);
    EXPECT_EQ("  NGON0 1", steps[7].statement("  NGON"));

    // Fail-data step numbers move with the card; lines without a number stay as they are.
    EXPECT_EQ(steps[4].body[0], "  TESTFAILDATA0 Modul: KVR, Schritt: 120, Kanal");
    EXPECT_EQ(2200, steps[9].number);
    EXPECT_EQ((std::vector<std::string>{"  TESTFAILDATA0 Modul: KVR, Schritt: 2120, Kanal",
                                        "  TESTFAILDATA0 Modul: KVR, Schritt: x, ohne Nummer",
                                        "  TESTFAILDATA0 Modul: KVR, Schritt: 100000, Ende",
                                        "  TESTFAILDATA10 Modul: KVR, Schritt: 2130, zweistellig"}),
              steps[9].body);
}

TEST(KvrFctHandler, WithoutACardBeginOnlyTheFirstCardIsWritten) {
    const std::string module = templateHeader(2) +
                               templateStep(100, {"Karte {c}"}, {"VARIABLE _KVR_1"}) +
                               templateStep(200, {"{CARD_END}"}, {"TESTTYPE RESET"});
    const auto result = rewrite(kvrCards({1, 1}), module);
    ASSERT_TRUE(result.processed);
    const auto steps = writtenSteps(result.output);
    ASSERT_EQ(2u, steps.size());
    EXPECT_EQ("Karte 1", steps[0].data[0]);
}

TEST(KvrFctHandler, WithoutCardsTheModuleIsNotProcessed) {
    const auto result = rewrite({}, kSample);
    EXPECT_FALSE(result.prepared);
    EXPECT_EQ(kSample, result.output);
}

TEST(KvrFctHandler, SameConfigurationGivesTheSameModuleEveryTime) {
    const auto list = kvrCards({3, 1, 2});
    const auto first = rewrite(list, kSample);
    rewrite(kvrCards({2, 2, 2, 2}), kSample);
    EXPECT_EQ(first.output, rewrite(list, kSample).output);
}

// A template announcing a huge step count: every card with supplies repeats the section, and
// the sum must saturate instead of overflowing into a wrong (negative) count.
TEST(KvrFctHandler, AHugeTemplateCountSaturates) {
    const std::string module =
        templateHeader(INT_MAX - 47, {"Nr"}) + templateStep(10, {"Schritt"}, {"TESTTYPE RESET"});
    for (const auto& list : {kvrCards({3}), kvrCards({3, 3}), kvrCards({3, 3, 3, 3, 3, 3, 3, 3})}) {
        const auto result = rewrite(list, module);
        ASSERT_TRUE(result.processed);
        EXPECT_EQ(INT_MAX, result.expectedSteps) << list.size() << " cards";
    }
}

// Every family number addresses its own card: the KVR part of a KVR860 and its TQD part, and
// a TQD card. The sample templates hold family numbers 1 and 2 only.
TEST(KvrAndTqdFctHandlers, BusAddressesOfEveryFamilyNumber) {
    struct Row {
        int familyNumber;
        int kvrAddress;
        int tqdAddress;
    };
    const Row rows[] = {{1, 112, 144}, {2, 114, 146}, {3, 116, 148}, {4, 118, 150},
                        {5, 40, 152},  {6, 42, 154},  {7, 44, 156},  {8, 46, 158}};
    const std::string kvrModule =
        templateHeader(2) +
        templateStep(100, {"{CARD_BEGIN}"}, {"BUSMADDRESS 112", "BUSSADDRESS 144"}) +
        templateStep(200, {"{CARD_END}"}, {"TESTTYPE RESET"});
    const std::string tqdModule = templateHeader(2) +
                                  templateStep(100, {"{CARD_BEGIN}"}, {"BUSMADDRESS 144"}) +
                                  templateStep(200, {"{CARD_END}"}, {"TESTTYPE RESET"});
    std::vector<CTqdInfo> tqdCards;
    for (const Row& row : rows) {
        tqdCards.push_back({row.familyNumber, 1, SupplyFit::none, 0});
    }
    const auto kvrSteps =
        writtenSteps(rewrite(kvrCards({1, 1, 1, 1, 1, 1, 1, 1}), kvrModule).output);
    const auto tqdSteps = writtenSteps(
        rewriteModule(std::make_unique<CTqdFctHandler>(tqdCards, 860), tqdModule, "tqd.fct")
            .output);
    ASSERT_EQ(16u, kvrSteps.size());
    ASSERT_EQ(16u, tqdSteps.size());
    for (const Row& row : rows) {
        const auto card = static_cast<std::size_t>(2 * (row.familyNumber - 1));
        EXPECT_EQ((std::vector<std::string>{"  BUSMADDRESS " + std::to_string(row.kvrAddress),
                                            "  BUSSADDRESS " + std::to_string(row.tqdAddress)}),
                  kvrSteps[card].body)
            << "KVR family number " << row.familyNumber;
        EXPECT_EQ(std::vector<std::string>{"  BUSMADDRESS " + std::to_string(row.tqdAddress)},
                  tqdSteps[card].body)
            << "TQD family number " << row.familyNumber;
    }
}

// A KVR860 generated as a TQD card takes the TQD selection values when another card of the
// list shares its family number, wherever that twin stands in the list (the last card too).
TEST(KvrFctHandler, ACardGeneratedAsTqdBeforeItsTwinTakesTheTqdValues) {
    struct Card {
        int familyNumber;
        bool asTqd;
    };
    struct Case {
        std::vector<Card> cards;
        std::vector<std::string> values; // the selection value each card writes
    };
    const Case cases[] = {
        {{{1, true}, {1, false}}, {"2.5", "1.5"}},
        {{{1, false}, {1, true}}, {"1.5", "2.5"}},
        {{{1, true}, {2, false}, {1, false}}, {"2.5", "1.5", "1.5"}},
        {{{1, true}, {2, false}}, {"1.5", "1.5"}},
    };
    const std::string module =
        templateHeader(2) +
        templateStep(100, {"{CARD_BEGIN}", "{SEL(KVR)=1.5}{SEL(TQD)=2.5}"}, {"VALUE 0"}) +
        templateStep(200, {"{CARD_END}"}, {"TESTTYPE RESET"});
    for (const Case& c : cases) {
        std::vector<CKvrInfo> list;
        for (const Card& card : c.cards) {
            const int n = static_cast<int>(list.size()) + 1;
            list.push_back({24 * n - 23, SupplyFit::none, n, card.familyNumber,
                            static_cast<std::uint8_t>(card.asTqd)});
        }
        const auto steps = writtenSteps(rewrite(list, module).output);
        ASSERT_EQ(2 * c.cards.size(), steps.size());
        for (std::size_t i = 0; i < c.cards.size(); ++i) {
            EXPECT_EQ("  VALUE " + c.values[i], steps[2 * i].statement("  VALUE"))
                << "card " << i + 1 << " of " << c.cards.size();
        }
    }
}
