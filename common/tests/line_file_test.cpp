#include "common/text/line_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class LineFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir =
            fs::temp_directory_path() /
            ("kw_line_file_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::size_t entriesInDir() const {
        return std::distance(fs::directory_iterator(m_dir), fs::directory_iterator());
    }

    fs::path m_dir;
};

} // namespace

TEST(SplitLines, AcceptsLfAndCrLfAndKeepsOtherBytes) {
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), kw::splitLines("a\r\nb\nc"));
    EXPECT_EQ((std::vector<std::string>{"", "x\ry", "\xE4"}), kw::splitLines("\r\nx\ry\n\xE4\n"));
    EXPECT_EQ((std::vector<std::string>{"trailing\r"}), kw::splitLines("trailing\r"));
    EXPECT_TRUE(kw::splitLines("").empty());
    EXPECT_EQ((std::vector<std::string>{"", ""}), kw::splitLines("\n\n"));
}

TEST_F(LineFileTest, WritesCrLfAndReadsBackTheSameBytes) {
    const fs::path file = m_dir / "out.txt";
    const std::vector<std::string> lines = {"0 31 0", "", "Kan\xE4le\x81"};
    ASSERT_TRUE(kw::writeLineFile(file, lines));
    EXPECT_EQ("0 31 0\r\n\r\nKan\xE4le\x81\r\n", kw::readFileBytes(file).value());
    EXPECT_EQ(lines, kw::readLineFile(file).value());
    EXPECT_EQ(1u, entriesInDir()); // no temporary left behind

    // Staged: the same bytes arrive under the name at once, and no temporary stays either.
    ASSERT_TRUE(kw::writeLineFile(m_dir / "staged.txt", lines, kw::Durability::Staged));
    EXPECT_EQ(kw::readFileBytes(file), kw::readFileBytes(m_dir / "staged.txt"));
    EXPECT_EQ(2u, entriesInDir());
}

TEST_F(LineFileTest, ReplacesAnExistingFileOnlyOnCommit) {
    const fs::path file = m_dir / "keep.txt";
    ASSERT_TRUE(kw::writeLineFile(file, {"old"}));
    {
        kw::LineFileWriter writer(file);
        ASSERT_TRUE(writer.isOpen());
        writer.writeLine("new");
        // destroyed without commit: a killed or failed write leaves the old content
    }
    EXPECT_EQ("old\r\n", kw::readFileBytes(file).value());
    EXPECT_EQ(1u, entriesInDir());
}

TEST_F(LineFileTest, ReportsAFolderThatCannotBeWritten) {
    EXPECT_FALSE(kw::writeLineFile(m_dir / "missing" / "f.txt", {"x"}));
    EXPECT_FALSE(kw::readLineFile(m_dir / "missing.txt").has_value());
}

TEST_F(LineFileTest, AFolderOrAMissingFileCannotBeRead) {
    EXPECT_FALSE(kw::readFileBytes(m_dir).has_value());
    EXPECT_FALSE(kw::readLineFile(m_dir).has_value());
    EXPECT_FALSE(kw::readFileBytes(m_dir / "missing.txt").has_value());
}
