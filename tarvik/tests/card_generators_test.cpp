// The card-list generators (DWB, GAT84, logic, BAQ/YOT/GIV, JEL, FJN) on the sample template
// modules for many card lists, and single rules that the golden cases do not reach.

#include "module_test_support.h"

#include "common/text/line_file.h"
#include "tarvik/modules/channel_card_handler.h"
#include "tarvik/modules/dwb_cal_handler.h"
#include "tarvik/modules/dwb_fct_handler.h"
#include "tarvik/modules/fjn_fct_handler.h"
#include "tarvik/modules/gat84_fct_handler.h"
#include "tarvik/modules/jel_handler.h"
#include "tarvik/modules/log_fct_handler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace tarvik;

namespace fs = std::filesystem;
using testing_support::lf;
using testing_support::rewriteModule;

namespace {

// `count` records of a three-number family, numbered as the generation run numbers them.
template <typename Info> std::vector<Info> family(int count, int channelsPerCard) {
    std::vector<Info> list;
    for (int i = 0; i < count; ++i) {
        list.push_back(Info{1 + channelsPerCard * i, i + 1, i + 1});
    }
    return list;
}

std::vector<CLogInfo> logicCards(std::initializer_list<bool> agat520) {
    std::vector<CLogInfo> list;
    for (const bool flag : agat520) {
        const int i = static_cast<int>(list.size());
        list.push_back({1 + 32 * i, i + 1, i + 1, static_cast<std::uint8_t>(flag)});
    }
    return list;
}

std::vector<CFjnInfo> fjnCards(std::initializer_list<int> channels) {
    std::vector<CFjnInfo> list;
    for (const int variant : channels) {
        const int i = static_cast<int>(list.size());
        list.push_back({1 + 8 * i, static_cast<FjnChannels>(variant), i + 1, i + 1});
    }
    return list;
}

struct SampleCase {
    std::string name;
    std::string module; // below the templates folder
    std::function<std::unique_ptr<CModuleFileHandler>()> make;
    int cardsWritten;
    std::string perCard; // text that every written card's section holds once
};

std::vector<SampleCase> sampleCases() {
    const std::string sel = "TM_SEL_TEMPLATE/";
    const std::string cal = "TM_CAL_TEMPLATE/";
    const std::string variable = "  VARIABLE _";
    std::vector<SampleCase> cases;
    for (const int n : {1, 3, 8, 9}) {
        const std::string cards = std::to_string(n);
        const int written = std::min(n, 8);
        cases.push_back(
            {"Dwb" + cards, sel + "dwb.fct",
             [n] { return std::make_unique<CDwbFctHandler>(family<CDwbInfo>(n, 16), false); },
             written, variable});
        cases.push_back(
            {"Dwb945_" + cards, sel + "dwb.fct",
             [n] { return std::make_unique<CDwbFctHandler>(family<CDwbInfo>(n, 16), true); },
             written, variable});
        cases.push_back(
            {"DwbCalIst" + cards, cal + "dwb_cal_3458.fct",
             [n] { return std::make_unique<CDwbCalHandler>(family<CDwbInfo>(n, 16), true); },
             written, "Kalibrierung vorbereiten"});
        cases.push_back(
            {"DwbCal" + cards, cal + "dwb_cal.fct",
             [n] { return std::make_unique<CDwbCalHandler>(family<CDwbInfo>(n, 16), false); },
             written, "Kalibrierung vorbereiten"});
        cases.push_back({"Baq" + cards, sel + "baq.fct",
                         [n] { return std::make_unique<CBaqFctHandler>(family<CBaqInfo>(n, 48)); },
                         written, variable});
        cases.push_back({"Yot" + cards, sel + "yot.fct",
                         [n] { return std::make_unique<CYotFctHandler>(family<CYotInfo>(n, 16)); },
                         written, variable});
        cases.push_back({"Giv" + cards, sel + "giv.fct",
                         [n] { return std::make_unique<CGivFctHandler>(family<CGivInfo>(n, 16)); },
                         written, variable});
        for (const char* module : {"jel_fkt.fct", "jel_ict.ict"}) {
            cases.push_back({std::string("Jel") + (module[4] == 'f' ? "Fkt" : "Ict") + cards,
                             sel + module,
                             [n] { return std::make_unique<CJelHandler>(family<CJelInfo>(n, 8)); },
                             written, variable});
        }
    }
    for (const int n : {1, 2, 4, 5}) {
        cases.push_back(
            {"Gat84_" + std::to_string(n), sel + "gat84.fct",
             [n] { return std::make_unique<CGat84FctHandler>(family<CGat84Info>(n, 96)); },
             std::min(n, 4), variable});
    }
    cases.push_back({"LogGat860", sel + "logik.fct",
                     [] { return std::make_unique<CLogFctHandler>(logicCards({false}), 860); }, 1,
                     variable});
    cases.push_back(
        {"LogMixed945", sel + "logik.fct",
         [] {
             return std::make_unique<CLogFctHandler>(logicCards({true, false, true}), 945);
         },
         3, variable});
    cases.push_back(
        {"LogNineCards930", sel + "logik.fct",
         [] {
             return std::make_unique<CLogFctHandler>(
                 logicCards({true, false, true, false, true, false, true, false, false}), 930);
         },
         8, variable});
    cases.push_back({"Fjn8", sel + "fjn.fct",
                     [] { return std::make_unique<CFjnFctHandler>(fjnCards({1})); }, 1, variable});
    cases.push_back({"Fjn4", sel + "fjn.fct",
                     [] { return std::make_unique<CFjnFctHandler>(fjnCards({2})); }, 1, variable});
    cases.push_back({"FjnFiveMixed", sel + "fjn.fct",
                     [] {
                         return std::make_unique<CFjnFctHandler>(fjnCards({2, 0, 2, 1, 1}));
                     },
                     4, variable});
    return cases;
}

// Placeholder texts the sample templates use; none may reach a generated module.
const char* const kPlaceholders[] = {"{c}",      "{cs}",        "{k}",    "{k1}",   "{k2}",
                                     "{k3}",     "{p}",         "{h}",    "{l}",    "{m}",
                                     "{v,",      "{th,",        "{cl,",   "{CARD_", "{TEST_",
                                     "{IGNORE_", "{DWB_SHIFT}", "(860)=", "(945)=", "(930)="};

int occurrences(const std::string& text, const std::string& what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

class SampleTemplate : public ::testing::TestWithParam<SampleCase> {};

} // namespace

// Every card list gives a module whose header announces the steps written, with one card
// section per written card, no placeholder left, and the same bytes when generated again.
TEST_P(SampleTemplate, AnnouncesWhatItWritesAndLeavesNoPlaceholder) {
    const SampleCase& sample = GetParam();
    const fs::path path = fs::path(KW_TEMPLATES_DIR) / sample.module;
    const std::string input = kw::readFileBytes(path).value();

    const auto result = rewriteModule(sample.make(), input, path.filename().string());
    ASSERT_TRUE(result.processed);
    EXPECT_EQ(result.expectedSteps, result.stepsWritten);
    EXPECT_EQ(sample.cardsWritten, occurrences(result.output, sample.perCard));
    for (const char* placeholder : kPlaceholders) {
        EXPECT_EQ(std::string::npos, result.output.find(placeholder)) << placeholder;
    }
    EXPECT_TRUE(rewriteModule(sample.make(), input, path.filename().string()).output ==
                result.output);
}

INSTANTIATE_TEST_SUITE_P(Generators, SampleTemplate, ::testing::ValuesIn(sampleCases()),
                         [](const auto& caseInfo) { return caseInfo.param.name; });

TEST(CardGenerators, DeclineAnEmptyList) {
    EXPECT_FALSE(CDwbFctHandler({}, false).Prepare());
    EXPECT_FALSE(CDwbCalHandler({}, true).Prepare());
    EXPECT_FALSE(CGat84FctHandler({}).Prepare());
    EXPECT_FALSE(CLogFctHandler({}, 860).Prepare());
    EXPECT_FALSE(CBaqFctHandler({}).Prepare());
    EXPECT_FALSE(CYotFctHandler({}).Prepare());
    EXPECT_FALSE(CGivFctHandler({}).Prepare());
    EXPECT_FALSE(CJelHandler({}).Prepare());
    EXPECT_FALSE(CFjnFctHandler({}).Prepare());
}

namespace {

std::string module(std::initializer_list<std::string> steps) {
    std::string text = lf({"MODULE", "END_COL_INFO_RUN", "1"});
    for (const auto& step : steps) {
        text += step;
    }
    return text;
}

std::string step(int number, const std::string& data,
                 std::initializer_list<std::string_view> body) {
    std::string text = lf({"BEGINSTEP", "X_S_D", "NO"}) + std::to_string(number) + "\n" +
                       lf({"X_E_D", "X_S_D", "NAME"}) + data + "\n" + lf({"X_E_D", "X_END"});
    for (const auto line : body) {
        text.append(line).append("\n");
    }
    return text + "ENDSTEP\n";
}

// The body lines of the written module, in order.
std::vector<std::string> bodies(const std::string& output) {
    std::vector<std::string> lines;
    for (const auto& line : kw::splitLines(output)) {
        if (line.starts_with("  ")) {
            lines.push_back(line);
        }
    }
    return lines;
}

} // namespace

// Only the first "{v," token of a data line is a channel; an unfinished token is left.
TEST(JelHandler, ChannelTokensAndStatements) {
    const std::string input = module({
        step(10, "{CARD_BEGIN}X{v,3}-X{v,3}/X{v,4} {v,x} {c}",
             {"  HIGH X3 alt", "  LOW X12", "  HIGH X", "  BUSSADDRESS 80"}),
        step(20, "{CARD_END}{v,2", {"  VARIABLE _NOHK_1", "  VARIABLE _NOHK_10"}),
    });
    std::vector<CJelInfo> cards{{9, 5, 2}};
    const auto result = rewriteModule(std::make_unique<CJelHandler>(cards), input);
    const auto lines = kw::splitLines(result.output);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "X11-X11/X{v,4} {v,x} 1"));
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "{v,2"));
    EXPECT_EQ((std::vector<std::string>{"  HIGH X11", "  LOW X20", "  HIGH X", "  BUSSADDRESS 82",
                                        "  VARIABLE _NOHK_5", "  VARIABLE _NOHK_10"}),
              bodies(result.output));
}

