// The TQD generator's rules beyond the golden cases: step counts over many card lists, the
// column rule and the supply statements of a later card.

#include "module_test_support.h"

#include "common/text/line_file.h"
#include "tarvik/modules/tqd_fct_handler.h"

#include <gtest/gtest.h>

using namespace tarvik;
using namespace testing_support;

namespace {

const std::string kSample =
    kw::readFileBytes(std::filesystem::path(KW_TEMPLATES_DIR) / "TM_SEL_TEMPLATE/tqd.fct").value();

// Cards with family numbers counting up from 1 and channel bases as the run gives them.
std::vector<CTqdInfo> cards(std::initializer_list<std::pair<int, int>> fitsAndSense) {
    std::vector<CTqdInfo> list;
    int channelBase = 1;
    for (const auto& [fit, sense] : fitsAndSense) {
        list.push_back({static_cast<int>(list.size()) + 1, channelBase, static_cast<SupplyFit>(fit),
                        static_cast<std::uint8_t>(sense)});
        channelBase += fit == 4 ? 72 : 48;
    }
    return list;
}

RewriteResult rewrite(std::vector<CTqdInfo> list, const std::string& module) {
    return rewriteModule(std::make_unique<CTqdFctHandler>(std::move(list), 860), module, "tqd.fct");
}

} // namespace

TEST(TqdFctHandler, SampleTemplateAnnouncesExactlyTheStepsItWrites) {
    for (const auto& list :
         {cards({{1, 0}}), cards({{2, 1}, {3, 0}}), cards({{4, 0}, {2, 0}, {3, 1}, {0, 0}}),
          cards({{1, 0}, {2, 0}, {3, 0}, {4, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 0}, {3, 0}})}) {
        const auto result = rewrite(list, kSample);
        ASSERT_TRUE(result.processed);
        EXPECT_EQ(result.expectedSteps, result.stepsWritten) << list.size() << " cards";
    }
}

TEST(TqdFctHandler, TheNinthCardIsNotWritten) {
    const auto result = rewrite(
        cards({{1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {2, 0}}), kSample);
    EXPECT_NE(std::string::npos, result.output.find("  VARIABLE _TQD_8\r\n"));
    EXPECT_EQ(std::string::npos, result.output.find("  VARIABLE _TQD_9\r\n"));
    EXPECT_EQ(std::string::npos, result.output.find("  NGON"));
}

TEST(TqdFctHandler, OnlyMngColumnsOfCardsWithoutSuppliesAreHidden) {
    const std::string module =
        templateHeader(1, {"MngA", "MngB", "MngC", "Mng", "Mng@", "NgB", "Ist"}) +
        templateStep(10, {"Schritt"}, {"TESTTYPE RESET"});
    EXPECT_EQ((std::vector<std::string>{"MngB", "MngC"}),
              hiddenColumns(rewrite(cards({{3, 0}, {4, 0}}), module).output));
}

TEST(TqdFctHandler, LaterCardsCountSuppliesAndMonitorsOn) {
    const std::string module =
        templateHeader(3) + templateStep(100, {"{CARD_BEGIN}"}, {"VARIABLE _TQD_1"}) +
        templateStep(110, {"{TEST_NG_POS}Netzgerät {n}"},
                     {"NGON31 1", "NGCURRENT31  0.25 ", "NGVOLTAGE31", "MONITORTYPE 36",
                      "MONITORTYPE 37", "MONITORTYPE 38", "BUSSADDRESS 999"}) +
        templateStep(200, {"{CARD_END}"}, {"TESTTYPE RESET"});
    const auto steps = writtenSteps(rewrite(cards({{3, 0}, {3, 0}}), module).output);
    ASSERT_EQ(6u, steps.size());
    EXPECT_EQ("  VARIABLE _TQD_2", steps[3].body[0]);
    EXPECT_EQ("Netzgerät B1", steps[4].data[0]);
    EXPECT_EQ(2110, steps[4].number);
    EXPECT_EQ((std::vector<std::string>{"  NGON33 1", "  NGCURRENT33 0.25", "  NGVOLTAGE33 ",
                                        "  MONITORTYPE 40", "  MONITORTYPE 41", "  MONITORTYPE 38",
                                        "  BUSSADDRESS 146"}),
              steps[4].body);
}
