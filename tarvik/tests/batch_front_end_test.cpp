#include "tarvik/app/batch_front_end.h"

#include "common/text/line_file.h"
#include "tarvik/app/command_line_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace tarvik;

namespace {

struct BatchResult {
    int exitCode;
    std::string out;
    std::string err;
};

BatchResult batch(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = runBatch(arguments, out, err);
    return {code, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

} // namespace

TEST(CommandLine, OnlySwitchesBeginningWithIStopTheHardwareSearch) {
    EXPECT_TRUE(CTarvikCommandLineInfo({"-i"}).noHardwareSearch());
    EXPECT_TRUE(CTarvikCommandLineInfo({"/I"}).noHardwareSearch());
    EXPECT_TRUE(CTarvikCommandLineInfo({"x", "-info"}).noHardwareSearch());
    EXPECT_FALSE(CTarvikCommandLineInfo({"i", "--batch", "-x", "/", "--i"}).noHardwareSearch());
    EXPECT_TRUE(CTarvikCommandLineInfo({"--batch"}).batch());
    EXPECT_FALSE(CTarvikCommandLineInfo({"-i"}).batch());
}

TEST(Batch, ListsTheDefaultRack) {
    const auto r = batch({"-i", "--batch", "--list"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const auto rows = lines(r.out);
    ASSERT_EQ(19u, rows.size());
    EXPECT_EQ("P2\tULM520\t\t", rows[0]);
    EXPECT_EQ("P3\tQBT860\t\t", rows[1]);
    EXPECT_EQ("P4\t\t\t", rows[2]);
    EXPECT_EQ("P15\t\t\t", rows[13]); // not occupiable: no name columns
    EXPECT_EQ("ZUPA\t\t\t", rows[17]);
    EXPECT_EQ("Ad50\t\t\t", rows[18]);
}

TEST(Batch, ExpansionHousingWithAKvrCard) {
    const auto r = batch({"-i", "--batch", "--system", "KPRQ860", "--expansion", "1", "--card",
                          "4=KVR860 (NG+-)", "--list"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const auto rows = lines(r.out);
    ASSERT_EQ(34u, rows.size());
    EXPECT_EQ("P1-7\tKVR860\tNG +-\tKVR_1", rows[5]);
    EXPECT_EQ("P2-4\t\t\t", rows[19]);
    EXPECT_EQ("P2-18\t\t\t", rows[33]);
}

TEST(Batch, EditsApplyInOrder) {
    const auto r = batch({"-i", "--batch", "--system=PRQ990", "--card", "1=KVR860 (NG++)",
                          "--card", "2=1,5,0", "--usage", "P4=TQD", "--usage", "P6=LOG", "--card",
                          "14=ZUPA (5V-NG)", "--card", "1=(leer)", "--list"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const auto rows = lines(r.out);
    EXPECT_EQ("P2\tULM860\t\tULM860", rows[0]);
    // The KVR card was removed again; its TQD usage stays stored but an empty position
    // reads its usage as family.
    EXPECT_EQ("P4\t\t\tTQD_1", rows[2]);
    EXPECT_EQ("P5\tSEQ28\t\tSEQ_1", rows[3]);
    EXPECT_EQ("P6\t\t\tLOG_1", rows[4]);
    EXPECT_EQ("ZUPA\tZUPA\t5V-NG\t", rows[17]);
    EXPECT_EQ("Ad50\tDAX19\t\t", rows[18]);
}

TEST(Batch, AddPositionOn945) {
    auto r = batch({"-i", "--batch", "--system", "UKPRQ", "--add-position", "--list"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(9u, lines(r.out).size());
    EXPECT_EQ("QBT\tQBT520\t\t", lines(r.out)[0]);

    // A card can only go into a shown position.
    r = batch({"-i", "--batch", "--system", "UKPRQ", "--card", "9=JEL6"});
    EXPECT_EQ(2, r.exitCode);
    r = batch({"-i", "--batch", "--system", "UKPRQ", "--add-position", "--add-position",
               "--card", "9=JEL6", "--list"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("P9\tJEL6\t\tJEL_1", lines(r.out).back());

    std::vector<std::string> tooMany = {"-i", "--batch", "--system", "UKPRQ"};
    for (int i = 0; i < 7; ++i) {
        tooMany.push_back("--add-position");
    }
    EXPECT_EQ(2, batch(tooMany).exitCode);
    EXPECT_EQ(2, batch({"-i", "--batch", "--add-position"}).exitCode); // not on 860
}

TEST(Batch, BadOptionsAndValuesExitWithTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {"-i", "--batch", "--sytem", "UKPRQ"},
        {"-i", "--batch", "--system", "PRQ"},
        {"-i", "--batch", "--system"},
        {"-i", "--batch", "--expansion", "3"},
        {"-i", "--batch", "--expansion", "1x"},
        {"-i", "--batch", "--card", "4"},
        {"-i", "--batch", "--card", "64=JEL6"},
        {"-i", "--batch", "--card", "abc=JEL6"},
        {"-i", "--batch", "--card", "4=JEL7"},
        {"-i", "--batch", "--card", "0=JEL6"},  // address 0 only takes QBT cards
        {"-i", "--batch", "--card", "17=JEL6"}, // no position serves 17 without expansion housing
        {"-i", "--batch", "--card", "4=1,2"},
        {"-i", "--batch", "--usage", "P99=KVR"},
        {"-i", "--batch", "--usage", "P4=SEW"},
        {"-i", "--batch", "--usage", "P3=KVR"}, // QBT860 offers no usage
    };
    for (const auto& arguments : bad) {
        const auto r = batch(arguments);
        EXPECT_EQ(2, r.exitCode) << arguments.back();
        EXPECT_NE(std::string::npos, r.err.find("tarvik: ")) << arguments.back();
        EXPECT_TRUE(r.out.empty());
    }
    const auto r = batch({"-i", "--batch", "--card", "4=JEL7"});
    EXPECT_NE(std::string::npos, r.err.find("\"JEL6\"")) << r.err; // lists the choices
}

namespace {

// A program folder holding the bundled templates and an empty target directory.
class BatchGenerationTest : public ::testing::Test {
protected:
    BatchGenerationTest() {
        m_root = std::filesystem::temp_directory_path() /
                 ("kw_batch_" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root);
        std::filesystem::copy(KW_TEMPLATES_DIR, m_root / "programm",
                              std::filesystem::copy_options::recursive);
    }
    ~BatchGenerationTest() override { std::filesystem::remove_all(m_root); }

    BatchResult run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-i", "--batch", "--target", (m_root / "ziel").string()});
        std::ostringstream out;
        std::ostringstream err;
        const int code = runBatch(arguments, out, err, {m_root / "programm", false});
        return {code, out.str(), err.str()};
    }

    std::filesystem::path m_root;
};

} // namespace

TEST_F(BatchGenerationTest, GeneratesAndNamesTheFolders) {
    const auto r = run({"--card", "1=KVR860 (NG++)", "--xab60v", "--cal", "--name", "DEMO"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(4u, lines(r.out).size());
    EXPECT_NE(std::string::npos, r.err.find("erfolgreich generiert"));
    EXPECT_TRUE(std::filesystem::exists(m_root / "ziel" / "TM_CAL_DEMO_IST" / "CAL_DEMO_IST.860"));
    // The external supply keeps its module.
    EXPECT_TRUE(std::filesystem::exists(m_root / "ziel" / "TM_DEMO" / "xab60v.fct"));

    // A second run finds the folders: the default answer is Cancel, exit code 1.
    const auto again = run({"--name", "DEMO"});
    EXPECT_EQ(1, again.exitCode);
    EXPECT_NE(std::string::npos, again.err.find("Abbrechen (Vorgabe)"));
    EXPECT_EQ(0, run({"--name", "DEMO", "--yes"}).exitCode);
}

TEST_F(BatchGenerationTest, RefusedNamesEndWithTwoAndTheirReasonBeforeAnythingIsWritten) {
    const std::string longest(227, 'L'); // "TM_CAL_" + name + "_IST" + ".tarvik-replaced"
    const struct {
        std::string name;
        bool cal;
        const char* reason;
    } rows[] = {
        {"a/b", false, "keinen Schrägstrich"},
        {"..", false, "\"..\""},
        {"a\x01b", false, "keine Steuerzeichen"},
        {"", false, "Bitte geben Sie den Speicherort und die Bezeichnung"},
        {longest + "L", true, "zu lang: 228 Bytes, höchstens 227 Bytes"},
        {"TM_" + longest + "LLLLL", false, "zu lang: 235 Bytes, höchstens 234 Bytes"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> arguments = {"--name", row.name};
        if (row.cal) {
            arguments.push_back("--cal");
        }
        for (const char* mode : {"--yes", "--dry-run"}) {
            arguments.push_back(mode);
            const auto r = run(arguments);
            arguments.pop_back();
            EXPECT_EQ(2, r.exitCode) << row.name;
            EXPECT_EQ(0u, r.err.find("tarvik: --name: ")) << r.err;
            EXPECT_NE(std::string::npos, r.err.find(row.reason)) << r.err;
            EXPECT_FALSE(std::filesystem::exists(m_root / "ziel")) << row.name;
        }
    }
    // The longest names that fit generate completely.
    EXPECT_EQ(0, run({"--name", longest, "--cal"}).exitCode);
    EXPECT_EQ(0, run({"--name", "TM_" + longest + "LLLL"}).exitCode);
    // Four and two Testmappen, nothing hidden beside them.
    EXPECT_EQ(6, std::distance(std::filesystem::directory_iterator(m_root / "ziel"),
                               std::filesystem::directory_iterator()));
}

TEST_F(BatchGenerationTest, DryRunWritesNothing) {
    const auto r = run({"--from-sysinfo", KW_TEST_DATA_DIR "/demo_rack.sysinfo",
                        "--dry-run"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_FALSE(std::filesystem::exists(m_root / "ziel" / "TM_TARVIK"));
    EXPECT_NE(std::string::npos, r.out.find("bearbeiten kvr.fct (CKvrFctHandler)"));
    EXPECT_NE(std::string::npos, r.out.find("löschen sew.fct"));
    EXPECT_NE(std::string::npos, r.out.find("übergehen qbt520.fct"));
}

TEST_F(BatchGenerationTest, MissingTemplatesAndBadSysinfo) {
    std::filesystem::remove_all(m_root / "programm" / "TM_CAL_TEMPLATE");
    auto r = run({});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos,
              r.err.find("Die Vorlagen-Testmappe für die Kalibrierung ist nicht vorhanden!"));

    r = run({"--from-sysinfo", (m_root / "missing.sysinfo").string(), "--list"});
    EXPECT_EQ(2, r.exitCode);
    ASSERT_TRUE(kw::writeLineFile(m_root / "bad.sysinfo", {"0 31 0", "70 2 0"}));
    r = run({"--from-sysinfo", (m_root / "bad.sysinfo").string(), "--list"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("Zeile 2"));
}
