// Whole generation runs on the bundled templates for racks of each system type: which modules
// each Testmappe keeps, that every kept module was rewritten by its generator, the progress
// the user sees and the configuration stored in each folder.

#include "support/generation_fixture.h"

#include "common/text/line_file.h"

#include <gtest/gtest.h>

#include <algorithm>

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

// One card of every card family with a module generator, on an 860 with the new decoder
// (ULM860) and a DAX19 at card address 50.
void fillEveryFamily(CSystemInfo& system) {
    system.setManual(860, false, false, true);
    system.slots[1] = {CardType::Kvr860, 0, 1};
    system.slots[2] = {CardType::Tqd, 4, 0};
    system.slots[3] = {CardType::Sew, 0, 0};
    system.slots[4] = {CardType::Sew, 5, 0}; // SEQ28
    system.slots[5] = {CardType::Log, 11, 0};
    system.slots[6] = {CardType::Gat, 2, 0};
    system.slots[7] = {CardType::Norv860, 0, 0};
    system.slots[8] = {CardType::Dwb860, 0, 0};
    system.slots[9] = {CardType::Fjn860, 0, 1};
    system.slots[10] = {CardType::Jel6, 0, 0};
    system.slots[11] = {CardType::Multi, 1, 0}; // YOT860
    system.slots[12] = {CardType::Multi, 2, 0}; // PEW860
    system.slots[13] = {CardType::Ow, 1, 0};    // OW860
    system.slots[14] = {CardType::Zupa, 1, 0};
    system.slots[48] = {CardType::Multi, 4, 0}; // BAQ44
    system.slots[49] = {CardType::Multi, 6, 0}; // GIV12
}

const Names kEveryFamilySelfTestModules = {
    "Print_Cert.fct", "SET2.SET",    "baq.fct",       "bauteiltest_qbt860.ict",
    "dax19.fct",      "dwb.fct",     "fjn.fct",       "gat84.fct",
    "giv.fct",        "jel_fkt.fct", "jel_ict.ict",   "kvr.fct",
    "logik.fct",      "norv.fct",    "ow860.fct",     "pew860.fct",
    "qbt860.fct",     "resettest0.rst", "seq.fct",    "sew.fct",
    "tarvik.sysinfo", "tqd.fct",     "ulm860.fct",    "verbindungstest.icn",
    "yot.fct",        "zu_pa.fct"};

// The modules each self-test generator rewrites for this rack.
const Names kEveryFamilySelfTestRewritten = {
    "verbindungstest.icn", "bauteiltest_qbt860.ict", "kvr.fct",     "tqd.fct",
    "sew.fct",             "logik.fct",              "gat84.fct",   "norv.fct",
    "seq.fct",             "dwb.fct",                "fjn.fct",     "jel_ict.ict",
    "jel_fkt.fct",         "zu_pa.fct",              "yot.fct",     "baq.fct",
    "giv.fct",             "Print_Cert.fct",         "resettest0.rst", "SET2.SET"};

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

void PrintTo(const InstrumentCase& c, std::ostream* out) { *out << c.name; }

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
                         [](const auto& info) { return std::string(info.param.name); });
