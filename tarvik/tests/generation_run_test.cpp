#include "tarvik/generation/generation_run.h"

#include "common/files/file_ops.h"
#include "common/text/line_file.h"
#include "support/generation_fixture.h"
#include "tarvik/config/system_info.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarvik;

namespace fs = std::filesystem;

namespace {

bool contains(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

// A small rack: a KVR860, a TQD and the ZUPA beside the QBT860 and the decoder.
class GenerationRunTest : public GenerationFixture {
protected:
    GenerationRunTest() {
        m_system.slots[1] = {CardType::Kvr860, 0, 2};
        m_system.slots[2] = {CardType::Tqd, 1, 0};
        m_system.slots[14] = {CardType::Zupa, 1, 0};
    }
};

} // namespace

TEST_F(GenerationRunTest, GeneratesAllFourTestmappen) {
    m_inputs.generateCal = true;
    m_inputs.projectName = "TM_ABC";
    ASSERT_TRUE(generate()) << (m_ui.messages.empty() ? "" : m_ui.messages.back());
    EXPECT_EQ((std::vector<std::string>{"TM_ABC", "TM_ABC_IST", "TM_CAL_ABC", "TM_CAL_ABC_IST"}),
              entries(m_root / "ziel")); // no staging folder left behind
    EXPECT_EQ(
        std::vector<std::string>{"I: Die Selbsttest-Testmappen wurden erfolgreich generiert."},
        m_ui.messages);
    EXPECT_TRUE(m_ui.questions.empty());

    const auto selfTest = entries(target("TM_ABC"));
    for (const char* kept : {"ABC.860", "SET2.SET", "tarvik.sysinfo", "kvr.fct", "tqd.fct",
                             "zu_pa.fct", "qbt860.fct", "ulm520.fct", "resettest0.rst"}) {
        EXPECT_TRUE(std::count(selfTest.begin(), selfTest.end(), kept)) << kept;
    }
    for (const char* gone :
         {"SEL_TEMPLATE.860", "sew.fct", "dwb.fct", "ulm860.fct", "xab60v.fct", "qbt520.fct"}) {
        EXPECT_FALSE(std::count(selfTest.begin(), selfTest.end(), gone)) << gone;
    }
    EXPECT_TRUE(fs::exists(target("TM_ABC_IST") / "ABC_IST.860"));
    EXPECT_TRUE(fs::exists(target("TM_CAL_ABC") / "CAL_ABC.860"));
    EXPECT_TRUE(fs::exists(target("TM_CAL_ABC_IST") / "CAL_ABC_IST.860"));
    EXPECT_EQ("0 31 0\r\n1 2 0\r\n2 47 1\r\n14 15 1\r\n15 256 0\r\n",
              kw::readFileBytes(target("TM_CAL_ABC_IST") / "tarvik.sysinfo").value());

    // The project file lists only what is left, and the calibration project points to the
    // self-test folder.
    const auto project = kw::readLineFile(target("TM_ABC") / "ABC.860").value();
    EXPECT_TRUE(contains(project, "_sFile=kvr.fct"));
    EXPECT_FALSE(contains(project, "_sFile=sew.fct"));
    const auto calProject = kw::readLineFile(target("TM_CAL_ABC_IST") / "CAL_ABC_IST.860").value();
    EXPECT_TRUE(contains(calProject, "_sPath=" + (target("TM_ABC_IST") / "").string()));
    EXPECT_TRUE(contains(calProject, "_sFile=Bauteile_3458.fct"));

    // Progress: every run starts with its preparation and ends storing the configuration.
    EXPECT_TRUE(contains(m_ui.steps, "Vorbereitung der Selbsttest-Istwertaufnahme-Testmappe|0"));
    EXPECT_TRUE(contains(m_ui.steps, "Verarbeiten des KVR-Funktionstest-Moduls|35"));
    EXPECT_TRUE(contains(m_ui.steps, "Verarbeiten des Print_Cert-Kalibrier-Moduls|70"));
    EXPECT_EQ("System-Information ablegen|95", m_ui.steps.back());
    EXPECT_EQ("end", m_ui.events.back());
}

TEST_F(GenerationRunTest, UnusableNamesChangeNothingAndSayWhy) {
    const std::string missing = "Bitte geben Sie den Speicherort und die Bezeichnung für die zu "
                                "generierende(n) Testmappe an!";
    const std::string slash = "Der Name der Testmappe darf keinen Schrägstrich (\"/\" oder "
                              "\"\\\") enthalten!";
    const std::string dots = "Der Name der Testmappe darf weder \".\" sein noch \"..\" enthalten!";
    // "TM_" alone leaves no name for the folders and project files.
    const std::pair<std::string, std::string> rows[] = {
        {"", missing},
        {"TM_", missing},
        {"../ABC", slash},
        {"A\\B", slash},
        {"..", dots},
        {"A..B", dots},
        {"A\tB", "Der Name der Testmappe darf keine Steuerzeichen enthalten!"},
        {"C:ABC", "Der Name der Testmappe darf keinen Doppelpunkt enthalten!"},
        {std::string(228, 'X'),
         "Der Name der Testmappe ist zu lang: 228 Bytes, höchstens 227 Bytes sind möglich!"},
    };
    m_inputs.generateCal = true;
    for (const auto& [name, reason] : rows) {
        m_inputs.projectName = name;
        m_ui = ScriptedUi();
        EXPECT_FALSE(generate());
        EXPECT_EQ(std::vector<std::string>{"W: " + reason}, m_ui.messages) << name;
        EXPECT_EQ(1u, m_ui.events.size());
    }
    m_inputs.projectName = "ABC";
    m_inputs.targetDirectory.clear();
    EXPECT_FALSE(generate());
    EXPECT_EQ("W: " + missing, m_ui.messages.back());
    EXPECT_TRUE(entries(m_root / "ziel").empty());
    EXPECT_TRUE(m_ui.steps.empty());
}

TEST_F(GenerationRunTest, ExistingFoldersAreListedInOneQuestion) {
    fs::create_directories(target("TM_ABC") / "alt");
    fs::create_directories(target("TM_ABC_IST"));
    EXPECT_FALSE(generate()); // no answer: Cancel
    ASSERT_EQ(1u, m_ui.questions.size());
    EXPECT_EQ("Folgende Verzeichnisse existieren bereits und werden vor der Generierung "
              "gelöscht:\n\n" +
                  target("TM_ABC").string() + "\n" + target("TM_ABC_IST").string() + "\n",
              m_ui.questions[0]);
    EXPECT_TRUE(fs::exists(target("TM_ABC") / "alt"));

    m_ui.answers = {true};
    EXPECT_TRUE(generate());
    EXPECT_FALSE(fs::exists(target("TM_ABC") / "alt"));
    EXPECT_TRUE(fs::exists(target("TM_ABC") / "ABC.860"));

    // A single existing folder gives the one-path question.
    kw::removeTree(target("TM_ABC_IST"));
    m_ui.questions.clear();
    m_ui.answers = {true};
    EXPECT_TRUE(generate());
    ASSERT_EQ(1u, m_ui.questions.size());
    EXPECT_EQ("Das Verzeichnis \"" + target("TM_ABC").string() +
                  "\" existiert bereits und wird vor der Generierung gelöscht!",
              m_ui.questions[0]);
}

TEST_F(GenerationRunTest, AFileInTheWayStopsBeforeAnythingChanges) {
    ASSERT_TRUE(kw::writeLineFile(target("TM_ABC_IST"), {"x"}));
    fs::create_directories(target("TM_ABC"));
    EXPECT_FALSE(generate());
    EXPECT_EQ(std::vector<std::string>{"W: Es existiert eine Datei namens \"" +
                                       target("TM_ABC_IST").string() +
                                       "\"!\nDie Generierung wird abgebrochen!"},
              m_ui.messages);
    EXPECT_TRUE(m_ui.questions.empty());
    EXPECT_TRUE(fs::exists(target("TM_ABC")));
}

TEST_F(GenerationRunTest, FailingModuleRemovesOnlyItsOwnFolder) {
    m_inputs.generateCal = true;
    fs::remove(m_root / "programm" / "TM_CAL_TEMPLATE" / "Print_Cert_3458.fct");
    EXPECT_FALSE(generate());
    EXPECT_EQ(
        std::vector<std::string>{
            "W: Das Print_Cert-Kalibrier-Modul konnte nicht modifiziert werden!"},
        m_ui.messages);
    // The self-test pair stays, the calibration folder of the failed run is gone.
    EXPECT_EQ((std::vector<std::string>{"TM_ABC", "TM_ABC_IST"}), entries(m_root / "ziel"));

    // Trying again with the same name finds the earlier folders and asks once.
    m_ui.messages.clear();
    m_ui.answers = {true};
    EXPECT_FALSE(generate());
    EXPECT_EQ(1u, m_ui.questions.size());
}

TEST_F(GenerationRunTest, LeftoverStagingFolderIsReplaced) {
    GenerationRun run(m_system, m_inputs, m_ui, kStamp);
    const fs::path staging = run.stagingPath(false, false);
    fs::create_directories(staging / "halb");
    ASSERT_TRUE(run.generate());
    EXPECT_FALSE(fs::exists(staging));
    EXPECT_FALSE(fs::exists(target("TM_ABC") / "halb"));
}

TEST_F(GenerationRunTest, CalibrationSkipsModulesOnItsDeleteList) {
    m_inputs.generateCal = true;
    m_inputs.instrument = Instrument::Keithley2000;
    GenerationRun run(m_system, m_inputs, m_ui, kStamp);
    run.prepare();
    const auto steps = run.moduleSteps({true, false, "x"});
    auto stepFor = [&](const std::string& module) {
        return *std::find_if(steps.begin(), steps.end(),
                             [&](const ModuleStep& s) { return s.module == module; });
    };
    EXPECT_TRUE(stepFor("bauteile_3458.fct").skip);
    EXPECT_FALSE(stepFor("bauteile.fct").skip);
    EXPECT_FALSE(stepFor("dwb_cal.fct").skip); // its handler declines without DWB cards
    EXPECT_EQ("vortest.fct", steps[2].module);
    ASSERT_TRUE(run.generate());
    EXPECT_TRUE(fs::exists(target("TM_CAL_ABC") / "bauteile.fct"));
    EXPECT_FALSE(fs::exists(target("TM_CAL_ABC") / "bauteile_3458.fct"));
}

TEST_F(GenerationRunTest, ListedModulesAreFoundAsTheDeletionFindsThem) {
    // Of two entries that differ only in case, the exact listed name goes and the other one
    // stays; an empty folder under a listed name goes like a file.
    ASSERT_TRUE(kw::writeLineFile(selTemplate() / "seq.fct", {"x"}));
    ASSERT_TRUE(kw::writeLineFile(selTemplate() / "Seq.fct", {"y"}));
    ASSERT_TRUE(fs::remove(selTemplate() / "dwb.fct"));
    ASSERT_TRUE(fs::create_directories(selTemplate() / "dwb.fct"));
    ASSERT_TRUE(generate()) << lastMessage();
    const auto names = entries(target("TM_ABC"));
    EXPECT_FALSE(std::count(names.begin(), names.end(), "seq.fct"));
    EXPECT_FALSE(std::count(names.begin(), names.end(), "dwb.fct"));
    EXPECT_EQ("y\r\n", bytes(target("TM_ABC") / "Seq.fct"));
}

// Templates made on Windows name their files in any case: a module is found for its
// generator and for deletion whatever its case, and keeps the name it has.
TEST_F(GenerationRunTest, TemplateFilesInAnyCase) {
    const fs::path sel = m_inputs.templateSelPath;
    fs::rename(sel / "kvr.fct", sel / "KVR.FCT");
    fs::rename(sel / "sew.fct", sel / "Sew.Fct");
    fs::rename(sel / "SET2.SET", sel / "set2.set");
    fs::rename(sel / "SEL_TEMPLATE.860", sel / "Sel_Template.860");
    ASSERT_TRUE(generate()) << lastMessage();

    const auto names = entries(target("TM_ABC"));
    auto has = [&](const char* name) { return std::count(names.begin(), names.end(), name) == 1; };
    EXPECT_TRUE(has("KVR.FCT"));
    EXPECT_FALSE(has("kvr.fct"));
    EXPECT_FALSE(has("Sew.Fct"));
    EXPECT_TRUE(has("set2.set"));
    EXPECT_FALSE(has("SET2.SET"));
    EXPECT_TRUE(has("ABC.860"));
    EXPECT_FALSE(has("Sel_Template.860"));
    EXPECT_NE(bytes(sel / "KVR.FCT"), bytes(target("TM_ABC") / "KVR.FCT"));
    EXPECT_NE(std::string::npos,
              bytes(target("TM_ABC") / "set2.set").find("\\n\\nSelbsttest generiert"));
}

TEST_F(GenerationRunTest, ATemplateIsNeverReplacedByATestmappe) {
    // Target directory = program folder (reached through ".."), names that hit the templates.
    m_inputs.targetDirectory = m_root / "ziel" / ".." / "programm";
    m_inputs.generateCal = true;
    const std::vector<std::string> selBefore = entries(selTemplate());
    const std::vector<std::string> calBefore = entries(calTemplate());
    for (const char* name : {"SEL_TEMPLATE", "TEMPLATE"}) {
        m_inputs.projectName = name;
        m_ui.messages.clear();
        m_ui.answers = {true, true};
        EXPECT_FALSE(generate()) << name;
        ASSERT_EQ(1u, m_ui.messages.size()) << name;
        EXPECT_NE(std::string::npos, m_ui.messages[0].find("enthält eine Vorlagen-Testmappe"))
            << m_ui.messages[0];
        EXPECT_TRUE(m_ui.questions.empty());
    }
    // Nor is a Testmappe put inside a template, where each run would copy the template into
    // itself once more.
    m_inputs.projectName = "ABC";
    for (const fs::path& inside : {selTemplate(), calTemplate() / "unter" / ".."}) {
        m_inputs.targetDirectory = inside;
        m_ui = ScriptedUi();
        EXPECT_FALSE(generate());
        ASSERT_EQ(1u, m_ui.messages.size());
        EXPECT_NE(std::string::npos, m_ui.messages[0].find("liegt in einer Vorlagen-Testmappe"))
            << m_ui.messages[0];
        EXPECT_TRUE(m_ui.steps.empty());
    }
    EXPECT_EQ(selBefore, entries(selTemplate()));
    EXPECT_EQ(calBefore, entries(calTemplate()));
}
