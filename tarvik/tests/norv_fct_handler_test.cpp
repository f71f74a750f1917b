// The NORV generator's card-section blocks and step counts.

#include "module_test_support.h"

#include "common/text/line_file.h"
#include "tarvik/modules/norv_fct_handler.h"

#include <gtest/gtest.h>

using namespace tarvik;
using namespace testing_support;

namespace {

const std::string kSample =
    kw::readFileBytes(std::filesystem::path(KW_TEMPLATES_DIR) / "TM_SEL_TEMPLATE/norv.fct").value();

std::vector<CNorvInfo> cards(int count) {
    std::vector<CNorvInfo> list;
    for (int n = 1; n <= count; ++n) {
        list.push_back({24 * n - 23, 32 * n - 31, n, n});
    }
    return list;
}

RewriteResult rewrite(std::vector<CNorvInfo> list, const std::string& module = kSample) {
    return rewriteModule(std::make_unique<CNorvFctHandler>(std::move(list)), module, "norv.fct");
}

std::vector<int> numbers(const std::string& module) {
    std::vector<int> result;
    for (const auto& step : writtenSteps(module)) {
        result.push_back(step.number);
    }
    return result;
}

} // namespace

TEST(NorvFctHandler, SampleTemplateAnnouncesExactlyTheStepsItWrites) {
    for (int count : {1, 2, 5, 8, 9}) {
        const auto result = rewrite(cards(count));
        ASSERT_TRUE(result.processed);
        EXPECT_EQ(result.expectedSteps, result.stepsWritten) << count << " cards";
    }
    EXPECT_EQ(std::string::npos, rewrite(cards(9)).output.find("_NORV_9"));
}

TEST(NorvFctHandler, EachModuleSizesItsBlockFromItsOwnFirstCard) {
    const std::string longSection = templateHeader(2) +
                                    templateStep(100, {"{CARD_BEGIN}"}, {"VARIABLE _NORV_1"}) +
                                    templateStep(2350, {"{CARD_END}"}, {"TESTTYPE RESET"});
    EXPECT_EQ((std::vector<int>{100, 2350, 3100, 5350}),
              numbers(rewrite(cards(2), longSection).output));
    // A later module in the same process with a shorter section gets blocks of 1000 again.
    const auto steps = numbers(rewrite(cards(2)).output);
    EXPECT_EQ(1100, steps[36]);
    EXPECT_EQ(1900, steps[70]);
}
