// The handler base through real files: the rules for single lines as small inline fixtures,
// the file handling (".tmp", restoring a failed module) and the runaway guard. The golden
// folders under data/ cover whole modules.

#include "module_test_support.h"
#include "recording_prog_handler.h"
#include "scripted_handler.h"

#include "common/text/line_file.h"
#include "tarvik/modules/conditional_steps.h"
#include "tarvik/modules/step_recording.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace tarvik;

namespace fs = std::filesystem;
using testing_support::crlf;
using testing_support::lf;
using testing_support::rewriteModule;

namespace {

std::string rewrite(std::string_view input, HandlerScript script = {}) {
    auto result = rewriteModule(std::make_unique<ScriptedHandler>(std::move(script)), input);
    EXPECT_TRUE(result.processed);
    return result.output;
}

// A step with a number and a body.
std::string step(int number, std::string_view body = "  VALUE 1") {
    return lf({"BEGINSTEP", "X_S_D", "NO", std::to_string(number), "X_E_D", "X_END"}) +
           std::string(body) + "\nENDSTEP\n";
}

std::string writtenStep(int number, std::string_view body = "  VALUE 1") {
    return crlf({"BEGINSTEP", "X_S_D", "NO", std::to_string(number), "X_E_D", "X_END"}) +
           std::string(body) + "\r\nENDSTEP\r\n";
}

const std::string kHeader = lf({"MODULE test.fct", "END_COL_INFO_RUN", "2"});
const std::string kWrittenHeader = crlf({"MODULE test.fct", "END_COL_INFO_RUN", "2     "});

} // namespace

