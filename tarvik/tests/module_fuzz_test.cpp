// Robustness of the handler base and the generators: mutated sample templates and random
// marker soup go through every handler. Whatever the input, a handler must finish (no crash,
// no hang, nothing for the sanitizers to report), leave only its module in the folder, write
// CR LF lines when it succeeds and put the original back when it fails.
// KW_FUZZ_ROUNDS=<n> in the environment runs more inputs (default 80).

#include "module_test_support.h"
#include "scripted_handler.h"

#include "common/text/line_file.h"
#include "tarvik/modules/cal_fct_handler.h"
#include "tarvik/modules/cal_ict_handler.h"
#include "tarvik/modules/nettest_handler.h"
#include "tarvik/modules/qbt_ict_handler.h"
#include "tarvik/modules/reset_handler.h"
#include "tarvik/modules/template_file_handler.h"
#include "tarvik/modules/zupa_fct_handler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>

using namespace tarvik;

namespace fs = std::filesystem;

namespace {

using Factory = std::function<std::unique_ptr<CModuleFileHandler>()>;

// A generator that jumps back to step starts it has seen, at random but a bounded number of
// times, like a card generator looping over cards, channels and groups.
class RandomSeekHandler : public CModuleFileHandler {
public:
    explicit RandomSeekHandler(unsigned seed) : m_random(seed) {}

protected:
    void OnEndStep(int, std::int64_t stepStart) override {
        m_starts.push_back(stepStart);
        dropSteps(m_random() % 4 == 0);
        if (m_seeks < 40 && m_random() % 3 == 0) {
            ++m_seeks;
            SeekInput(m_starts[m_random() % m_starts.size()]);
            numberFrom(static_cast<int>(m_random() % 3) * 1000);
        }
    }
    void OnBodyLine(std::string& line) override {
        if (m_random() % 5 == 0) {
            line.clear();
        } else if (m_random() % 7 == 0) {
            line += "\n  EXTRA";
        }
    }

private:
    std::mt19937 m_random;
    std::vector<std::int64_t> m_starts;
    int m_seeks = 0;
};

std::vector<CResetInfo> resetList(int entries) {
    std::vector<CResetInfo> list;
    for (int i = 0; i < entries; ++i) {
        CResetInfo info;
        info.name = "SEL860_X" + std::to_string(i);
        info.cardAddress = 240 + i * 3;
        info.needsConfig = static_cast<std::uint8_t>(i % 2);
        list.push_back(info);
    }
    return list;
}

std::vector<std::pair<std::string, Factory>> handlers(unsigned seed) {
    HandlerScript repeat;
    repeat.repeats[100] = 4;
    repeat.repeats[20] = 3;
    repeat.addedSteps = 5;
    repeat.hiddenColumns = {"Ist", "Soll"};
    return {
        {"base", [] { return std::make_unique<CModuleFileHandler>(); }},
        {"template", [] { return std::make_unique<CTemplateFileHandler>(945); }},
        {"scripted", [repeat] { return std::make_unique<ScriptedHandler>(repeat); }},
        {"randomSeek", [seed] { return std::make_unique<RandomSeekHandler>(seed); }},
        {"calFct", [] { return std::make_unique<CCalFctHandler>(true); }},
        {"pew860Cal", [] { return std::make_unique<CPew860CalHandler>(false); }},
        {"calFct2", [] { return std::make_unique<CCalFct2Handler>(true); }},
        {"printCertSel", [] { return std::make_unique<CPrintCertSelHandler>(false); }},
        {"printCertCal", [] { return std::make_unique<CPrintCertCalHandler>(true); }},
        {"calPretest", [] { return std::make_unique<CCalPretestHandler>(false); }},
        {"calIct", [] { return std::make_unique<CCalIctHandler>(860, true, true); }},
        {"qbtIct", [] { return std::make_unique<CQbtIctHandler>(945); }},
        {"zupa", [] { return std::make_unique<CZupaFctHandler>(2); }},
        {"resetNone", [] { return std::make_unique<CResetHandler>(resetList(0)); }},
        {"resetThree", [] { return std::make_unique<CResetHandler>(resetList(3)); }},
        {"nettest", [] { return std::make_unique<CNettestHandler>(860); }},
    };
}

std::vector<std::string> sampleTemplates() {
    std::vector<std::string> templates;
    for (const auto& entry : fs::recursive_directory_iterator(KW_TEMPLATES_DIR)) {
        if (entry.is_regular_file()) {
            templates.push_back(kw::readFileBytes(entry.path()).value());
        }
    }
    return templates;
}

// Pieces a mutation inserts: the structural markers, tokens and statements handlers react to.
const std::vector<std::string> kPieces = {
    "BEGINSTEP",
    "ENDSTEP",
    "X_S_D",
    "X_E_D",
    "X_END",
    "NO",
    "S_COL",
    "E_COL",
    "END_COL_INFO_RUN",
    "{SHOW,1}",
    "{HEADER,Ist}",
    "{HEADER,",
    "99999999999999999999",
    "-2147483648",
    "12",
    "",
    "{IGNORE_IST}",
    "{IGNORE_CAL}{IGNORE_3458}{IGNORE_5VNG}",
    "{SW(860)=1}{UG(945)=2}{OG(860)=}{SW(860)",
    "{TSW(860)=1}{DU(945)=0.7}{du}{OG(5VNG)=1}",
    "{name}",
    "  PINNETDESC7 {R(860)=12.5}{R(945)=1e999}x",
    "  PINNETDESC",
    "  PINNETOHMS7 1 Ohm",
    "  PINNETDESC-5 {R(",
    "  BUSSINITSTR {0xFF}",
    "  BUSSADDRESS",
    "  BUSSCONFIG 1",
    "  VALUE 1",
    "  LOWER ",
    "  UPPER 2",
    "  DVOLTAGE 1",
    "  TVALUE 3",
    "{",
    "}",
    "{{}}",
    std::string("\xE4\xF6\xFC\x81\x00\xFF", 6),
    "\r",
    std::string(70000, 'y'),
};

std::string mutate(const std::string& input, std::mt19937& random) {
    auto lines = kw::splitLines(input);
    const int edits = 1 + static_cast<int>(random() % 12);
    for (int e = 0; e < edits; ++e) {
        const std::size_t at = lines.empty() ? 0 : random() % lines.size();
        switch (random() % 6) {
        case 0:
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                         kPieces[random() % kPieces.size()]);
            break;
        case 1:
            if (!lines.empty()) {
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
            }
            break;
        case 2:
            if (!lines.empty()) {
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), lines[at]);
            }
            break;
        case 3:
            if (!lines.empty() && !lines[at].empty()) {
                lines[at][random() % lines[at].size()] = static_cast<char>(random() % 256);
            }
            break;
        case 4:
            if (!lines.empty()) {
                lines[at] += kPieces[random() % kPieces.size()];
            }
            break;
        default:
            lines.resize(at); // cut off
            break;
        }
    }
    std::string text;
    const bool crLf = random() % 2 == 0;
    for (const auto& line : lines) {
        text += line + (crLf ? "\r\n" : "\n");
    }
    if (!text.empty() && random() % 4 == 0) {
        text.pop_back(); // no final line end
    }
    return text;
}

