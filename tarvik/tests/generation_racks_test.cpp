// Whole generation runs on the bundled templates for racks of each system type: which modules
// each Testmappe keeps, that every kept module was rewritten by its generator, the progress
// the user sees and the configuration stored in each folder.

#include "support/generation_fixture.h"

#include "common/text/line_file.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarvik;

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

const char* const kSuccess = "I: Die Selbsttest-Testmappen wurden erfolgreich generiert.";

// The progress of one self-test Testmappe: every row of the module order shows its text and
// main bar, also when its module is not there to rewrite.
Names selfTestSteps(const std::string& kind) {
    return {"Vorbereitung der " + kind + "|0",
            "Anlegen der " + kind + "|10",
            "Löschen unnötiger Module|15",
            "Verarbeiten der Projekt-Datei|20",
            "Verarbeiten der Dokumentation|23",
            "Verarbeiten des Netztest-Moduls|25",
            "Verarbeiten des QBT520-Bauteiltest-Moduls|28",
            "Verarbeiten des QBT860-Bauteiltest-Moduls|30",
            "Verarbeiten des QBT520-Funktionstest-Moduls|32",
            "Verarbeiten des KVR-Funktionstest-Moduls|35",
            "Verarbeiten des TQD-Funktionstest-Moduls|38",
            "Verarbeiten des SEW-Funktionstest-Moduls|41",
            "Verarbeiten des Logik-Funktionstest-Moduls|45",
            "Verarbeiten des GAT84-Funktionstest-Moduls|50",
            "Verarbeiten des NORV-Funktionstest-Moduls|55",
            "Verarbeiten des SEQ-Funktionstest-Moduls|60",
            "Verarbeiten des DWB-Funktionstest-Moduls|65",
            "Verarbeiten des FJN-Funktionstest-Moduls|70",
            "Verarbeiten des JEL-Bauteiltest-Moduls|73",
            "Verarbeiten des JEL-Funktionstest-Moduls|78",
            "Verarbeiten des ZUPA-Funktionstest-Moduls|80",
            "Verarbeiten des YOT-Funktionstest-Moduls|83",
            "Verarbeiten des BAQ-Funktionstest-Moduls|85",
            "Verarbeiten des GIV-Funktionstest-Moduls|86",
            "Verarbeiten des Print_Cert-Funktionstest-Moduls|88",
            "Verarbeiten des Reset-Moduls|90",
            "System-Information ablegen|95"};
}

Names calibrationSteps(const std::string& kind) {
    return {"Vorbereitung der " + kind + "|0",
            "Anlegen der " + kind + "|10",
            "Löschen unnötiger Module|15",
            "Verarbeiten der Projekt-Datei|20",
            "Verarbeiten der Dokumentation|25",
            "Verarbeiten des Vortest-Moduls|30",
            "Verarbeiten des Bauteiltest-Moduls|35",
            "Verarbeiten des Bauteile-Moduls|40",
            "Verarbeiten des Bauteile-Moduls|45",
            "Verarbeiten des Istwerterfassungs-Moduls|50",
            "Verarbeiten des Istwerterfassungs-Moduls|55",
            "Verarbeiten des DWB-Kalibrier-Moduls|60",
            "Verarbeiten des PEW860-Kalibrier-Moduls|65",
            "Verarbeiten des Print_Cert-Kalibrier-Moduls|70",
            "System-Information ablegen|95"};
}

Names allSteps(bool cal) {
    Names steps = {"Aufbereitung der Testsystem-Informationen|0"};
    auto append = [&](const Names& more) { steps.insert(steps.end(), more.begin(), more.end()); };
    append(selfTestSteps("Testsystem-Selbsttest-Testmappe"));
    append(selfTestSteps("Testsystem-Istwertaufnahme-Testmappe"));
    if (cal) {
        append(calibrationSteps("Selbsttest-Kalibrier-Testmappe"));
        append(calibrationSteps("Selbsttest-Istwertaufnahme-Testmappe"));
    }
    return steps;
}