TEST(ModuleFileHandler, CopiesBytesAndWritesCrLfWhateverTheInputLineEnds) {
    const std::string header = "MODULE \xE4\xF6\xFC\x81 caf\xE9";
    EXPECT_EQ(crlf({header, "  x\ty"}) + writtenStep(10),
              rewrite(header + "\n  x\ty\r\n" + step(10)));
    std::string converted;
    for (char c : step(10)) {
        converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(writtenStep(10), rewrite(converted));
    // A module without steps and without a final line end is copied unchanged.
    EXPECT_EQ(crlf({"A", "", "B"}), rewrite("A\n\nB"));
}

TEST(ModuleFileHandler, WritesOnlyStepsAfterTheFirstStep) {
    const std::string input = "HEADER\n\n" + step(10) + "\n\nstray text\n" + step(20) + "\n\n";
    EXPECT_EQ(crlf({"HEADER", ""}) + writtenStep(10) + writtenStep(20), rewrite(input));
    // Blank body lines go; a blank data line stays.
    EXPECT_EQ(crlf({"BEGINSTEP", "X_S_D", "NO", "1", "X_E_D", "X_S_D", "DATA", "", "X_E_D", "X_END",
                    "  A", "ENDSTEP"}),
              rewrite(lf({"BEGINSTEP", "X_S_D", "NO", "1", "X_E_D", "X_S_D", "DATA", "", "X_E_D",
                          "X_END", "", "  A", "", "ENDSTEP"})));
    // A step cut off by the end of the file is not written.
    EXPECT_EQ(writtenStep(10), rewrite(step(10) + lf({"BEGINSTEP", "X_S_D", "NO", "20"})));
}

TEST(ModuleFileHandler, CountLineGetsAddedStepsAndIsPatchedToTheWrittenCount) {
    const std::string input = lf({"H", "END_COL_INFO_RUN", "12 steps"}) + step(10) + step(20);
    HandlerScript plusFour;
    plusFour.addedSteps = 4;
    EXPECT_EQ(crlf({"H", "END_COL_INFO_RUN", "2     "}) + writtenStep(10) + writtenStep(20),
              rewrite(input, plusFour));

    // 16 announced and 16 written: the announced line stays.
    std::string sixteen = lf({"H", "END_COL_INFO_RUN", "12"});
    for (int i = 1; i <= 16; ++i) {
        sixteen += step(i);
    }
    auto result = rewriteModule(std::make_unique<ScriptedHandler>(plusFour), sixteen);
    EXPECT_TRUE(result.output.starts_with(crlf({"H", "END_COL_INFO_RUN", "16    "})));
    EXPECT_EQ(16, result.expectedSteps);
    EXPECT_EQ(16, result.stepsWritten);

    // A count wider than six digits keeps its width when patched: no digits left over.
    HandlerScript huge;
    huge.addedSteps = 1000000;
    EXPECT_EQ(crlf({"H", "END_COL_INFO_RUN", "1      "}) + writtenStep(10),
              rewrite(lf({"H", "END_COL_INFO_RUN", "5"}) + step(10), huge));
    // A number beyond the int range is clamped instead of overflowing.
    HandlerScript none;
    EXPECT_EQ(crlf({"END_COL_INFO_RUN", "1         "}) + writtenStep(1),
              rewrite(lf({"END_COL_INFO_RUN", "99999999999999999999"}) + step(1), none));
}

TEST(ModuleFileHandler, CountLineOnlyCountsInTheHeader) {
    // END_COL_INFO_RUN with no count before the first step: the step's number line is not
    // taken for the count, and nothing is patched into the steps.
    const std::string input = lf({"END_COL_INFO_RUN"}) + step(10) + step(20);
    EXPECT_EQ(crlf({"END_COL_INFO_RUN"}) + writtenStep(10) + writtenStep(20), rewrite(input));
    const std::string late = step(10) + lf({"END_COL_INFO_RUN", "7"}) + step(20);
    EXPECT_EQ(writtenStep(10) + writtenStep(20), rewrite(late));
}

TEST(ModuleFileHandler, RenumbersWithoutSpendingNumbersOnDroppedSteps) {
    const std::string input = kHeader + step(10) + step(20) + step(30) + step(40) + step(50);
    HandlerScript script;
    script.nextNumbers[10] = 2010; // from the step after 10 on
    script.drops.insert(30);
    EXPECT_EQ(crlf({"MODULE test.fct", "END_COL_INFO_RUN", "4     "}) + writtenStep(10) +
                  writtenStep(2010) + writtenStep(2020) + writtenStep(2030),
              rewrite(input, script));

    HandlerScript offset;
    offset.numberOffsets[10] = 4000;
    EXPECT_EQ(kWrittenHeader + writtenStep(10) + writtenStep(4020),
              rewrite(kHeader + step(10) + step(20), offset));
}

TEST(ModuleFileHandler, RepeatsAStepBySeekingBack) {
    HandlerScript script;
    script.repeats[20] = 3;
    const std::string input = kHeader + step(10) + step(20, "  VALUE \xB5") + step(30);
    EXPECT_EQ(crlf({"MODULE test.fct", "END_COL_INFO_RUN", "5     "}) + writtenStep(10) +
                  writtenStep(20, "  VALUE \xB5") + writtenStep(30, "  VALUE \xB5") +
                  writtenStep(40, "  VALUE \xB5") + writtenStep(50),
              rewrite(input, script));
}

TEST(ModuleFileHandler, BodyHooksDeleteSplitAndStop) {
    HandlerScript script;
    script.deletedBody.push_back("  LOWER");
    script.bodySplits["  VALUE"] = "  EXTRA 1";
    script.bodyDoneAfter.insert(10);
    const std::string body = "  VALUE 1\n  LOWER 0\n  UPPER 2";
    EXPECT_EQ(writtenStep(10, "  VALUE 1\r\n  EXTRA 1\r\n  UPPER 2") +
                  writtenStep(20, "  VALUE 1\r\n  LOWER 0\r\n  UPPER 2"),
              rewrite(step(10, body) + step(20, body), script));
}

TEST(ModuleFileHandler, OffersDataLinesAfterAKeyOtherThanNo) {
    auto handler = std::make_unique<ScriptedHandler>(HandlerScript{});
    ScriptedHandler* raw = handler.get();
    testing_support::ScratchDir dir;
    const fs::path module = dir.path() / "m.fct";
    {
        std::ofstream out(module, std::ios::binary);
        out << lf({"BEGINSTEP", "X_S_D", "NO", "10", "not data", "X_E_D", "X_S_D", "DATA",
                   "{SW(860)=1}", "NO", "X_E_D", "header line", "X_END", "  BODY", "ENDSTEP"});
    }
    ASSERT_TRUE(handler->Open(module));
    ASSERT_TRUE(handler->Process());
    EXPECT_EQ((std::vector<std::string>{"{SW(860)=1}", "NO"}), raw->dataLines);
}

TEST(ModuleFileHandler, HidesAColumnByPatchingItsShowFlag) {
    HandlerScript script;
    script.hiddenColumns = {"Ist", "Mng"};
    const std::string columns =
        lf({"MODULE", "S_COL", "{SHOW,1}", "{WIDTH,80}", "{HEADER,Ist}", "{SHOW,1}",
            "{HEADER,Soll}", "{SHOW,0}", "{HEADER,Mng}", "{SHOW,1}", "{HEADER,Mng", "E_COL"});
    EXPECT_EQ(
        crlf({"MODULE", "S_COL", "{SHOW,0}", "{WIDTH,80}", "{HEADER,Ist}", "{SHOW,1}",
              "{HEADER,Soll}", "{SHOW,0}", "{HEADER,Mng}", "{SHOW,1}", "{HEADER,Mng", "E_COL"}) +
            writtenStep(10),
        rewrite(columns + step(10), script));
    // A column block after the first step is not written and patches nothing.
    const std::string late =
        step(10) + lf({"S_COL", "{SHOW,1}", "{HEADER,Ist}", "E_COL"}) + step(20);
    EXPECT_EQ(writtenStep(10) + writtenStep(20), rewrite(late, script));
}

TEST(ModuleFileHandler, ReportsEveryWrittenStepToTheRegisteredReporter) {
    RecordingProgHandler progress;
    HandlerScript script;
    script.drops.insert(20);
    script.addedSteps = -1;
    rewrite(lf({"END_COL_INFO_RUN", "3"}) + step(10) + step(20) + step(30), script);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}), progress.reports);

    // Without a count line the total stays 1.
    RecordingProgHandler second;
    rewrite(step(10) + step(20));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 1}, {2, 1}}), second.reports);
}

