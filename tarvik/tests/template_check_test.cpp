// The sample template modules shipped beside tarvik are files the test system reads: CR LF
// line ends, Windows-1252 text, and a header step count that matches the steps they hold.

#include "common/text/line_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

const std::set<std::string> kModuleExtensions = {".fct", ".ict", ".icn", ".rst"};

std::vector<fs::path> templateModules() {
    std::vector<fs::path> modules;
    for (const auto& entry : fs::recursive_directory_iterator(KW_TEMPLATES_DIR)) {
        if (entry.is_regular_file() && kModuleExtensions.count(entry.path().extension().string())) {
            modules.push_back(entry.path());
        }
    }
    return modules;
}

// Whether the bytes hold an umlaut encoded as UTF-8 (the templates are Windows-1252).
bool hasUtf8Umlaut(const std::string& bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const auto next = static_cast<unsigned char>(bytes[i + 1]);
        if ((lead == 0xC3 || lead == 0xC2) && next >= 0x80 && next <= 0xBF) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(SampleTemplates, AreWellFormedModules) {
    const auto modules = templateModules();
    ASSERT_GE(modules.size(), 18u);
    for (const auto& module : modules) {
        SCOPED_TRACE(module.string());
        const std::string bytes = kw::readFileBytes(module).value();
        ASSERT_FALSE(bytes.empty());
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "LF without CR at byte " << i;
            }
        }
        EXPECT_TRUE(bytes.ends_with("\r\n"));
        EXPECT_FALSE(hasUtf8Umlaut(bytes));

        const auto lines = kw::splitLines(bytes);
        int steps = 0;
        int announced = -1;
        bool inStep = false;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i] == "END_COL_INFO_RUN" && i + 1 < lines.size()) {
                announced = std::stoi(lines[i + 1]);
            } else if (lines[i] == "BEGINSTEP") {
                EXPECT_FALSE(inStep) << "BEGINSTEP inside a step, line " << i + 1;
                inStep = true;
                ++steps;
            } else if (lines[i] == "ENDSTEP") {
                EXPECT_TRUE(inStep) << "ENDSTEP outside a step, line " << i + 1;
                inStep = false;
            }
        }
        EXPECT_FALSE(inStep);
        EXPECT_EQ(announced, steps);
    }
}