Names sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

Names with(Names names, std::initializer_list<const char*> more) {
    names.insert(names.end(), more.begin(), more.end());
    return sorted(names);
}

const Names kEveryFamilySelfTestModules = {
    "Print_Cert.fct", "SET2.SET",       "baq.fct",     "bauteiltest_qbt860.ict",
    "dax19.fct",      "dwb.fct",        "fjn.fct",     "gat84.fct",
    "giv.fct",        "jel_fkt.fct",    "jel_ict.ict", "kvr.fct",
    "logik.fct",      "norv.fct",       "ow860.fct",   "pew860.fct",
    "qbt860.fct",     "resettest0.rst", "seq.fct",     "sew.fct",
    "tarvik.sysinfo", "tqd.fct",        "ulm860.fct",  "verbindungstest.icn",
    "yot.fct",        "zu_pa.fct"};

// The modules each self-test generator rewrites for this rack.
const Names kEveryFamilySelfTestRewritten = {"verbindungstest.icn",
                                             "bauteiltest_qbt860.ict",
                                             "kvr.fct",
                                             "tqd.fct",
                                             "sew.fct",
                                             "logik.fct",
                                             "gat84.fct",
                                             "norv.fct",
                                             "seq.fct",
                                             "dwb.fct",
                                             "fjn.fct",
                                             "jel_ict.ict",
                                             "jel_fkt.fct",
                                             "zu_pa.fct",
                                             "yot.fct",
                                             "baq.fct",
                                             "giv.fct",
                                             "Print_Cert.fct",
                                             "resettest0.rst",
                                             "SET2.SET"};

struct InstrumentCase {
    int instrument;
    const char* name;
    Names calModules;   // kept in both calibration folders, besides project file and sysinfo
    Names calRewritten; // rewritten there by their generators
};

const InstrumentCase kInstrumentCases[] = {
    {Instrument::Keysight3458A,
     "Keysight",
     {"Istwerterfassung_3458.fct", "Print_Cert_3458.fct", "SET2.SET", "bauteile_3458.fct",
      "bauteiltest0.ict", "dax19.fct", "dwb_cal_3458.fct", "pew860_cal_3458.fct", "ulm860.fct",
      "vortest.fct"},
     {"vortest.fct", "bauteiltest0.ict", "bauteile_3458.fct", "Istwerterfassung_3458.fct",
      "dwb_cal_3458.fct", "pew860_cal_3458.fct", "Print_Cert_3458.fct", "SET2.SET"}},
    {Instrument::Keithley2000,
     "Keithley",
     {"Istwerterfassung.fct", "Print_Cert.fct", "SET2.SET", "bauteile.fct", "bauteiltest0.ict",
      "dax19.fct", "dwb_cal.fct", "pew860_cal.fct", "ulm860.fct", "vortest.fct"},
     {"vortest.fct", "bauteiltest0.ict", "bauteile.fct", "Istwerterfassung.fct", "dwb_cal.fct",
      "pew860_cal.fct", "Print_Cert.fct", "SET2.SET"}},
};

void PrintTo(const InstrumentCase& c, std::ostream* out) {
    *out << c.name;
}

class EveryFamilyRack : public GenerationFixture,
                        public ::testing::WithParamInterface<InstrumentCase> {
protected:
    EveryFamilyRack() {
        fillEveryFamily(m_system);
        m_inputs.generateCal = true;
        m_inputs.instrument = GetParam().instrument;
    }

    // Each listed module of a generated folder differs from the module in the template.
    void expectRewritten(const fs::path& folder, const fs::path& templateFolder,
                         const Names& modules) {
        for (const std::string& module : modules) {
            const std::string generated = bytes(folder / module);
            EXPECT_FALSE(generated.empty()) << folder.filename() << "/" << module;
            EXPECT_NE(bytes(templateFolder / module), generated)
                << folder.filename() << "/" << module << " was left as copied";
        }
    }
};

} // namespace