TEST(ModuleFileHandler, ReplacesTheModuleAndLeavesNoTmp) {
    testing_support::ScratchDir dir;
    const fs::path module = dir.path() / "kvr.fct";
    ASSERT_TRUE(kw::writeLineFile(module, {"HEADER"}));
    {
        CModuleFileHandler handler;
        ASSERT_TRUE(handler.Open(module));
        EXPECT_EQ(fs::absolute(module).string() + ".tmp", handler.tempPath().string());
        EXPECT_TRUE(fs::exists(handler.tempPath()));
        EXPECT_FALSE(handler.Open(module)); // once only
        ASSERT_TRUE(handler.Process());
        EXPECT_FALSE(handler.Process());
        EXPECT_EQ(CModuleFileHandler::Failure::alreadyProcessed, handler.failure());
    }
    EXPECT_EQ("kvr.fct", dir.listing());
}

TEST(ModuleFileHandler, OpenFailsForMissingFilesAndFolders) {
    testing_support::ScratchDir dir;
    CModuleFileHandler missing;
    EXPECT_FALSE(missing.Open(dir.path() / "absent.fct"));
    EXPECT_FALSE(missing.Process());
    EXPECT_EQ(CModuleFileHandler::Failure::notOpen, missing.failure());
    fs::create_directory(dir.path() / "folder.fct");
    CModuleFileHandler folder;
    EXPECT_FALSE(folder.Open(dir.path() / "folder.fct"));
    EXPECT_EQ("folder.fct", dir.listing());
}

TEST(ModuleFileHandler, RestoresTheOriginalWhenNotProcessed) {
    testing_support::ScratchDir dir;
    const fs::path module = dir.path() / "reset.rst";
    ASSERT_TRUE(kw::writeLineFile(module, {"ORIGINAL"}));
    {
        CModuleFileHandler handler;
        ASSERT_TRUE(handler.Open(module));
    }
    EXPECT_EQ("ORIGINAL\r\n", kw::readFileBytes(module).value());
    EXPECT_EQ("reset.rst", dir.listing());
}

namespace {

// A generator fault: the step is read again and again and never written.
class EndlessDropHandler : public CModuleFileHandler {
protected:
    void OnEndStep(int, std::int64_t stepStart) override {
        dropSteps(true);
        SeekInput(stepStart);
    }
};

// A generator fault: the step is written again and again.
class EndlessRepeatHandler : public CModuleFileHandler {
protected:
    void OnEndStep(int, std::int64_t stepStart) override { SeekInput(stepStart); }
};

// A generator fault that throws out of a hook.
class ThrowingHandler : public CModuleFileHandler {
protected:
    void OnBodyLine(std::string& line) override { line = line.substr(100); }
};

} // namespace

