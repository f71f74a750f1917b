// Whole generation runs that stop: a module step that fails names its module, removes the
// half-built Testmappe and keeps the Testmappen of earlier runs; folders that already exist
// are replaced only when the user agrees.

#include "support/generation_fixture.h"

#include "common/files/file_ops.h"
#include "common/text/line_file.h"
#include "tarvik/generation/generation_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

using namespace tarvik;

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

const Names kNoFolders = {};
const Names kSelfTestFolders = {"TM_ABC", "TM_ABC_IST"};

// Changes the target directory or a template when a given progress row is shown, as another
// program might while the run goes on.
class InterferingUi : public ScriptedUi {
public:
    std::string trigger;
    std::function<void()> action;

    void setStep(const std::optional<std::string>& text, int percent) override {
        ScriptedUi::setStep(text, percent);
        if (action && steps.back() == trigger) {
            std::exchange(action, nullptr)();
        }
    }
};

struct FailingModule {
    const char* name; // test name
    bool cal;         // the module is taken out of the calibration template
    const char* module;
    int systemType;
    int instrument;
    const char* step; // the progress row shown when the step fails
    const char* message;
};

void PrintTo(const FailingModule& c, std::ostream* out) {
    *out << c.module;
}

constexpr int kKeysight = Instrument::Keysight3458A;
constexpr int kKeithley = Instrument::Keithley2000;

