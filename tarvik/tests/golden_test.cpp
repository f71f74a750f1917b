// Runs every golden case under data/: the case's handler rewrites its input module (or a
// sample template) and the result must equal the case's expected module byte for byte.
// With KW_UPDATE_GOLDEN=1 in the environment the expected files are written instead (check
// the difference before committing it).

#include "golden_input.h"
#include "module_test_support.h"
#include "recording_prog_handler.h"

#include "common/text/line_file.h"
#include "tarvik/modules/module_file_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

using namespace tarvik;

namespace fs = std::filesystem;

namespace {

const fs::path kDataDir = KW_TEST_DATA_DIR;
const fs::path kTemplatesDir = KW_TEMPLATES_DIR;

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kDataDir)) {
        if (fs::exists(entry.path() / "handler.txt")) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The case's file whose name (without extension) is `stem`; empty when there is none.
fs::path fileWithStem(const fs::path& dir, const std::string& stem) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().stem() == stem) {
            return entry.path();
        }
    }
    return {};
}

// Where two module texts first differ, as a readable message.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    const auto want = kw::splitLines(expected);
    const auto got = kw::splitLines(actual);
    for (std::size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
        const std::string w = i < want.size() ? want[i] : "<end>";
        const std::string g = i < got.size() ? got[i] : "<end>";
        if (w != g) {
            return "line " + std::to_string(i + 1) + ": expected \"" + w + "\", got \"" + g + "\"";
        }
    }
    return "line ends differ";
}

class GoldenTest : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(GoldenTest, WritesTheExpectedModule) {
    const fs::path dir = kDataDir / GetParam();
    const GoldenInput input = GoldenInput::parse(kw::readFileBytes(dir / "handler.txt").value());

    const std::string templateName = input.text("template");
    const fs::path inputPath =
        templateName.empty() ? fileWithStem(dir, "input") : kTemplatesDir / templateName;
    const auto inputBytes = kw::readFileBytes(inputPath);
    ASSERT_TRUE(inputBytes) << "no input module " << inputPath;

    auto handler = makeGoldenHandler(input);
    ASSERT_TRUE(handler) << "unknown handler \"" << input.text("handler") << "\"";
    const bool countPatch = input.flag("expect-count-patch");
    const bool declined = input.flag("expect-declined");
    for (const auto& key : input.unreadKeys()) {
        ADD_FAILURE() << "handler.txt key not used: " << key;
    }

    RecordingProgHandler progress;
    const auto result = testing_support::rewriteModule(std::move(handler), *inputBytes,
                                                       inputPath.filename().string());
    EXPECT_EQ(!declined, result.prepared);
    EXPECT_EQ(!declined, result.processed);

    fs::path expectedPath = fileWithStem(dir, "expected");
    if (std::getenv("KW_UPDATE_GOLDEN") != nullptr) {
        if (expectedPath.empty()) {
            expectedPath = dir / ("expected" + inputPath.extension().string());
        }
        std::ofstream(expectedPath, std::ios::binary) << result.output;
        return;
    }
    const auto expected = kw::readFileBytes(expectedPath);
    ASSERT_TRUE(expected) << "no expected module in " << dir;
    EXPECT_TRUE(*expected == result.output) << firstDifference(*expected, result.output);

    // One report per written step, counting up; the count line is right unless the case
    // says the template's count is off on purpose.
    ASSERT_EQ(static_cast<std::size_t>(result.stepsWritten), progress.reports.size());
    for (std::size_t i = 0; i < progress.reports.size(); ++i) {
        EXPECT_EQ(static_cast<int>(i + 1), progress.reports[i].first);
        EXPECT_EQ(result.expectedSteps, progress.reports[i].second);
    }
    if (!declined) {
        EXPECT_EQ(countPatch, result.expectedSteps != result.stepsWritten)
            << "announced " << result.expectedSteps << ", written " << result.stepsWritten;
    }

    // A second generator for the same input in the same process writes the same module:
    // nothing a generator learns from one module carries over into the next.
    const auto again = testing_support::rewriteModule(makeGoldenHandler(input), *inputBytes,
                                                      inputPath.filename().string());
    EXPECT_TRUE(again.output == result.output)
        << "second run: " << firstDifference(result.output, again.output);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTest, ::testing::ValuesIn(caseNames()),
                         [](const auto& caseInfo) { return caseInfo.param; });
