// The SEW generator's relay contacts and its behaviour on long and odd card lists.

#include "module_test_support.h"

#include "common/text/line_file.h"
#include "tarvik/modules/sew_fct_handler.h"

#include <gtest/gtest.h>

#include <set>

using namespace tarvik;
using namespace testing_support;

namespace {

const std::string kSample =
    kw::readFileBytes(std::filesystem::path(KW_TEMPLATES_DIR) / "TM_SEL_TEMPLATE/sew.fct").value();

RewriteResult rewrite(std::vector<CSewInfo> list, const std::string& module = kSample) {
    return rewriteModule(std::make_unique<CSewFctHandler>(860, std::move(list)), module, "sew.fct");
}

int location(int kind, int count, int relay, bool highToLow) {
    return CSewFctHandler::relayLocation(CSewInfo{1, count, static_cast<RelayKind>(kind)}, relay,
                                         highToLow);
}

} // namespace

TEST(SewRelayLocation, Sew84ContactsOfTheFirst64RelaysArePermutations) {
    std::set<int> lowToHigh;
    std::set<int> highToLow;
    for (int relay = 1; relay <= 64; ++relay) {
        lowToHigh.insert(location(3, 64, relay, false));
        highToLow.insert(location(3, 64, relay, true));
    }
    EXPECT_EQ(64u, lowToHigh.size());
    EXPECT_EQ(1, *lowToHigh.begin());
    EXPECT_EQ(64, *lowToHigh.rbegin());
    EXPECT_EQ(64u, highToLow.size());
    EXPECT_EQ(65, *highToLow.begin());
    EXPECT_EQ(128, *highToLow.rbegin());
}

TEST(SewRelayLocation, KnownContactsOfEachKind) {
    EXPECT_EQ(43, location(3, 96, 2, false));
    EXPECT_EQ(107, location(3, 96, 2, true));
    EXPECT_EQ(58, location(3, 96, 17, false));
    EXPECT_EQ(247, location(3, 96, 65, false));
    EXPECT_EQ(253, location(3, 96, 65, true));  // fields 0 and 1: 6 further
    EXPECT_EQ(217, location(3, 96, 67, false)); // field 2: 10 further
    EXPECT_EQ(227, location(3, 96, 67, true));
    EXPECT_EQ(249, location(3, 96, 96, false));
    // SEW28 and SEW28/56: relays above 32 in the second block, high to low 32 further.
    EXPECT_EQ(5, location(1, 32, 5, false));
    EXPECT_EQ(37, location(1, 32, 5, true));
    EXPECT_EQ(97, location(2, 64, 33, false));
    EXPECT_EQ(129, location(2, 64, 33, true));
    // Unknown kind, relays outside the card.
    EXPECT_EQ(-1, location(0, 32, 5, false));
    EXPECT_EQ(-1, location(1, 32, 33, false));
    EXPECT_EQ(-1, location(3, 96, 0, true));
}

TEST(SewFctHandler, SampleTemplateAnnouncesExactlyTheStepsItWrites) {
    std::vector<CSewInfo> thirty;
    int relayBase = 33; // behind a SEQ card
    for (int i = 0; i < 30; ++i) {
        const int count = 32 * (i % 3 + 1);
        thirty.push_back({relayBase, count, static_cast<RelayKind>(i % 4)});
        relayBase += count;
    }
    for (const auto& list :
         {std::vector<CSewInfo>{{1, 64, RelayKind::sew28_56}, {65, 96, RelayKind::sew84}},
          thirty}) {
        const auto result = rewrite(list);
        ASSERT_TRUE(result.processed);
        EXPECT_EQ(result.expectedSteps, result.stepsWritten) << list.size() << " cards";
    }
    // The first card takes the numbers of the first-card steps; the thirtieth is numbered 28
    // blocks above the further-card steps.
    const auto steps = writtenSteps(rewrite(thirty).output);
    EXPECT_NE(steps.end(), std::find_if(steps.begin(), steps.end(),
                                        [](const auto& s) { return s.number == 58020; }));
}

TEST(SewFctHandler, ACardClaimingTooFewRelaysIsWrittenOnce) {
    const auto result = rewrite({{1, 1, RelayKind::sew28}, {2, 0, RelayKind::other}});
    ASSERT_TRUE(result.processed);
    EXPECT_EQ(result.expectedSteps, result.stepsWritten);
    // Steps 5, 20, 30, 40, then 2020, 2030, 2040 for the second card, then the two closing.
    EXPECT_EQ(9, result.stepsWritten);
}

TEST(SewFctHandler, SameConfigurationGivesTheSameModuleEveryTime) {
    const std::vector<CSewInfo> list{{33, 32, RelayKind::sew28}, {65, 64, RelayKind::sew84}};
    const auto first = rewrite(list);
    rewrite({{1, 96, RelayKind::sew84}});
    EXPECT_EQ(first.output, rewrite(list).output);
}