TEST_P(EveryFamilyRack, EveryModuleOfTheOrderIsRewritten) {
    const InstrumentCase& param = GetParam();
    ASSERT_TRUE(generate()) << lastMessage();
    EXPECT_EQ(Names{kSuccess}, m_ui.messages);
    EXPECT_TRUE(m_ui.questions.empty());
    EXPECT_EQ((Names{"TM_ABC", "TM_ABC_IST", "TM_CAL_ABC", "TM_CAL_ABC_IST"}),
              entries(m_root / "ziel"));

    // Kept and deleted modules, the project file under its new name.
    EXPECT_EQ(with(kEveryFamilySelfTestModules, {"ABC.860"}), entries(target("TM_ABC")));
    EXPECT_EQ(with(kEveryFamilySelfTestModules, {"ABC_IST.860"}), entries(target("TM_ABC_IST")));
    EXPECT_EQ(with(param.calModules, {"CAL_ABC.860", "tarvik.sysinfo"}),
              entries(target("TM_CAL_ABC")));
    EXPECT_EQ(with(param.calModules, {"CAL_ABC_IST.860", "tarvik.sysinfo"}),
              entries(target("TM_CAL_ABC_IST")));

    for (const char* folder : {"TM_ABC", "TM_ABC_IST"}) {
        expectRewritten(target(folder), selTemplate(), kEveryFamilySelfTestRewritten);
    }
    for (const char* folder : {"TM_CAL_ABC", "TM_CAL_ABC_IST"}) {
        expectRewritten(target(folder), calTemplate(), param.calRewritten);
    }

    // Every row showed its progress, in order; the window is hidden after each Testmappe.
    EXPECT_EQ(allSteps(true), m_ui.steps);
    EXPECT_EQ(4, std::count(m_ui.events.begin(), m_ui.events.end(), "hide"));
    EXPECT_EQ("end", m_ui.events.back());

    const std::string sysInfo = "0 31 0\r\n1 2 0\r\n2 47 4\r\n3 1 0\r\n4 1 5\r\n5 10 11\r\n"
                                "6 3 2\r\n7 79 0\r\n8 111 0\r\n9 13 0\r\n10 14 0\r\n11 239 1\r\n"
                                "12 239 2\r\n13 6 1\r\n14 15 1\r\n15 256 1\r\n48 239 4\r\n"
                                "49 239 6\r\n50 239 3\r\n";
    for (const char* folder : {"TM_ABC", "TM_ABC_IST", "TM_CAL_ABC", "TM_CAL_ABC_IST"}) {
        EXPECT_EQ(sysInfo, bytes(target(folder) / "tarvik.sysinfo")) << folder;
    }
}

TEST_P(EveryFamilyRack, TwinsAreGeneratedAsActualValueRecordings) {
    ASSERT_TRUE(generate()) << lastMessage();
    // The generators that know the actual-value flag write differently for the twins.
    EXPECT_NE(bytes(target("TM_ABC") / "Print_Cert.fct"),
              bytes(target("TM_ABC_IST") / "Print_Cert.fct"));
    for (const std::string& module : GetParam().calRewritten) {
        EXPECT_NE(bytes(target("TM_CAL_ABC") / module), bytes(target("TM_CAL_ABC_IST") / module))
            << module;
    }
}

INSTANTIATE_TEST_SUITE_P(Instruments, EveryFamilyRack, ::testing::ValuesIn(kInstrumentCases),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

namespace {

Names fileLines(const fs::path& file) {
    return kw::readLineFile(file).value_or(Names{});
}

bool has(const Names& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool hasFileItem(const Names& lines, const std::string& module) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        const std::size_t at = line.find("_sFile=");
        return line.rfind("Item_", 0) == 0 && at != std::string::npos &&
               line.substr(at + 7) == module;
    });
}