// Every step of both module orders, each failing because its module is missing in the template.
const FailingModule kFailingModules[] = {
    {"ProjectFile", false, "SEL_TEMPLATE.860", 860, kKeysight, "Verarbeiten der Projekt-Datei|20",
     "Die Projektdatei konnte nicht modifiziert werden!"},
    {"Documentation", false, "SET2.SET", 860, kKeysight, "Verarbeiten der Dokumentation|23",
     "Die Dokumentation konnte nicht modifiziert werden!"},
    {"Nettest", false, "verbindungstest.icn", 860, kKeysight, "Verarbeiten des Netztest-Moduls|25",
     "Das Netztest-Modul konnte nicht modifiziert werden!"},
    {"Qbt520Ict", false, "bauteiltest_qbt520.ict", 945, kKeysight,
     "Verarbeiten des QBT520-Bauteiltest-Moduls|28",
     "Das QBT520-Bauteiltest-Modul konnte nicht modifiziert werden!"},
    {"Qbt860Ict", false, "bauteiltest_qbt860.ict", 860, kKeysight,
     "Verarbeiten des QBT860-Bauteiltest-Moduls|30",
     "Das QBT860-Bauteiltest-Modul konnte nicht modifiziert werden!"},
    {"Qbt520Fct", false, "qbt520.fct", 945, kKeysight,
     "Verarbeiten des QBT520-Funktionstest-Moduls|32",
     "Das QBT520-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Kvr", false, "kvr.fct", 860, kKeysight, "Verarbeiten des KVR-Funktionstest-Moduls|35",
     "Das KVR-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Tqd", false, "tqd.fct", 860, kKeysight, "Verarbeiten des TQD-Funktionstest-Moduls|38",
     "Das TQD-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Sew", false, "sew.fct", 860, kKeysight, "Verarbeiten des SEW-Funktionstest-Moduls|41",
     "Das SEW-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Logik", false, "logik.fct", 860, kKeysight, "Verarbeiten des Logik-Funktionstest-Moduls|45",
     "Das Logik-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Gat84", false, "gat84.fct", 860, kKeysight, "Verarbeiten des GAT84-Funktionstest-Moduls|50",
     "Das GAT84-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Norv", false, "norv.fct", 860, kKeysight, "Verarbeiten des NORV-Funktionstest-Moduls|55",
     "Das NORV-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Seq", false, "seq.fct", 860, kKeysight, "Verarbeiten des SEQ-Funktionstest-Moduls|60",
     "Das SEQ-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Dwb", false, "dwb.fct", 860, kKeysight, "Verarbeiten des DWB-Funktionstest-Moduls|65",
     "Das DWB-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Fjn", false, "fjn.fct", 860, kKeysight, "Verarbeiten des FJN-Funktionstest-Moduls|70",
     "Das FJN-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"JelIct", false, "jel_ict.ict", 860, kKeysight, "Verarbeiten des JEL-Bauteiltest-Moduls|73",
     "Das JEL-Bauteiltest-Modul konnte nicht modifiziert werden!"},
    {"JelFkt", false, "jel_fkt.fct", 860, kKeysight, "Verarbeiten des JEL-Funktionstest-Moduls|78",
     "Das JEL-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Zupa", false, "zu_pa.fct", 860, kKeysight, "Verarbeiten des ZUPA-Funktionstest-Moduls|80",
     "Das ZUPA-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Yot", false, "yot.fct", 860, kKeysight, "Verarbeiten des YOT-Funktionstest-Moduls|83",
     "Das YOT-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Baq", false, "baq.fct", 860, kKeysight, "Verarbeiten des BAQ-Funktionstest-Moduls|85",
     "Das BAQ-Funktionstest-Modul konnte nicht modifiziert werden!"},
    {"Giv", false, "giv.fct", 860, kKeysight, "Verarbeiten des GIV-Funktionstest-Moduls|86",
     "Das GIV-Funktionstest-Modul konnte nicht modifiziert werden!"},
    // The self-test's certificate module fails with the calibration wording.
    {"PrintCertSel", false, "Print_Cert.fct", 860, kKeysight,
     "Verarbeiten des Print_Cert-Funktionstest-Moduls|88",
     "Das Print_Cert-Kalibrier-Modul konnte nicht modifiziert werden!"},
    {"Reset", false, "resettest0.rst", 860, kKeysight, "Verarbeiten des Reset-Moduls|90",
     "Das Reset-Modul konnte nicht modifiziert werden!"},

    {"CalProjectFile", true, "CAL_TEMPLATE.860", 860, kKeysight, "Verarbeiten der Projekt-Datei|20",
     "Die Projektdatei konnte nicht modifiziert werden!"},
    {"CalDocumentation", true, "SET2.SET", 860, kKeysight, "Verarbeiten der Dokumentation|25",
     "Die Dokumentation konnte nicht modifiziert werden!"},
    {"Vortest", true, "vortest.fct", 860, kKeysight, "Verarbeiten des Vortest-Moduls|30",
     "Das Vortest-Modul konnte nicht modifiziert werden!"},
    {"Vortest945", true, "vortest_945.fct", 945, kKeysight, "Verarbeiten des Vortest-Moduls|30",
     "Das Vortest-Modul konnte nicht modifiziert werden!"},
    {"CalIct", true, "bauteiltest0.ict", 860, kKeithley, "Verarbeiten des Bauteiltest-Moduls|35",
     "Das Bauteiltest-Modul konnte nicht modifiziert werden!"},
    {"Bauteile", true, "bauteile.fct", 860, kKeithley, "Verarbeiten des Bauteile-Moduls|40",
     "Das Bauteile-Modul konnte nicht modifiziert werden!"},
    {"Bauteile3458", true, "bauteile_3458.fct", 860, kKeysight,
     "Verarbeiten des Bauteile-Moduls|45",
     "Das Bauteile-Modul (3458) konnte nicht modifiziert werden!"},
    {"Istwerterfassung", true, "Istwerterfassung.fct", 860, kKeithley,
     "Verarbeiten des Istwerterfassungs-Moduls|50",
     "Das Istwerterfassungs-Modul konnte nicht modifiziert werden!"},
    {"Istwerterfassung3458", true, "Istwerterfassung_3458.fct", 860, kKeysight,
     "Verarbeiten des Istwerterfassungs-Moduls|55",
     "Das Istwerterfassungs-Modul (3458) konnte nicht modifiziert werden!"},
    {"DwbCal", true, "dwb_cal.fct", 860, kKeithley, "Verarbeiten des DWB-Kalibrier-Moduls|60",
     "Das DWB-Kalibrier-Modul konnte nicht modifiziert werden!"},
    {"DwbCal3458", true, "dwb_cal_3458.fct", 860, kKeysight,
     "Verarbeiten des DWB-Kalibrier-Moduls|60",
     "Das DWB-Kalibrier-Modul konnte nicht modifiziert werden!"},
    {"Pew860Cal", true, "pew860_cal.fct", 860, kKeithley,
     "Verarbeiten des PEW860-Kalibrier-Moduls|65",
     "Das PEW860-Kalibrier-Modul konnte nicht modifiziert werden!"},
    {"Pew860Cal3458", true, "pew860_cal_3458.fct", 860, kKeysight,
     "Verarbeiten des PEW860-Kalibrier-Moduls|65",
     "Das PEW860-Kalibrier-Modul konnte nicht modifiziert werden!"},
    {"PrintCertCal", true, "Print_Cert.fct", 860, kKeithley,
     "Verarbeiten des Print_Cert-Kalibrier-Moduls|70",
     "Das Print_Cert-Kalibrier-Modul konnte nicht modifiziert werden!"},
};