// A step naming two channels with "  HIGH H" measures the first; it neither loops for ever
// nor drops the step.
TEST(FjnFctHandler, TheFirstHighStatementOfAStepDecides) {
    const std::string input = module({
        step(10, "{CARD_BEGIN}", {"  VARIABLE _FJN_1"}),
        step(20, "Kanal {m}", {"  HIGH H3", "  HIGH H5"}),
        step(30, "{CARD_END}", {"  BUSMADDRESS 1"}),
    });
    std::vector<CFjnInfo> cards{{9, FjnChannels::eight, 2, 3}};
    const auto result = rewriteModule(std::make_unique<CFjnFctHandler>(cards), input);
    ASSERT_TRUE(result.processed);
    EXPECT_EQ(3, result.stepsWritten);
    EXPECT_NE(std::string::npos, result.output.find("Kanal 11\r\n"));
    EXPECT_EQ((std::vector<std::string>{"  VARIABLE _FJN_2", "  HIGH H11", "  HIGH H13",
                                        "  BUSMADDRESS 122"}),
              bodies(result.output));
}

// Channel cards: the init string and the channel statements follow the channel; statements
// for other keywords or other channels stay.
TEST(ChannelCardHandler, InitStringAndChannelStatements) {
    const std::string input = module({
        step(10, "{CARD_BEGIN}", {}),
        step(20, "{TEST_CHANNEL_BEGIN}{k}",
             {"  BUSSINITSTR {1} alt", "  BUSSINITSTR {2}", "  GIVCHANNEL1 1 x", "  GIVCHANNEL2 1",
              "  YOTCHANNEL1 1", "  BUSMADDRESS 224", "  BUSMADDRESS 2240"}),
        step(30, "{TEST_CHANNEL_END}{CARD_END}", {}),
    });
    std::vector<CGivInfo> cards{{17, 2, 8}};
    const auto result = rewriteModule(std::make_unique<CGivFctHandler>(cards), input);
    const auto lines = bodies(result.output);
    ASSERT_EQ(7u * 16u, lines.size());
    // Channel 16 of the card: system-wide channel 32.
    EXPECT_EQ((std::vector<std::string>{"  BUSSINITSTR {16}", "  BUSSINITSTR {2}",
                                        "  GIVCHANNEL32 1", "  GIVCHANNEL2 1", "  YOTCHANNEL1 1",
                                        "  BUSMADDRESS 238", "  BUSMADDRESS 238"}),
              std::vector<std::string>(lines.end() - 7, lines.end()));
}