std::string markerSoup(std::mt19937& random) {
    std::string text;
    const int lines = static_cast<int>(random() % 200);
    for (int i = 0; i < lines; ++i) {
        text += kPieces[random() % kPieces.size()] + "\n";
    }
    return text;
}

bool onlyCrLf(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) {
            return false;
        }
    }
    return bytes.empty() || bytes.ends_with("\r\n");
}

} // namespace

TEST(ModuleFuzz, EveryHandlerSurvivesMutatedTemplates) {
    const char* roundsText = std::getenv("KW_FUZZ_ROUNDS");
    const int rounds = roundsText != nullptr ? std::atoi(roundsText) : 80;
    const auto templates = sampleTemplates();
    ASSERT_FALSE(templates.empty());
    std::mt19937 random(20240611);
    testing_support::ScratchDir dir;
    for (int round = 0; round < rounds; ++round) {
        const std::string input = round % 5 == 4
                                      ? markerSoup(random)
                                      : mutate(templates[random() % templates.size()], random);
        for (const auto& [name, make] : handlers(static_cast<unsigned>(round))) {
            SCOPED_TRACE("round " + std::to_string(round) + ", handler " + name);
            const auto result = testing_support::rewriteModuleIn(dir, make(), input);
            if (result.processed) {
                EXPECT_TRUE(onlyCrLf(result.output));
                EXPECT_LE(result.stepsWritten, CModuleFileHandler::kMaxSteps);
            } else if (result.prepared) {
                EXPECT_EQ(input, result.output); // the original is back, no ".tmp" left
            }
        }
    }
}
