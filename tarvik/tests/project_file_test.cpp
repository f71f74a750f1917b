#include "tarvik/generation/project_file.h"

#include "common/text/line_file.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/run_inputs.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvik;

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// Items 0 to 4, each with a file and a parent line.
Lines fiveItems(const std::string& itemTwoFile) {
    return {"[Project]",
            "Item=5",
            "Item_0_sFile=",
            "Item_0_nParent=-1",
            "Item_1_sFile=kvr.fct",
            "Item_1_nParent=0",
            "Item_2_sName=Zweig",
            "Item_2_sFile=" + itemTwoFile,
            "Item_2_nParent=0",
            "Item_3_sFile=tqd.fct",
            "Item_3_nParent=0",
            "Item_4_sFile=sew.fct",
            "Item_4_nParent=3"};
}

class ProjectFileTest : public ::testing::Test {
protected:
    ProjectFileTest() {
        m_inputs.targetDirectory = "/ziel";
        m_inputs.projectName = "ABC";
        m_system.setManual(860, false, false, false);
    }

    Lines rewrite(const Lines& in, bool cal, bool ist, const Lines& deleteList) {
        return rewriteProjectLines(in, m_inputs, m_system, cal, ist, deleteList);
    }

    RunInputs m_inputs;
    CSystemInfo m_system;
};

} // namespace

TEST_F(ProjectFileTest, RemovedItemRenumbersTheFollowingOnes) {
    const Lines out = rewrite(fiveItems("seq.fct"), false, false, {"seq.fct", "other.fct"});
    // Item 2's first line came before its file line: it goes too. The count is the number of
    // items written, not the count minus the delete list.
    EXPECT_EQ((Lines{"[Project]", "Item=4", "Item_0_sFile=", "Item_0_nParent=-1",
                     "Item_1_sFile=kvr.fct", "Item_1_nParent=0", "Item_2_sFile=tqd.fct",
                     "Item_2_nParent=0", "Item_3_sFile=sew.fct", "Item_3_nParent=2"}),
              out);
}

TEST_F(ProjectFileTest, NothingDeletedKeepsTheItems) {
    const Lines in = fiveItems("seq.fct");
    EXPECT_EQ(in, rewrite(in, false, false, {}));
}

TEST_F(ProjectFileTest, VortestItemsFollowTheSystemType) {
    const Lines in = {"Item=2", "Item_0_sFile=vortest.fct", "Item_1_sFile=vortest_945.fct"};
    EXPECT_EQ((Lines{"Item=1", "Item_0_sFile=vortest.fct"}), rewrite(in, false, false, {}));
    m_system.setManual(945, false, false, false);
    EXPECT_EQ((Lines{"Item=1", "Item_0_sFile=vortest_945.fct"}), rewrite(in, false, false, {}));
}

TEST_F(ProjectFileTest, CalibrationItemsFollowTheInstrument) {
    const Lines in = {"Item=6",
                      "Item_0_sFile=bauteile.fct",
                      "Item_1_sFile=istwerterfassung.fct",
                      "Item_2_sFile=dwb_cal.fct",
                      "Item_3_sFile=pew860_cal.fct",
                      "Item_4_sFile=print_cert.fct",
                      "Item_5_sPath=C:\\alt\\"};
    const Lines noDwb = {"dwb_cal.fct", "dwb_cal_3458.fct"};
    m_inputs.instrument = Instrument::Keysight3458A;
    const std::string selfTestIst = (fs::path("/ziel") / "TM_ABC_IST" / "").string();
    EXPECT_EQ((Lines{"Item=5", "Item_0_sFile=Bauteile_3458.fct",
                     "Item_1_sFile=Istwerterfassung_3458.fct", "Item_2_sFile=PEW860_CAL_3458.fct",
                     "Item_3_sFile=print_cert_3458.fct", "Item_4_sPath=" + selfTestIst}),
              rewrite(in, true, true, noDwb));

    m_inputs.instrument = Instrument::Keithley2000;
    const Lines keithley = rewrite(in, true, false, {"bauteile_3458.fct"});
    EXPECT_EQ("Item_0_sFile=bauteile.fct", keithley[1]);
    EXPECT_EQ("Item_2_sFile=dwb_cal.fct", keithley[3]);
    EXPECT_EQ("Item_5_sPath=" + (fs::path("/ziel") / "TM_ABC" / "").string(), keithley[6]);

    // The project file is Windows-1252: an umlaut of the folder is written as one byte.
    m_inputs.targetDirectory = "/Prüfplätze";
    EXPECT_EQ("Item_5_sPath=/Pr\xFC"
              "fpl\xE4tze/TM_ABC/",
              rewrite(in, true, false, {})[6]);
    m_inputs.targetDirectory = "/ziel";

    // In a self-test project the same items only go when deleted; no renaming, no path.
    const Lines selfTest = rewrite(in, false, false, {});
    EXPECT_EQ(in, selfTest);
}