TEST(ModuleFileHandler, FailsARunawayGeneratorAndRestoresTheModule) {
    const std::string input = kHeader + step(10) + step(20);
    auto dropping = rewriteModule(std::make_unique<EndlessDropHandler>(), input);
    EXPECT_FALSE(dropping.processed);
    EXPECT_EQ(CModuleFileHandler::Failure::runaway, dropping.failure);
    EXPECT_EQ(input, dropping.output); // original bytes, no ".tmp" left

    auto repeating =
        rewriteModule(std::make_unique<EndlessRepeatHandler>(), "BEGINSTEP\nENDSTEP\n");
    EXPECT_FALSE(repeating.processed);
    EXPECT_EQ(CModuleFileHandler::Failure::runaway, repeating.failure);
    EXPECT_EQ(CModuleFileHandler::kMaxSteps + 1, repeating.stepsWritten);
    EXPECT_EQ("BEGINSTEP\nENDSTEP\n", repeating.output);

    auto throwing = rewriteModule(std::make_unique<ThrowingHandler>(), step(10));
    EXPECT_FALSE(throwing.processed);
    EXPECT_EQ(CModuleFileHandler::Failure::internal, throwing.failure);
    EXPECT_EQ(step(10), throwing.output);
}

TEST(ModuleFileHandler, HandlesHugeNumbersAndLongLines) {
    const std::string longLine = "  TEXT " + std::string(3 << 20, 'x');
    HandlerScript script;
    script.nextNumbers[2147483647] = 2147483640;
    EXPECT_EQ(writtenStep(2147483647, longLine) + writtenStep(2147483640) + writtenStep(2147483647),
              rewrite(step(2147483647, longLine) +
                          lf({"BEGINSTEP", "X_S_D", "NO", "-99999999999999", "X_E_D", "X_END",
                              "  VALUE 1", "ENDSTEP"}) +
                          step(7),
                      script));
}

TEST(ConditionalSteps, DropsOnlyTheMarkedStepWhoseConditionHolds) {
    ConditionalSteps steps;
    steps.add("{IGNORE_IST}", true);
    steps.add("{IGNORE_CAL}", false);
    std::string line = "Messung {IGNORE_CAL}{IGNORE_CAL}";
    steps.takeMarkers(line);
    EXPECT_EQ("Messung ", line);
    EXPECT_FALSE(steps.endStep());
    line = "{IGNORE_IST} {IGNORE_CAL}";
    steps.takeMarkers(line);
    EXPECT_EQ(" ", line);
    EXPECT_TRUE(steps.endStep());
    EXPECT_FALSE(steps.endStep()); // the next step is decided afresh
    steps.takeMarkers(line = "{IGNORE_IST}");
    steps.reset();
    EXPECT_FALSE(steps.endStep());
}

namespace {

// A generator whose every decision comes from a seeded random source: it changes lines by how
// often it has been called, reads steps again, drops and renumbers them, and now and then
// seeks or finishes the body in the middle of a step. With `readEveryLine` it also seeks the
// input to where it stands at every line it is given, which changes nothing but keeps the base
// from reading any step from what it kept of an earlier reading.
class RandomDecisionHandler : public CModuleFileHandler {
public:
    RandomDecisionHandler(unsigned seed, bool readEveryLine, std::vector<std::string>& calls)
        : m_random(seed), m_readEveryLine(readEveryLine), m_calls(calls) {}

protected:
    void OnDataLine(std::string& line) override { hook("D", line); }
    void OnBodyLine(std::string& line) override { hook("B", line); }

    void OnEndStep(int stepNumber, std::int64_t stepStart) override {
        m_calls.push_back("E " + std::to_string(stepNumber) + " " + std::to_string(stepStart) +
                          " " + std::to_string(InputPosition()));
        dropSteps(chance(5));
        if (chance(10)) {
            numberFrom(chance(2) ? 0 : 10 * static_cast<int>(pick(50)));
        }
        if (chance(10)) {
            raiseNumbersBy(static_cast<int>(pick(3)) * 1000);
        }
        if (m_rewinds < 60 && chance(2)) {
            ++m_rewinds;
            SeekInput(chance(6) && !m_marks.empty() ? m_marks[pick(m_marks.size())] : stepStart);
        }
    }

private:
    void hook(const char* kind, std::string& line) {
        m_calls.push_back(std::string(kind) + " " + line + " " + std::to_string(InputPosition()));
        if (m_readEveryLine) {
            SeekInput(InputPosition());
        }
        m_marks.push_back(InputPosition());
        switch (pick(12)) {
        case 0:
            line.clear();
            break;
        case 1:
            line += "\n  SPLIT " + std::to_string(m_calls.size());
            break;
        case 2:
            if (m_rewinds < 60) {
                ++m_rewinds;
                SeekInput(m_marks[pick(m_marks.size())]);
            }
            break;
        case 3:
            if (chance(8)) {
                finishBody();
            }
            break;
        default:
            line += " " + std::to_string(m_calls.size());
        }
    }

