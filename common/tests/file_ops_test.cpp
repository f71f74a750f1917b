#include "common/files/file_ops.h"

#include "common/files/file_lock.h"
#include "common/text/line_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

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

TEST_F(FileOpsTest, EveryFailureOfTheCopyIsReported) {
    const fs::path source = m_dir / "src";
    fs::create_directories(source / "sub");
    ASSERT_TRUE(kw::writeLineFile(source / "a.fct", {std::string(200000, 'x')}));
    ASSERT_TRUE(kw::writeLineFile(source / "sub" / "b.ict", {"y"}));
    // The n-th call of one kind fails (or finds its file ending at once); every call before
    // and after it goes ahead. Calls of a whole copy: 2 opens and 2 reads per file copied
    // (the second finds the end), 2 listings, 2 folders made.
    const struct {
        kw::FileOp op;
        int nth;
        int fault;
    } rows[] = {
        {kw::FileOp::List, 1, EIO},
        {kw::FileOp::List, 2, EIO},
        {kw::FileOp::MakeFolder, 1, EACCES},
        {kw::FileOp::MakeFolder, 2, ENOSPC},
        {kw::FileOp::Open, 1, EACCES},
        {kw::FileOp::Open, 2, ENOSPC},
        {kw::FileOp::Open, 4, EACCES},
        {kw::FileOp::Read, 1, EIO},
        {kw::FileOp::Read, 1, kw::kEndOfData}, // the copy ends early: a short module
        {kw::FileOp::Read, 3, ENOSPC},
        {kw::FileOp::Read, 3, kw::kEndOfData},
    };
    for (const auto& row : rows) {
        const fs::path target = m_dir / "dst";
        int calls = 0;
        kw::setFileFaultHook([&](kw::FileOp op, const fs::path&) {
            return op == row.op && ++calls == row.nth ? row.fault : 0;
        });
        std::string failure;
        const bool copied = kw::copyTree(source, target, {}, &failure);
        kw::setFileFaultHook(nullptr);
        EXPECT_FALSE(copied) << static_cast<int>(row.op) << " " << row.nth << " " << row.fault;
        EXPECT_FALSE(failure.empty());
        ASSERT_TRUE(kw::removeTree(target));
    }
    // Without faults the same copy is complete.
    ASSERT_TRUE(kw::copyTree(source, m_dir / "dst"));
    EXPECT_EQ(kw::readFileBytes(source / "a.fct"), kw::readFileBytes(m_dir / "dst" / "a.fct"));

    // A link back up into the tree would copy it into itself without end.
    fs::create_directory_symlink("..", source / "sub" / "hoch");
    std::string failure;
    EXPECT_FALSE(kw::copyTree(source, m_dir / "loop", {}, &failure));
    EXPECT_NE(std::string::npos, failure.find("hoch")) << failure;
}

TEST_F(FileOpsTest, ALockIsHeldOnceAndItsFileGoesWithIt) {
    const fs::path path = m_dir / ".x.lock";
    kw::FileLock first, second;
    ASSERT_EQ(kw::FileLock::Outcome::Taken, kw::FileLock::tryTake(path, first));
    EXPECT_EQ(kw::FileLock::Outcome::Busy, kw::FileLock::tryTake(path, second));
    EXPECT_FALSE(second.held());
    first.release();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(kw::FileLock::Outcome::Taken, kw::FileLock::tryTake(path, second));
    EXPECT_EQ(kw::FileLock::Outcome::Failed,
              kw::FileLock::tryTake(m_dir / "fehlt" / ".x.lock", first));
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
