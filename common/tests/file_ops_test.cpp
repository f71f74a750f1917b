#include "common/files/file_ops.h"

#include "common/text/line_file.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class FileOpsTest : public ::testing::Test {
protected:
    FileOpsTest()
        : m_dir(fs::temp_directory_path() /
                ("kw_file_ops_" +
                 std::string(testing::UnitTest::GetInstance()->current_test_info()->name()))) {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    ~FileOpsTest() override {
        kw::removeTree(m_dir);
    }
    fs::path m_dir;
};

} // namespace

TEST_F(FileOpsTest, CopiedTreeIsWritableAndComplete) {
    const fs::path source = m_dir / "src";
    fs::create_directories(source / "sub");
    ASSERT_TRUE(kw::writeLineFile(source / "a.fct", {"x"}));
    ASSERT_TRUE(kw::writeLineFile(source / "sub" / "b.ict", {"y"}));
    fs::permissions(source / "a.fct", fs::perms::owner_read, fs::perm_options::replace);
    fs::permissions(source / "sub", fs::perms::owner_read | fs::perms::owner_exec,
                    fs::perm_options::replace);

    ASSERT_TRUE(kw::copyTree(source, m_dir / "dst"));
    EXPECT_EQ("x\r\n", kw::readFileBytes(m_dir / "dst" / "a.fct").value());
    EXPECT_EQ("y\r\n", kw::readFileBytes(m_dir / "dst" / "sub" / "b.ict").value());
    EXPECT_NE(fs::perms::none, fs::status(m_dir / "dst" / "a.fct").permissions() & fs::perms::owner_write);
    EXPECT_NE(fs::perms::none, fs::status(m_dir / "dst" / "sub").permissions() & fs::perms::owner_write);
    EXPECT_FALSE(kw::copyTree(source, m_dir / "dst")); // never into an existing folder
    EXPECT_FALSE(kw::copyTree(m_dir / "missing", m_dir / "dst2"));

    // A read-only folder is removed all the same.
    EXPECT_TRUE(kw::removeTree(source));
    EXPECT_FALSE(fs::exists(source));
    EXPECT_TRUE(kw::removeTree(m_dir / "nothing-here"));
}

TEST_F(FileOpsTest, CopyLeavesOutListedEntriesOfTheTopFolderOnly) {
    const fs::path source = m_dir / "src";
    fs::create_directories(source / "sub");
    fs::create_directories(source / "weg");
    ASSERT_TRUE(kw::writeLineFile(source / "a.fct", {"x"}));
    ASSERT_TRUE(kw::writeLineFile(source / "b.fct", {"y"}));
    ASSERT_TRUE(kw::writeLineFile(source / "sub" / "a.fct", {"z"}));
    ASSERT_TRUE(kw::copyTree(source, m_dir / "dst", {"a.fct", "weg", "fehlt.fct"}));
    EXPECT_FALSE(fs::exists(m_dir / "dst" / "a.fct"));
    EXPECT_FALSE(fs::exists(m_dir / "dst" / "weg"));
    EXPECT_EQ("y\r\n", kw::readFileBytes(m_dir / "dst" / "b.fct").value());
    EXPECT_EQ("z\r\n", kw::readFileBytes(m_dir / "dst" / "sub" / "a.fct").value());
}

TEST_F(FileOpsTest, CaseInsensitiveLookupPrefersTheExactName) {
    ASSERT_TRUE(kw::writeLineFile(m_dir / "Print_Cert.fct", {}));
    EXPECT_EQ(m_dir / "Print_Cert.fct", kw::findCaseInsensitive(m_dir, "print_cert.fct"));
    ASSERT_TRUE(kw::writeLineFile(m_dir / "print_cert.fct", {}));
    EXPECT_EQ(m_dir / "print_cert.fct", kw::findCaseInsensitive(m_dir, "print_cert.fct"));
    EXPECT_EQ(m_dir / "Print_Cert.fct", kw::findCaseInsensitive(m_dir, "PRINT_CERT.FCT"));
    EXPECT_FALSE(kw::findCaseInsensitive(m_dir, "print_cert.fc").has_value());
    EXPECT_FALSE(kw::findCaseInsensitive(m_dir / "missing", "x").has_value());

    // The same choice among names that are only listed.
    const std::vector<std::string> names = {"print_cert.fct", "PRINT_CERT.fct", "Print_Cert.fct"};
    EXPECT_EQ("print_cert.fct", kw::matchCaseInsensitive(names, "print_cert.fct"));
    EXPECT_EQ("PRINT_CERT.fct", kw::matchCaseInsensitive(names, "Print_cert.FCT"));
    EXPECT_FALSE(kw::matchCaseInsensitive(names, "print_cert").has_value());
}

TEST_F(FileOpsTest, RenameNeverReplaces) {
    fs::create_directories(m_dir / "a");
    fs::create_directories(m_dir / "b");
    EXPECT_FALSE(kw::renameNoReplace(m_dir / "a", m_dir / "b"));
    EXPECT_TRUE(fs::exists(m_dir / "a"));
    EXPECT_TRUE(kw::renameNoReplace(m_dir / "a", m_dir / "c"));
    EXPECT_TRUE(fs::exists(m_dir / "c"));
}

TEST(FileNames, UnsafeNamesAreRefused) {
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "..\\x", "C:x", "a\tb", "a\nb", "x..y"}) {
        EXPECT_FALSE(kw::isSafeFileName(bad)) << bad;
    }
    for (const char* good : {"TARVIK", "TM_ABC", "Prüfung 1", "a.b"}) {
        EXPECT_TRUE(kw::isSafeFileName(good)) << good;
    }
    EXPECT_FALSE(kw::programFolder().empty());
}
