#include "tarvik/generation/target_directory.h"

#include "common/text/line_file.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace fs = std::filesystem;

TEST(TargetDirectory, NonEmptyFolderWinsOverAnEarlierEmptyOne) {
    const fs::path root = fs::temp_directory_path() / "kw_target_directory_test";
    fs::remove_all(root);
    const fs::path missing = root / "a" / "Testmappen";
    const fs::path empty = root / "b" / "Testmappen";
    const fs::path full = root / "c" / "Testmappen";
    const fs::path file = root / "d" / "Testmappen";
    fs::create_directories(empty);
    fs::create_directories(full / "TM_X");
    fs::create_directories(file.parent_path());
    ASSERT_TRUE(kw::writeLineFile(file, {"x"}));

    EXPECT_EQ(full, searchTargetDirectory({missing, file, empty, full}));
    EXPECT_EQ(empty, searchTargetDirectory({missing, file, empty}));
    EXPECT_EQ(fs::path(), searchTargetDirectory({missing, file}));
    EXPECT_FALSE(defaultTargetDirectory().empty());
    fs::remove_all(root);
}