    bool chance(unsigned in) { return pick(in) == 0; }
    std::size_t pick(std::size_t below) { return m_random() % below; }

    std::mt19937 m_random;
    bool m_readEveryLine;
    std::vector<std::string>& m_calls;
    std::vector<std::int64_t> m_marks;
    int m_rewinds = 0;
};

// A module of a few steps in the shapes templates have and some they should not have: data
// blocks with and without a closing line, steps without a body or an end, empty body lines,
// text before the first block and between steps, LF or CR LF.
std::string randomModule(std::mt19937& random) {
    const auto pick = [&](std::size_t below) { return random() % below; };
    std::vector<std::string> lines = {"MODULE x", "END_COL_INFO_RUN", "9"};
    const std::size_t steps = 2 + pick(5);
    for (std::size_t s = 0; s < steps; ++s) {
        lines.emplace_back("BEGINSTEP");
        if (pick(6) == 0) {
            lines.emplace_back("stray"); // data, when the step before left its block open
        }
        lines.insert(lines.end(), {"X_S_D", "NO", std::to_string(10 * (s + 1))});
        if (pick(8) != 0) {
            lines.emplace_back("X_E_D");
        }
        for (std::size_t block = pick(3); block > 0; --block) {
            lines.insert(lines.end(), {"X_S_D", pick(2) ? "DATA" : "NO", "{SW(860)=1}", "text"});
            if (pick(6) != 0) {
                lines.emplace_back("X_E_D");
            }
        }
        if (pick(6) != 0) {
            lines.emplace_back("X_END");
        }
        for (std::size_t body = pick(5); body > 0; --body) {
            lines.push_back(pick(5) == 0 ? "" : "  VALUE " + std::to_string(pick(100)));
        }
        if (pick(10) != 0) {
            lines.emplace_back("ENDSTEP");
        }
        if (pick(3) == 0) {
            lines.emplace_back(pick(2) ? "" : "between");
        }
    }
    const std::string end = pick(2) ? "\n" : "\r\n";
    std::string text;
    for (const std::string& line : lines) {
        text += line + end;
    }
    return text;
}

} // namespace

// Steps read again are served from what the first reading kept; a generator must not be able
// to tell: the same module, the same hook calls with the same lines and input positions.
TEST(ModuleFileHandler, AStepReadAgainGivesTheHooksWhatReadingItLineByLineGives) {
    testing_support::ScratchDir dir;
    std::mt19937 random(19);
    for (unsigned seed = 0; seed < 400; ++seed) {
        const fs::path source = dir.path() / "source.fct";
        {
            std::ofstream out(source, std::ios::binary);
            out << randomModule(random);
        }
        std::string written[2];
        std::vector<std::string> calls[2];
        bool processed[2] = {};
        for (int lineByLine = 0; lineByLine < 2; ++lineByLine) {
            const fs::path target = dir.path() / ("target" + std::to_string(lineByLine));
            RandomDecisionHandler handler(seed, lineByLine == 1, calls[lineByLine]);
            ASSERT_TRUE(handler.Open(source, target));
            processed[lineByLine] = handler.Process();
            written[lineByLine] = kw::readFileBytes(target).value_or("(none)");
            fs::remove(target);
        }
        ASSERT_EQ(processed[1], processed[0]) << "seed " << seed;
        ASSERT_EQ(calls[1], calls[0]) << "seed " << seed;
        ASSERT_EQ(written[1], written[0]) << "seed " << seed;
    }
}

// What a module's steps keep for being read again is bounded by its size in memory, empty
// lines counted with what keeping them costs: a step of endless empty lines is not kept.
TEST(StepRecordings, AStepBeyondTheBudgetIsNotKeptEvenOfEmptyLines) {
    StepRecordings recordings;
    recordings.begin(0);
    const std::size_t lines = StepRecordings::kMaxBytes / sizeof(StepEvent) + 1;
    for (std::size_t i = 0; i < lines && recordings.recording(); ++i) {
        recordings.hooked(StepEvent::Kind::data, "", static_cast<std::int64_t>(i), 98);
    }
    EXPECT_FALSE(recordings.recording());
    recordings.finish(static_cast<std::int64_t>(lines), 0);
    EXPECT_EQ(nullptr, recordings.find(0));

    recordings.begin(100); // a later step of ordinary size is kept again
    recordings.plain("BEGINSTEP");
    recordings.finish(200, 0);
    ASSERT_NE(nullptr, recordings.find(100));
    EXPECT_EQ("BEGINSTEP\r\n", recordings.text(recordings.events(*recordings.find(100))[0]));
}
