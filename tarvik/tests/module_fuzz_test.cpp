// Robustness of the handler base and the generators: mutated sample templates and random
// marker soup go through every handler. Whatever the input, a handler must finish (no crash,
// no hang, nothing for the sanitizers to report), leave only its module in the folder, write
// CR LF lines when it succeeds and put the original back when it fails. The generators that
// keep hook results must write, on mutated templates too, what they write without keeping.
// KW_FUZZ_ROUNDS=<n> in the environment runs more inputs (default 80).

#include "module_test_support.h"
#include "scripted_handler.h"

#include "common/text/line_file.h"
#include "tarvik/modules/cal_fct_handler.h"
#include "tarvik/modules/cal_ict_handler.h"
#include "tarvik/modules/kvr_fct_handler.h"
#include "tarvik/modules/nettest_handler.h"
#include "tarvik/modules/qbt_ict_handler.h"
#include "tarvik/modules/reset_handler.h"
#include "tarvik/modules/sew_fct_handler.h"
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

// Pieces of the card generators' templates, for mutating theirs.
const std::vector<std::string> kCardPieces = {
    "{CARD_BEGIN}",
    "{CARD_END}",
    "{TEST_CHANNELS}Karte {c}: Kanal {k} ({s}) {g}",
    "{TEST_GROUPS}{g}",
    "{TEST_NG_POS}{n} {pmin}",
    "{TEST_NG_NEG}",
    "{SEL_KVR_END}",
    "{SEL(KVR)=3}{SEL(TQD)=7}",
    "{NU(945)=3.3}{UR(945)=5}",
    "Soll {nu,1.5} {sw,2}",
    "{sw,2.5} Kanal {k}, Gruppe {g}",
    "{{SW(945)=1}c}{k{UG(945)=2}}",
    "  KVRCHANNEL1 1",
    "  NGVOLTAGE5 15.0",
    "  BUSSINITSTR {238}",
    "  BUSMADDRESS 112",
    "  VARIABLE _KVR_1",
    "  TESTFAILDATA0 Modul: KVR, Schritt: 120, x",
    "  HIGH 1",
    "  LOW 2",
    "{c} {k} {r} {rl}",
    "  VARIABLE _SEW32_1",
};

std::string mutate(const std::string& input, std::mt19937& random,
                   const std::vector<std::string>& pieces = kPieces) {
    auto lines = kw::splitLines(input);
    const int edits = 1 + static_cast<int>(random() % 12);
    for (int e = 0; e < edits; ++e) {
        const std::size_t at = lines.empty() ? 0 : random() % lines.size();
        switch (random() % 6) {
        case 0:
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                         pieces[random() % pieces.size()]);
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
                lines[at] += pieces[random() % pieces.size()];
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

// The same generator with every replayed line given to its hook.
template <typename Handler> class WithoutKeptResults : public Handler {
public:
    using Handler::Handler;

protected:
    bool keepsHookResults() const override { return false; }
};

// A generator that keeps hook results, made to keep them or not.
using KeepingFactory = std::function<std::unique_ptr<CModuleFileHandler>(bool keep)>;
template <typename Handler, typename... Args> KeepingFactory keeping(Args... args) {
    return [=](bool keep) -> std::unique_ptr<CModuleFileHandler> {
        if (keep) {
            return std::make_unique<Handler>(args...);
        }
        return std::make_unique<WithoutKeptResults<Handler>>(args...);
    };
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

// Lines written from a kept hook result, and the values their hooks set again from it, give
// the module the hooks give: first on the sample templates, then on mutated ones. The card
// lists read steps again within a card several times (channels, relays, a second supply on a
// later card) with values that differ from the template's own statements: 945's supply
// voltage is not the "NGVOLTAGE" text of a supply step, so it reaches that statement only when
// the supply line's value is set again; a TQD twin takes other selection values; a channel
// number kept open must stay where it is when the hook changes the line before it afterwards.
TEST(ModuleFuzz, KeptHookResultsChangeNothingInTheModule) {
    const char* roundsText = std::getenv("KW_FUZZ_ROUNDS");
    const int rounds = roundsText != nullptr ? std::atoi(roundsText) : 80;
    const auto sample = [](const char* name) {
        return kw::readFileBytes(fs::path(KW_TEMPLATES_DIR) / "TM_SEL_TEMPLATE" / name).value();
    };
    const auto withChannelAfterValue = [](std::string module) {
        replaceAll(module, "Kanal {k}", "{sw,7} Kanal {k}");
        return module;
    };
    auto twins = testing_support::kvrCards({3, 2, 1});
    twins[2].familyNumber = 1;
    twins[2].asTqd = 1;
    const std::vector<CSewInfo> sewCards{
        {1, 32, RelayKind::sew28}, {33, 96, RelayKind::sew84}, {129, 64, RelayKind::sew28_56}};
    const struct {
        std::string name;
        KeepingFactory make;
        std::string module;
    } cases[] = {
        {"KVR 945, supplies on later cards",
         keeping<CKvrFctHandler>(testing_support::kvrCards({1, 3, 2, 3}), 945), sample("kvr.fct")},
        {"KVR 860, a TQD twin", keeping<CKvrFctHandler>(twins, 860), sample("kvr.fct")},
        // The channel's number follows a text that the hook changes after writing it.
        {"KVR 945, a value before the channel",
         keeping<CKvrFctHandler>(testing_support::kvrCards({1, 2}), 945),
         withChannelAfterValue(sample("kvr.fct"))},
        {"SEW 945, three kinds", keeping<CSewFctHandler>(945, sewCards), sample("sew.fct")},
    };
    std::mt19937 random(20261208);
    testing_support::ScratchDir dir;
    for (int round = 0; round <= rounds; ++round) {
        for (const auto& c : cases) {
            const std::string input = round == 0 ? c.module : mutate(c.module, random, kCardPieces);
            SCOPED_TRACE("round " + std::to_string(round) + ", " + c.name);
            const auto kept = testing_support::rewriteModuleIn(dir, c.make(true), input);
            const auto hooked = testing_support::rewriteModuleIn(dir, c.make(false), input);
            ASSERT_EQ(hooked.processed, kept.processed);
            ASSERT_TRUE(round > 0 || kept.processed);
            ASSERT_EQ(hooked.output, kept.output);
        }
    }
}