class SystemTypeRack : public GenerationFixture {
protected:
    SystemTypeRack() { m_inputs.generateCal = true; }

    void expectSteps(const Names& expected) {
        const std::string first = "Vorbereitung der Testsystem-Selbsttest-Testmappe|0";
        const auto start = std::find(m_ui.steps.begin(), m_ui.steps.end(), first);
        EXPECT_EQ(expected, Names(start, m_ui.steps.end()));
    }
};

} // namespace

// A 945: QBT520 in front, no decoder; the 945 pretest replaces the other one and the 945
// decoder and supply modules stay.
TEST_F(SystemTypeRack, Rack945) {
    m_system.setManual(945, false, false, false);
    m_system.slots[1] = {CardType::Sew, 5, 0}; // SEQ28
    m_system.slots[2] = {CardType::Kvr860, 0, 3};
    m_system.slots[3] = {CardType::Dwb860, 0, 0};
    ASSERT_TRUE(generate()) << lastMessage();

    const Names selfTest = {
        "Print_Cert.fct",     "SET2.SET",   "bauteiltest_qbt520.ict", "dwb.fct", "kvr.fct",
        "ng_gen.fct",         "qbt520.fct", "resettest0.rst",         "seq.fct", "tarvik.sysinfo",
        "verbindungstest.icn"};
    EXPECT_EQ(with(selfTest, {"ABC.860"}), entries(target("TM_ABC")));
    EXPECT_EQ(with(selfTest, {"ABC_IST.860"}), entries(target("TM_ABC_IST")));
    const Names cal = {"Istwerterfassung_3458.fct",
                       "Print_Cert_3458.fct",
                       "SET2.SET",
                       "bauteile_3458.fct",
                       "bauteiltest0.ict",
                       "dekoder_945.fct",
                       "dwb_cal_3458.fct",
                       "ng_gen.fct",
                       "tarvik.sysinfo",
                       "vortest_945.fct"};
    EXPECT_EQ(with(cal, {"CAL_ABC.860"}), entries(target("TM_CAL_ABC")));

    // The QBT520 modules and the 945 pretest are rewritten.
    for (const char* module : {"qbt520.fct", "bauteiltest_qbt520.ict", "dwb.fct", "seq.fct"}) {
        EXPECT_NE(bytes(selTemplate() / module), bytes(target("TM_ABC") / module)) << module;
    }
    EXPECT_NE(bytes(calTemplate() / "vortest_945.fct"),
              bytes(target("TM_CAL_ABC") / "vortest_945.fct"));

    const Names project = fileLines(target("TM_ABC") / "ABC.860");
    EXPECT_TRUE(has(project, "FileTypeBits=1"));
    EXPECT_TRUE(has(project, "MeasureSystem2Use=0"));
    EXPECT_TRUE(has(project, "PIN_KAP_WERT=90 pF")); // 945 with a SEQ28
    EXPECT_TRUE(has(project, "Dax19ASNg520=1"));
    EXPECT_TRUE(hasFileItem(project, "ng_gen.fct"));
    EXPECT_TRUE(hasFileItem(project, "qbt520.fct"));
    EXPECT_FALSE(hasFileItem(project, "ulm520.fct"));
    EXPECT_FALSE(hasFileItem(project, "rng.fct"));
    const Names calProject = fileLines(target("TM_CAL_ABC") / "CAL_ABC.860");
    EXPECT_TRUE(hasFileItem(calProject, "vortest_945.fct"));
    EXPECT_FALSE(hasFileItem(calProject, "vortest.fct"));
    EXPECT_TRUE(hasFileItem(calProject, "dekoder_945.fct"));
    EXPECT_TRUE(hasFileItem(calProject, "DWB_CAL_3458.fct"));
    EXPECT_FALSE(hasFileItem(calProject, "pew860_cal.fct"));

    const std::string docu = bytes(target("TM_ABC") / "SET2.SET");
    EXPECT_NE(std::string::npos,
              docu.find("\\nf\xFCr UKPRQ mit folgendem Systemausbau:\\n\\nQBT520 "
                        "in QBT\\nSEQ28 in P1\\nKVR860 (NG+-) in P2\\n"));
}