// A 945 with the cards its module steps need.
void fill945(CSystemInfo& system) {
    system.setManual(945, false, false, false);
    system.slots[1] = {CardType::Sew, 5, 0};
    system.slots[2] = {CardType::Kvr860, 0, 3};
}

class FailingModuleStep : public GenerationFixture,
                          public ::testing::WithParamInterface<FailingModule> {};

} // namespace

TEST_P(FailingModuleStep, NamesItsModuleAndRemovesOnlyItsFolder) {
    const FailingModule& c = GetParam();
    if (c.systemType == 945) {
        fill945(m_system);
    } else {
        fillEveryFamily(m_system);
    }
    m_inputs.generateCal = true;
    m_inputs.instrument = c.instrument;
    ASSERT_TRUE(fs::remove((c.cal ? calTemplate() : selTemplate()) / c.module));

    EXPECT_FALSE(generate());
    EXPECT_EQ(Names{"W: " + std::string(c.message)}, m_ui.messages);
    ASSERT_FALSE(m_ui.steps.empty());
    EXPECT_EQ(c.step, m_ui.steps.back());
    // The window is hidden before the message; then the run is over.
    ASSERT_GE(m_ui.events.size(), 3u);
    EXPECT_EQ((Names{"hide", "message W: " + std::string(c.message), "end"}),
              Names(m_ui.events.end() - 3, m_ui.events.end()));
    // The failing run's folder is gone (no staging folder either), the earlier runs' stay.
    EXPECT_EQ(c.cal ? kSelfTestFolders : kNoFolders, entries(m_root / "ziel"));
}