namespace {

// The step numbers of a written module, in order.
std::vector<int> stepNumbers(const std::string& output) {
    std::vector<int> numbers;
    const auto lines = kw::splitLines(output);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] == "NO") {
            numbers.push_back(std::stoi(lines[i + 1]));
        }
    }
    return numbers;
}

} // namespace

// The sample DWB section is written 100 ... 1170 for the first card (its channel repetitions
// numbered on), so the block is 2000 and the second card's section runs 2100 ... 3170.
TEST(DwbFctHandler, BlockFollowsTheWrittenLengthOfTheFirstSection) {
    const fs::path path = fs::path(KW_TEMPLATES_DIR) / "TM_SEL_TEMPLATE/dwb.fct";
    const auto result =
        rewriteModule(std::make_unique<CDwbFctHandler>(family<CDwbInfo>(2, 16), false),
                      kw::readFileBytes(path).value(), "dwb.fct");
    const auto numbers = stepNumbers(result.output);
    ASSERT_EQ(205u, numbers.size());
    EXPECT_EQ(1170, numbers[102]);
    EXPECT_EQ(2100, numbers[103]);
    EXPECT_EQ(3170, numbers.back());
}

// A template far smaller than the generator expects is announced with no fewer than 0 steps
// and gets its real count at the end.
TEST(CardGenerators, NeverAnnounceANegativeCount) {
    const std::string input = lf({"MODULE", "END_COL_INFO_RUN", "2"}) +
                              step(10, "{CARD_BEGIN}", {"  WAIT 1"}) +
                              step(20, "{CARD_END}", {"  WAIT 1"});
    const auto result =
        rewriteModule(std::make_unique<CDwbFctHandler>(family<CDwbInfo>(1, 16), true), input);
    ASSERT_TRUE(result.processed);
    EXPECT_EQ(0, result.expectedSteps);
    EXPECT_EQ(2, result.stepsWritten);
    EXPECT_NE(std::string::npos, result.output.find("END_COL_INFO_RUN\r\n2     \r\n"));
}