TEST_F(ProjectFileTest, SettingsFollowTheConfiguration) {
    const Lines in = {"FileTypeBits=0",      "MeasureSystem2Use=7", "MeasureSystemAuto2Use=1",
                      "PIN_KAP_WERT=100 pF", "Dax19ASNg520=1",      "Other=1"};
    EXPECT_EQ((Lines{"FileTypeBits=2", "MeasureSystem2Use=1", "MeasureSystemAuto2Use=0",
                     "PIN_KAP_WERT=100 pF", "Dax19ASNg520=1", "Other=1"}),
              rewrite(in, false, false, {}));

    m_system.setManual(945, false, false, false); // QBT520, no SEQ28 yet
    EXPECT_EQ("FileTypeBits=1", rewrite(in, false, false, {})[0]);
    EXPECT_EQ("MeasureSystem2Use=0", rewrite(in, false, false, {})[1]);
    EXPECT_EQ("PIN_KAP_WERT=100 pF", rewrite(in, false, false, {})[3]);
    m_system.slots[3] = {CardType::Sew, 5, 0};
    EXPECT_EQ("PIN_KAP_WERT=90 pF", rewrite(in, false, false, {})[3]);

    m_system.setManual(860, false, false, true); // DAX19 at card address 50
    EXPECT_EQ("Dax19ASNg520=0", rewrite(in, false, false, {})[4]);
}

TEST_F(ProjectFileTest, StrayAndMalformedItemLinesAreKept) {
    const Lines in = {"Item=2", "Item_x_sFile=a", "Item_1_sFile=kvr.fct", "Item_0_sFile=late",
                      "Item_1_nParent=abc"};
    EXPECT_EQ((Lines{"Item=1", "Item_x_sFile=a", "Item_0_sFile=kvr.fct", "Item_0_sFile=late",
                     "Item_0_nParent=abc"}),
              rewrite(in, false, false, {}));
}

TEST_F(ProjectFileTest, WritesTheTemplatesFileUnderTheNewName) {
    const fs::path folder = fs::temp_directory_path() / "kw_project_file_test";
    fs::remove_all(folder);
    fs::create_directories(folder / "template");
    const fs::path input = folder / "template" / "sel_template.860";
    ASSERT_TRUE(kw::writeLineFile(input, {"Item=1", "Item_0_sFile=kvr.fct"}));
    m_inputs.projectName = "TM_ABC";
    ASSERT_TRUE(rewriteProjectFile(m_inputs, m_system, input, folder, false, true, {"kvr.fct"}));
    EXPECT_EQ("Item=0\r\n", kw::readFileBytes(folder / "ABC_IST.860").value());
    // The template keeps its file.
    EXPECT_EQ("Item=1\r\nItem_0_sFile=kvr.fct\r\n", kw::readFileBytes(input).value());
    EXPECT_FALSE(rewriteProjectFile(m_inputs, m_system, folder / "template" / "missing.860", folder,
                                    false, true, {}));
    fs::remove_all(folder);
}

TEST(RunInputs, FolderNamesAndTemplateProjectNames) {
    RunInputs inputs;
    inputs.targetDirectory = "/t";
    inputs.projectName = "TM_ABC";
    EXPECT_EQ("ABC", inputs.folderName(false, false));
    EXPECT_EQ("ABC_IST", inputs.folderName(false, true));
    EXPECT_EQ("CAL_ABC", inputs.folderName(true, false));
    EXPECT_EQ("CAL_ABC_IST", inputs.folderName(true, true));
    EXPECT_EQ(fs::path("/t/TM_CAL_ABC_IST"), inputs.folderPath(true, true));
    inputs.projectName = "";
    EXPECT_EQ("", inputs.folderName(false, false));
    EXPECT_EQ("SEL_TEMPLATE", templateProjectName("/prog/TM_SEL_TEMPLATE"));
    EXPECT_EQ("SEL_TEMPLATE", templateProjectName("/prog/TM_SEL_TEMPLATE/"));
    EXPECT_EQ("Vorlage", templateProjectName("Vorlage"));
}