// A 930: QBT520, no decoder, the general pretest; calibrated with the Keithley 2000.
TEST_F(SystemTypeRack, Rack930WithKeithley) {
    m_system.setManual(930, false, false, false);
    m_system.slots[1] = {CardType::Kvr860, 0, 0};
    m_inputs.instrument = Instrument::Keithley2000;
    ASSERT_TRUE(generate()) << lastMessage();

    EXPECT_EQ(
        (Names{"ABC.860", "Print_Cert.fct", "SET2.SET", "bauteiltest_qbt520.ict", "kvr.fct",
               "qbt520.fct", "resettest0.rst", "rng.fct", "tarvik.sysinfo", "verbindungstest.icn"}),
        entries(target("TM_ABC")));
    EXPECT_EQ(
        (Names{"CAL_ABC_IST.860", "Istwerterfassung.fct", "Print_Cert.fct", "SET2.SET",
               "bauteile.fct", "bauteiltest0.ict", "rng.fct", "tarvik.sysinfo", "vortest.fct"}),
        entries(target("TM_CAL_ABC_IST")));

    const Names project = fileLines(target("TM_ABC") / "ABC.860");
    EXPECT_TRUE(has(project, "FileTypeBits=1"));
    EXPECT_TRUE(has(project, "PIN_KAP_WERT=100 pF"));
    EXPECT_FALSE(hasFileItem(project, "ng_gen.fct"));
    const Names calProject = fileLines(target("TM_CAL_ABC_IST") / "CAL_ABC_IST.860");
    for (const char* kept :
         {"vortest.fct", "bauteile.fct", "istwerterfassung.fct", "print_cert.fct", "rng.fct"}) {
        EXPECT_TRUE(hasFileItem(calProject, kept)) << kept;
    }
    for (const char* gone :
         {"dwb_cal.fct", "pew860_cal.fct", "dekoder_945.fct", "ng_gen.fct", "ulm520.fct"}) {
        EXPECT_FALSE(hasFileItem(calProject, gone)) << gone;
    }
    EXPECT_NE(std::string::npos, bytes(target("TM_ABC") / "SET2.SET")
                                     .find("\\nf\xFCr PCPRQ930 mit folgendem Systemausbau:\\n\\n"
                                           "QBT520 in QBT\\nKVR860 in P1\\n\r\n  STAND"));
}

