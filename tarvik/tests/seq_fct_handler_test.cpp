// The SEQ generator's relay lines and step counts.

#include "module_test_support.h"

#include "common/text/line_file.h"
#include "tarvik/modules/seq_fct_handler.h"

#include <gtest/gtest.h>

using namespace tarvik;
using namespace testing_support;

namespace {

const std::string kSample =
    kw::readFileBytes(std::filesystem::path(KW_TEMPLATES_DIR) / "TM_SEL_TEMPLATE/seq.fct").value();

// Cards as the run numbers them when the SEQ cards come first.
std::vector<CSeqInfo> cards(int count) {
    std::vector<CSeqInfo> list;
    for (int n = 1; n <= count; ++n) {
        list.push_back({24 * n - 23, 32 * n - 31, 32 * n - 31, n, n});
    }
    return list;
}

RewriteResult rewrite(std::vector<CSeqInfo> list) {
    return rewriteModule(std::make_unique<CSeqFctHandler>(860, std::move(list)), kSample,
                         "seq.fct");
}

} // namespace

TEST(SeqRelayLine, TablesByDirection) {
    EXPECT_EQ(35, CSeqFctHandler::relayLine(2, true));
    EXPECT_EQ(25, CSeqFctHandler::relayLine(2, false));
    EXPECT_EQ(36, CSeqFctHandler::relayLine(1, true));
    EXPECT_EQ(42, CSeqFctHandler::relayLine(32, true));
    EXPECT_EQ(32, CSeqFctHandler::relayLine(32, false));
    EXPECT_EQ(-1, CSeqFctHandler::relayLine(0, true));
    EXPECT_EQ(-1, CSeqFctHandler::relayLine(33, false));
}

TEST(SeqFctHandler, SampleTemplateAnnouncesExactlyTheStepsItWrites) {
    for (int count : {1, 2, 8, 9}) {
        const auto result = rewrite(cards(count));
        ASSERT_TRUE(result.processed);
        EXPECT_EQ(result.expectedSteps, result.stepsWritten) << count << " cards";
    }
    // A SEQ card behind SEW cards holds no relays from 1: it runs the other relay set.
    auto behindSew = cards(1);
    behindSew[0].relayBase = 97;
    const auto result = rewrite(behindSew);
    EXPECT_EQ(result.expectedSteps, result.stepsWritten);
    const auto steps = writtenSteps(result.output);
    ASSERT_GE(steps.size(), 36u);
    EXPECT_EQ("  HIGH 97", steps[33].statement("  HIGH "));
    EXPECT_EQ("  LOW 98", steps[33].statement("  LOW "));
}

TEST(SeqFctHandler, TheNinthCardIsNotWritten) {
    const auto result = rewrite(cards(9));
    EXPECT_NE(std::string::npos, result.output.find("  VARIABLE _SEQ_8\r\n"));
    EXPECT_EQ(std::string::npos, result.output.find("  VARIABLE _SEQ_9\r\n"));
}
