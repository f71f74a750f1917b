#include "tarvik/generation/documentation.h"

#include "common/text/line_file.h"
#include "tarvik/config/system_info.h"
#include "tarvik/generation/run_inputs.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvik;

namespace fs = std::filesystem;

namespace {

const GenerationStamp kStamp{"V 1.71", "3.2", "07.12.2026", "14:05"};

class DocumentationTest : public ::testing::Test {
protected:
    DocumentationTest() {
        m_inputs.projectName = "ABC";
        m_system.setManual(860, false, false, false);
        m_dir = fs::temp_directory_path() /
                ("kw_doc_" + std::string(testing::UnitTest::GetInstance()
                                             ->current_test_info()
                                             ->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "template");
        fs::create_directories(m_dir / "target");
    }
    ~DocumentationTest() override { fs::remove_all(m_dir); }

    RunInputs m_inputs;
    CSystemInfo m_system;
    fs::path m_dir;
};

} // namespace

TEST_F(DocumentationTest, SelfTestTextListsTheConfiguration) {
    m_system.slots[1] = {CardType::Kvr860, 0, 2};
    m_system.slots[14] = {CardType::Zupa, 1, 0};
    m_system.hasXab60V = true;
    EXPECT_EQ("\\n\\nSelbsttest generiert von Kontrollwerk 3.2 (Tarvik.exe V 1.71)\\nam 07.12.2026 "
              "um 14:05\\nfür KPRQ860 mit folgendem Systemausbau:\\n\\nULM520 in P2\\nQBT860 in "
              "P3\\nKVR860 (NG++) in P4\\nZUPA (5V-NG) in ZUPA\\nXAB-60V vorhanden\\n",
              documentationText(m_inputs, m_system, kStamp, false, false));
    m_system.setManual(945, false, false, false);
    EXPECT_NE(std::string::npos,
              documentationText(m_inputs, m_system, kStamp, false, true).find("für UKPRQ mit"));
}

TEST_F(DocumentationTest, CalibrationTextNamesItsSelfTest) {
    m_inputs.projectName = "TM_ABC";
    EXPECT_EQ("\\n\\nKalibriertest generiert von Kontrollwerk 3.2 (Tarvik.exe V 1.71)\\nam "
              "07.12.2026 um 14:05\\nzum Selbsttest \"ABC\"\\n",
              documentationText(m_inputs, m_system, kStamp, true, false));
    EXPECT_EQ(0u, documentationText(m_inputs, m_system, kStamp, true, true)
                      .find("\\n\\nIswertaufnahmetest generiert"));
    EXPECT_NE(std::string::npos,
              documentationText(m_inputs, m_system, kStamp, true, true).find("\"ABC_IST\""));
}

TEST_F(DocumentationTest, DocuLineGetsTheTextInWindows1252) {
    ASSERT_TRUE(kw::writeLineFile(m_dir / "template" / "SET2.SET",
                                  {"  TITLE x", "  DOCU Vorlage", " DOCU nicht", "Ende"}));
    ASSERT_TRUE(rewriteDocumentation(m_inputs, m_system, kStamp, m_dir / "template" / "SET2.SET",
                                     m_dir / "target" / "SET2.SET", false, false));
    const auto lines = kw::readLineFile(m_dir / "target" / "SET2.SET").value();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("  TITLE x", lines[0]);
    EXPECT_EQ(0u, lines[1].find("  DOCU Vorlage\\n\\nSelbsttest generiert"));
    EXPECT_NE(std::string::npos, lines[1].find("\\nf\xFCr KPRQ860")); // "für" as one byte
    EXPECT_EQ(" DOCU nicht", lines[2]);
}

TEST_F(DocumentationTest, WithoutDocuLineTheFileIsCopied) {
    ASSERT_TRUE(kw::writeLineFile(m_dir / "template" / "set2.set", {"a", "b"}));
    ASSERT_TRUE(rewriteDocumentation(m_inputs, m_system, kStamp, m_dir / "template" / "set2.set",
                                     m_dir / "target" / "set2.set", true, false));
    EXPECT_EQ("a\r\nb\r\n", kw::readFileBytes(m_dir / "target" / "set2.set").value());
    fs::remove(m_dir / "template" / "set2.set");
    EXPECT_FALSE(rewriteDocumentation(m_inputs, m_system, kStamp, m_dir / "template" / "set2.set",
                                      m_dir / "target" / "set2.set", true, false));
}

TEST(Versions, ProgramAndTemplateVersion) {
    EXPECT_EQ("V 1.71", formatProgramVersion(1, 7, 1, 0));
    EXPECT_EQ("V 1.72 beta", formatProgramVersion(1, 7, 1, 3));
    EXPECT_EQ(0u, programVersion().find("V "));
    const fs::path dir = fs::temp_directory_path() / "kw_version_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    EXPECT_EQ("", templateVersion(dir));
    ASSERT_TRUE(kw::writeLineFile(dir / "version.txt", {"2.4 (M\xE4rz)", "rest"}));
    EXPECT_EQ("2.4 (März)", templateVersion(dir));
    fs::remove_all(dir);
}