// Without any card only the fixed modules stay; the generators of the card families find no
// card and leave their (deleted) modules alone, and the QBT rows are passed over.
TEST_F(SystemTypeRack, RackWithoutCards) {
    m_system.slots = {};
    ASSERT_TRUE(generate()) << lastMessage();
    EXPECT_EQ((Names{kSuccess}), m_ui.messages);

    EXPECT_EQ((Names{"ABC_IST.860", "Print_Cert.fct", "SET2.SET", "resettest0.rst", "rng.fct",
                     "tarvik.sysinfo", "verbindungstest.icn"}),
              entries(target("TM_ABC_IST")));
    EXPECT_EQ((Names{"CAL_ABC.860", "Istwerterfassung_3458.fct", "Print_Cert_3458.fct", "SET2.SET",
                     "bauteile_3458.fct", "bauteiltest0.ict", "rng.fct", "tarvik.sysinfo",
                     "vortest.fct"}),
              entries(target("TM_CAL_ABC")));
    EXPECT_EQ("", bytes(target("TM_ABC") / "tarvik.sysinfo"));
    EXPECT_TRUE(fs::exists(target("TM_ABC") / "tarvik.sysinfo"));

    // The project keeps the items of the kept modules and their folders, numbered densely.
    const Names project = fileLines(target("TM_ABC_IST") / "ABC_IST.860");
    EXPECT_TRUE(has(project, "FileTypeBits=2"));
    Names files;
    for (const std::string& line : project) {
        if (const std::size_t at = line.find("_sFile="); at != std::string::npos) {
            files.push_back(line);
        }
    }
    EXPECT_EQ((Names{"Item_2_sFile=verbindungstest.icn", "Item_3_sFile=resettest0.rst",
                     "Item_5_sFile=rng.fct", "Item_11_sFile=Print_Cert.fct"}),
              files);
    EXPECT_TRUE(has(project, "Item=12"));
    EXPECT_NE(std::string::npos,
              bytes(target("TM_ABC") / "SET2.SET").find("Systemausbau:\\n\\n\r\n  STAND"));
    expectSteps([] {
        Names steps = selfTestSteps("Testsystem-Selbsttest-Testmappe");
        const Names ist = selfTestSteps("Testsystem-Istwertaufnahme-Testmappe");
        const Names cal = calibrationSteps("Selbsttest-Kalibrier-Testmappe");
        const Names calIst = calibrationSteps("Selbsttest-Istwertaufnahme-Testmappe");
        steps.insert(steps.end(), ist.begin(), ist.end());
        steps.insert(steps.end(), cal.begin(), cal.end());
        steps.insert(steps.end(), calIst.begin(), calIst.end());
        return steps;
    }());
}

namespace {

// Replaces every "@ZIEL@" of an expected file by the target directory.
std::string expectedFile(const fs::path& file, const fs::path& targetDirectory) {
    std::string text = GenerationFixture::bytes(file);
    const std::string token = "@ZIEL@";
    for (std::size_t at = text.find(token); at != std::string::npos; at = text.find(token, at)) {
        text.replace(at, token.size(), targetDirectory.string());
    }
    return text;
}

} // namespace

// The project file and the documentation of a self-test and of a calibration actual-value
// Testmappe, byte for byte: removed items with the items after them renumbered and their
// parents following, the 3458 names, the path to the self-test twin, the settings of a rack
// with DAX19, and the documentation text in Windows-1252.
TEST_F(SystemTypeRack, ProjectFilesAndDocumentationByteForByte) {
    m_system.setManual(860, false, false, true);
    m_system.slots[1] = {CardType::Kvr860, 0, 2};
    m_system.slots[2] = {CardType::Tqd, 1, 0};
    m_system.slots[3] = {CardType::Dwb860, 0, 0};
    m_system.slots[4] = {CardType::Fjn860, 0, 1};
    m_system.slots[14] = {CardType::Zupa, 1, 0};
    m_system.hasXab60V = true;
    m_inputs.projectName = "TM_ABC";
    ASSERT_TRUE(generate()) << lastMessage();

    const fs::path expected = fs::path(KW_TEST_DATA_DIR) / "generated_testmappe";
    const fs::path ziel = m_root / "ziel";
    for (const char* file : {"TM_ABC/ABC.860", "TM_ABC/SET2.SET", "TM_CAL_ABC_IST/CAL_ABC_IST.860",
                             "TM_CAL_ABC_IST/SET2.SET"}) {
        EXPECT_EQ(expectedFile(expected / file, ziel), bytes(ziel / file)) << file;
    }
}

// The default target directory need not exist yet: it is created for the first Testmappe.
TEST_F(SystemTypeRack, TargetDirectoryIsCreated) {
    m_inputs.generateCal = false;
    m_inputs.targetDirectory = m_root / "neu" / "Testmappen";
    // Not for a run that is refused.
    m_inputs.projectName = "";
    EXPECT_FALSE(generate());
    EXPECT_FALSE(fs::exists(m_root / "neu"));

    m_inputs.projectName = "ABC";
    ASSERT_TRUE(generate()) << lastMessage();
    EXPECT_EQ((Names{"TM_ABC", "TM_ABC_IST"}), entries(m_inputs.targetDirectory));
}