INSTANTIATE_TEST_SUITE_P(Steps, FailingModuleStep, ::testing::ValuesIn(kFailingModules),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

namespace {

class GenerationFailure : public GenerationFixture {
protected:
    GenerationFailure() { m_inputs.generateCal = true; }
};

} // namespace

TEST_F(GenerationFailure, MissingCalibrationTemplate) {
    ASSERT_TRUE(kw::removeTree(calTemplate()));
    EXPECT_FALSE(generate());
    EXPECT_EQ(Names{"W: Die Testmappe konnte nicht angelegt werden!"}, m_ui.messages);
    EXPECT_EQ("Anlegen der Selbsttest-Kalibrier-Testmappe|10", m_ui.steps.back());
    EXPECT_EQ(kSelfTestFolders, entries(m_root / "ziel"));
}

TEST_F(GenerationFailure, ConfigurationCannotBeStored) {
    // A folder in the template stands where the configuration file goes.
    fs::create_directories(calTemplate() / "tarvik.sysinfo" / "belegt");
    EXPECT_FALSE(generate());
    EXPECT_EQ(Names{"W: Die Systeminformation konnte nicht in der Testmappe hinterlegt werden!"},
              m_ui.messages);
    EXPECT_EQ("System-Information ablegen|95", m_ui.steps.back());
    EXPECT_EQ(kSelfTestFolders, entries(m_root / "ziel"));
}

TEST_F(GenerationFailure, ListedModuleThatCannotBeDeleted) {
    // A listed module that is a folder with contents cannot be deleted as a module file.
    ASSERT_TRUE(fs::remove(selTemplate() / "tif.fct"));
    ASSERT_TRUE(fs::create_directories(selTemplate() / "tif.fct"));
    ASSERT_TRUE(kw::writeLineFile(selTemplate() / "tif.fct" / "inhalt.txt", {"x"}));
    EXPECT_FALSE(generate());
    EXPECT_EQ(Names{"W: Das Modul \"tif.fct\" konnte nicht gelöscht werden!"}, m_ui.messages);
    EXPECT_EQ("Löschen unnötiger Module|15", m_ui.steps.back());
    EXPECT_EQ(kNoFolders, entries(m_root / "ziel"));
}

TEST_F(GenerationFailure, FailureInTheTwinKeepsTheSelfTest) {
    // The module goes missing once the self-test Testmappe is done.
    InterferingUi ui;
    ui.trigger = "Vorbereitung der Testsystem-Istwertaufnahme-Testmappe|0";
    ui.action = [this] { fs::remove(selTemplate() / "kvr.fct"); };
    m_system.slots[1] = {CardType::Kvr860, 0, 2};
    EXPECT_FALSE(GenerationRun(m_system, m_inputs, ui, kStamp).generate());
    EXPECT_EQ(Names{"W: Das KVR-Funktionstest-Modul konnte nicht modifiziert werden!"},
              ui.messages);
    EXPECT_EQ((Names{"TM_ABC"}), entries(m_root / "ziel"));
    EXPECT_TRUE(fs::exists(target("TM_ABC") / "kvr.fct"));
    // The calibration runs were not started.
    EXPECT_EQ(ui.steps.end(), std::find_if(ui.steps.begin(), ui.steps.end(), [](const auto& s) {
                  return s.find("Kalibrier") != std::string::npos;
              }));
}

namespace {

const Names kAllFolders = {"TM_ABC", "TM_ABC_IST", "TM_CAL_ABC", "TM_CAL_ABC_IST"};

// Each existing folder holds a file of an earlier generation.
class ExistingFolders : public GenerationFixture {
protected:
    void createOld(const Names& folders) {
        for (const std::string& folder : folders) {
            fs::create_directories(target(folder));
            ASSERT_TRUE(kw::writeLineFile(target(folder) / "alt.fct", {"alt"}));
        }
    }
    bool hasOld(const std::string& folder) const { return fs::exists(target(folder) / "alt.fct"); }
};

} // namespace

TEST_F(ExistingFolders, CancelLeavesAllFourAsTheyWere) {
    m_inputs.generateCal = true;
    createOld(kAllFolders);
    EXPECT_FALSE(generate()); // no answer given: Cancel

    std::string question = "Folgende Verzeichnisse existieren bereits und werden vor der "
                           "Generierung gelöscht:\n\n";
    for (const std::string& folder : kAllFolders) {
        question += target(folder).string() + "\n";
    }
    EXPECT_EQ(Names{question}, m_ui.questions);
    // Nothing else happened: no progress, no message, nothing written or deleted.
    EXPECT_EQ(Names{"question " + question}, m_ui.events);
    EXPECT_EQ(kAllFolders, entries(m_root / "ziel"));
    for (const std::string& folder : kAllFolders) {
        EXPECT_EQ(Names{"alt.fct"}, entries(target(folder))) << folder;
    }

    // OK replaces all four.
    m_ui = ScriptedUi();
    m_ui.answers = {true};
    ASSERT_TRUE(generate()) << lastMessage();
    EXPECT_EQ(1u, m_ui.questions.size());
    EXPECT_EQ(kAllFolders, entries(m_root / "ziel"));
    for (const std::string& folder : kAllFolders) {
        EXPECT_FALSE(hasOld(folder)) << folder;
        EXPECT_TRUE(fs::exists(target(folder) / "tarvik.sysinfo")) << folder;
    }
}

TEST_F(ExistingFolders, CalibrationFoldersAreLeftAloneWhenNotGenerated) {
    createOld({"TM_CAL_ABC", "TM_CAL_ABC_IST"});
    ASSERT_TRUE(generate()) << lastMessage();
    EXPECT_TRUE(m_ui.questions.empty());
    EXPECT_TRUE(hasOld("TM_CAL_ABC"));
    EXPECT_TRUE(hasOld("TM_CAL_ABC_IST"));
    EXPECT_EQ(kAllFolders, entries(m_root / "ziel"));
}

TEST_F(ExistingFolders, FolderAppearingBeforeItsRunIsAskedForAgain) {
    InterferingUi ui;
    ui.trigger = "Vorbereitung der Testsystem-Istwertaufnahme-Testmappe|0";
    ui.action = [this] { createOld({"TM_ABC_IST"}); };
    const std::string question = "Das Verzeichnis \"" + target("TM_ABC_IST").string() +
                                 "\" existiert bereits und wird vor der Generierung gelöscht!";

    // Cancel: the run ends without a message, the folder stays as it is, the first Testmappe
    // stays too.
    EXPECT_FALSE(GenerationRun(m_system, m_inputs, ui, kStamp).generate());
    EXPECT_EQ(Names{question}, ui.questions);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ((Names{"step " + ui.trigger, "hide", "question " + question, "end"}),
              Names(ui.events.end() - 4, ui.events.end()));
    EXPECT_EQ((Names{"alt.fct"}), entries(target("TM_ABC_IST")));
    EXPECT_EQ(kSelfTestFolders, entries(m_root / "ziel"));
    EXPECT_TRUE(fs::exists(target("TM_ABC") / "ABC.860"));

    // OK: it is deleted, then generated anew.
    ASSERT_TRUE(kw::removeTree(target("TM_ABC")));
    ASSERT_TRUE(kw::removeTree(target("TM_ABC_IST")));
    ui = InterferingUi();
    ui.trigger = "Vorbereitung der Testsystem-Istwertaufnahme-Testmappe|0";
    ui.action = [this] { createOld({"TM_ABC_IST"}); };
    ui.answers = {true};
    ASSERT_TRUE(GenerationRun(m_system, m_inputs, ui, kStamp).generate());
    const auto deleting =
        std::find(ui.steps.begin(), ui.steps.end(), "Löschen der vorhandenen Testmappe|5");
    ASSERT_NE(ui.steps.end(), deleting);
    EXPECT_EQ("Anlegen der Testsystem-Istwertaufnahme-Testmappe|10", *(deleting + 1));
    EXPECT_FALSE(hasOld("TM_ABC_IST"));
    EXPECT_TRUE(fs::exists(target("TM_ABC_IST") / "ABC_IST.860"));
}

TEST_F(ExistingFolders, FileAppearingBeforeItsRunStopsIt) {
    InterferingUi ui;
    ui.trigger = "Vorbereitung der Testsystem-Istwertaufnahme-Testmappe|0";
    ui.action = [this] { ASSERT_TRUE(kw::writeLineFile(target("TM_ABC_IST"), {"Notiz"})); };
    EXPECT_FALSE(GenerationRun(m_system, m_inputs, ui, kStamp).generate());
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(Names{"W: Es existiert eine Datei namens \"" + target("TM_ABC_IST").string() +
                    "\"!\nDie Generierung wird abgebrochen!"},
              ui.messages);
    EXPECT_EQ("Notiz\r\n", bytes(target("TM_ABC_IST")));
    EXPECT_EQ(kSelfTestFolders, entries(m_root / "ziel"));
}
